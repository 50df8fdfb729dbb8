#include "ui/about/MemoryText.h"

#include "rtl/Format.h"

namespace scindra {

QString ThousandsSeparator(const QLocale& locale)
{
    const QString separator = locale.groupSeparator();
    return separator.isEmpty() ? QStringLiteral(",") : separator;
}

QString TotalMemoryText(int64_t totalBytes, const QString& separator)
{
    // Whole-number arithmetic: exact for every 64-bit count, and the half
    // (a remainder of 512 bytes) goes up.
    const int64_t bytes = totalBytes > 0 ? totalBytes : 0;
    const int64_t kilobytes = bytes / 1024 + (bytes % 1024 >= 512 ? 1 : 0);
    const std::string digits = FormatThousands(kilobytes, separator.toStdString());
    return QString::fromStdString(digits) + QStringLiteral(" KB");
}

QString MemoryLoadText(int32_t load)
{
    return QStringLiteral("%1 %").arg(load);
}

} // namespace scindra
