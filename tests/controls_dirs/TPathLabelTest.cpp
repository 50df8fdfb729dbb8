#include "controls/TPathLabel.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

namespace scindra {
namespace {

struct ShorteningCase {
    PathStyle style;
    const char* path;
    int room;  // characters
    const char* shown;
};

TEST(TPathLabelShortening, DropsLeadingFoldersUntilTheNameFits)
{
    constexpr PathStyle W = PathStyle::Windows;
    constexpr PathStyle P = PathStyle::Posix;
    const ShorteningCase rows[] = {
        {W, "C:\\Films\\Vacances\\Pieces", 24, "C:\\Films\\Vacances\\Pieces"},
        {W, "C:\\Films\\Vacances\\Pieces", 23, "C:\\...\\Vacances\\Pieces"},
        {W, "C:\\Films\\Vacances\\Pieces", 21, "C:\\...\\Pieces"},
        {W, "C:\\Films\\Vacances\\Pieces", 12, "...\\Pieces"},
        {W, "C:\\Films\\Vacances\\Pieces", 9, "Pieces"},
        {W, "C:\\Films\\Vacances\\Pieces", 2, "Pieces"},  // the last element is never cut
        {W, "C:\\A\\B\\Pieces", 12, "...\\Pieces"},     // C:\...\B\Pieces and C:\...\Pieces are no shorter
        {W, "C:\\Pieces", 8, "\\Pieces"},               // the drive goes before the root: never "C:Pieces"
        {W, "C:\\Pieces", 6, "Pieces"},
        {W, "D:Films\\x", 8, "D:...\\x"},               // drive-relative: no leading backslash to keep
        {W, "D:Films\\x", 6, "...\\x"},
        {W, "D:Films\\x", 4, "x"},
        {W, "Films\\Vacances\\x", 14, "...\\Vacances\\x"},
        {W, "\\\\serveur\\partage\\x", 18, "\\...\\partage\\x"},
        {W, "C:\\Films\\Vacances\\", 17, "C:\\...\\Vacances\\"},
        {W, "C:\\Films\\Vacances\\", 6, "...\\"},
        {W, "C:\\Films\\Vacances\\", 3, ""},
        {W, "", 0, ""},
        {P, "/home/ana/Films/Pieces", 22, "/home/ana/Films/Pieces"},
        {P, "/home/ana/Films/Pieces", 21, "/.../ana/Films/Pieces"},
        {P, "/home/ana/Films/Pieces", 20, "/.../Films/Pieces"},
        {P, "/home/ana/Films/Pieces", 16, "/.../Pieces"},
        {P, "/home/ana/Films/Pieces", 10, ".../Pieces"},
        {P, "/home/ana/Films/Pieces", 9, "Pieces"},
        {P, "C:/Films/x", 9, ".../x"},          // no drives: "C:" is an ordinary first folder
        {P, "C:/Films/x", 4, "x"},
        {P, "C:\\Films\\x", 3, "C:\\Films\\x"},  // a backslash is no separator here
        {P, "/Pieces", 6, "Pieces"},
        {P, "/", 0, ""},
    };
    for (const ShorteningCase& row : rows) {
        const auto fits = [&](const QString& text) { return text.size() <= row.room; };
        EXPECT_EQ(TPathLabel::MinimizeName(QString::fromUtf8(row.path), fits, row.style),
                  QString::fromUtf8(row.shown))
            << row.path << " in " << row.room;
    }
}

TEST(TPathLabelShortening, PaintedTextFitsTheLabel)
{
    TPathLabel label;
    label.SetStyle(PathStyle::Posix);
    label.SetText(QStringLiteral("/home/ana/Films/Vacances/Pieces"));
    const QFontMetrics metrics = label.fontMetrics();
    label.resize(metrics.horizontalAdvance(QStringLiteral("/.../Vacances/Pieces")), 20);
    EXPECT_EQ(label.DisplayedText(), QStringLiteral("/.../Vacances/Pieces"));
    label.resize(2000, 20);
    EXPECT_EQ(label.DisplayedText(), label.Text());
}

} // namespace
} // namespace scindra
