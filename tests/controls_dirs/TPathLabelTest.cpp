#include "controls/TPathLabel.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

namespace scindra {
namespace {

struct ShorteningCase {
    const char* path;
    int room;  // characters
    const char* shown;
};

QString Shorten(const ShorteningCase& row, PathStyle style)
{
    return TPathLabel::MinimizeName(
        QString::fromUtf8(row.path), [&](const QString& text) { return text.size() <= row.room; }, style);
}

TEST(TPathLabelShortening, WindowsStyle)
{
    const ShorteningCase rows[] = {
        {"C:\\Films\\Vacances\\Pieces", 24, "C:\\Films\\Vacances\\Pieces"},
        {"C:\\Films\\Vacances\\Pieces", 23, "C:\\...\\Vacances\\Pieces"},
        {"C:\\Films\\Vacances\\Pieces", 21, "C:\\...\\Pieces"},
        {"C:\\Films\\Vacances\\Pieces", 12, "...\\Pieces"},
        {"C:\\Films\\Vacances\\Pieces", 9, "Pieces"},
        {"C:\\Films\\Vacances\\Pieces", 2, "Pieces"},  // the last element is never cut
        {"C:\\A\\B\\Pieces", 12, "...\\Pieces"},     // C:\...\B\Pieces and C:\...\Pieces are no shorter
        {"C:\\Pieces", 8, "\\Pieces"},               // the drive goes before the root: never "C:Pieces"
        {"C:\\Pieces", 6, "Pieces"},
        {"D:Films\\x", 8, "D:...\\x"},               // drive-relative: no leading backslash to keep
        {"D:Films\\x", 6, "...\\x"},
        {"D:Films\\x", 4, "x"},
        {"Films\\Vacances\\x", 14, "...\\Vacances\\x"},
        {"\\\\serveur\\partage\\x", 18, "\\...\\partage\\x"},
        {"C:\\Films\\Vacances\\", 17, "C:\\...\\Vacances\\"},
        {"C:\\Films\\Vacances\\", 6, "...\\"},
        {"C:\\Films\\Vacances\\", 3, ""},
        {"", 0, ""},
    };
    for (const ShorteningCase& row : rows)
        EXPECT_EQ(Shorten(row, PathStyle::Windows), QString::fromUtf8(row.shown)) << row.path << " in " << row.room;
}

TEST(TPathLabelShortening, PosixStyle)
{
    const ShorteningCase rows[] = {
        {"/home/ana/Films/Pieces", 22, "/home/ana/Films/Pieces"},
        {"/home/ana/Films/Pieces", 21, "/.../ana/Films/Pieces"},
        {"/home/ana/Films/Pieces", 20, "/.../Films/Pieces"},
        {"/home/ana/Films/Pieces", 16, "/.../Pieces"},
        {"/home/ana/Films/Pieces", 10, ".../Pieces"},
        {"/home/ana/Films/Pieces", 9, "Pieces"},
        {"C:/Films/x", 9, ".../x"},         // no drives: "C:" is an ordinary first folder
        {"C:/Films/x", 4, "x"},
        {"C:\\Films\\x", 3, "C:\\Films\\x"},  // a backslash is no separator here
        {"/Pieces", 6, "Pieces"},
        {"/", 0, ""},
    };
    for (const ShorteningCase& row : rows)
        EXPECT_EQ(Shorten(row, PathStyle::Posix), QString::fromUtf8(row.shown)) << row.path << " in " << row.room;
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
