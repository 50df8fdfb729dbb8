#pragma once
// The two memory figures of the About window as text.

#include <QLocale>
#include <QString>

#include <cstdint>

namespace scindra {

// The separator between groups of three digits: the locale's own, which may
// be several bytes long in UTF-8 (U+202F under French), or a comma when the
// locale has none.
QString ThousandsSeparator(const QLocale& locale);

// The total in kilobytes of 1,024 bytes, rounded to a whole number with a
// half rounding up, digits grouped by three with `separator`, then " KB":
// 268,435,456 bytes give "262,144 KB", 1,048,064 bytes "1,024 KB". A total
// of 0 (nothing could be learnt) or less gives "0 KB".
QString TotalMemoryText(int64_t totalBytes, const QString& separator);

// The load as "42 %".
QString MemoryLoadText(int32_t load);

} // namespace scindra
