// Quoting, reading and checking file names, and assigning them to the edit.
#include "EditTestSupport.h"
#include "controls/TFilenameEdit.h"
#include "rtl/Exception.h"

#include <QSignalSpy>

namespace scindra {
namespace {

TEST(QuoteFileName, QuotesExactlyNamesWithABlankNotAlreadyQuoted)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""}, {"/films/a.avi", "/films/a.avi"}, {"/mes films/a.avi", "\"/mes films/a.avi\""},
        {"\"/a b\"", "\"/a b\""}, {"\"/a b", "\"/a b"}, {"a\tb", "a\tb"} /* only the blank counts */, {" ", "\" \""},
    };
    for (const auto& [name, quoted] : cases)
        EXPECT_EQ(TFilenameEdit::QuoteFileName(name), quoted) << name.toStdString();
}

TEST_F(EditTest, FileNameFromTextKeepsAnExistingFileAndElseTakesTheFirstToken)
{
    const QString existing = Path("Mes films/b.avi");
    const QString missing = Path("Mes films/c.avi");
    const QString longName(300, QLatin1Char('x'));
    const std::pair<QString, QString> cases[] = {
        {existing, existing},
        {"\"" + existing + "\"", existing},
        {missing, Path("Mes")},
        {"\"" + missing + "\"", missing},
        {Path("Mes films"), Path("Mes")},  // a folder is no file: cut at the blank
        {"", ""},
        {"\t\n ", ""},
        {"  /a/b.avi  ", "/a/b.avi"},
        {"\"\" \"\"  /a b", "/a"},
        {"\"/a b\"c d", "/a bc"},
        {"x\"y z", "xy z"},  // an unclosed quote runs to the end
        {"\"\"", ""},
        {QString("/a") + QChar(u'\0') + "b c", "/a"},  // the name ends at a NUL
        {QString::fromUtf8("/été/à b"), QString::fromUtf8("/été/à")},
        {longName + " rest", longName},  // no length limit
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TFilenameEdit::FileNameFromText(text), expected) << text.toStdString();
}

TEST(IsValidFileName, EachStyleRefusesItsOwnCharacters)
{
    for (const QString name : {"C:\\Films\\a.avi", "C:\\Films\\", "*.?", "/home/x/12:30:00.png"}) {
        EXPECT_TRUE(TFilenameEdit::IsValidFileName(name, PathStyle::Windows)) << name.toStdString();
        EXPECT_TRUE(TFilenameEdit::IsValidFileName(name, PathStyle::Posix)) << name.toStdString();
    }
    for (const QString name : {"a<b", "a>b", "a[1]", "a]", "a|b"}) {
        EXPECT_FALSE(TFilenameEdit::IsValidFileName(name, PathStyle::Windows)) << name.toStdString();
        EXPECT_TRUE(TFilenameEdit::IsValidFileName(name, PathStyle::Posix)) << name.toStdString();
    }
    for (const QString name : {"", "a\"b"}) {
        EXPECT_FALSE(TFilenameEdit::IsValidFileName(name, PathStyle::Windows)) << name.toStdString();
        EXPECT_FALSE(TFilenameEdit::IsValidFileName(name, PathStyle::Posix)) << name.toStdString();
    }
}

TEST(PathParts, FolderNameAndInitialFolderByStyle)
{
    const std::tuple<PathStyle, QString, QString, QString> parts[] = {
        {PathStyle::Windows, "C:\\Films\\a.avi", "C:\\Films\\", "a.avi"},
        {PathStyle::Windows, "C:a.avi", "C:", "a.avi"},
        {PathStyle::Windows, "a.avi", "", "a.avi"},
        {PathStyle::Windows, "C:\\Films\\", "C:\\Films\\", ""},
        {PathStyle::Windows, "/x/a.avi", "", "/x/a.avi"},
        {PathStyle::Posix, "/films/a.avi", "/films/", "a.avi"},
        {PathStyle::Posix, "/a.avi", "/", "a.avi"},
        {PathStyle::Posix, "C:\\Films\\a.avi", "", "C:\\Films\\a.avi"},
        {PathStyle::Posix, "/x/12:00.png", "/x/", "12:00.png"},
    };
    for (const auto& [style, name, folder, file] : parts) {
        EXPECT_EQ(TFilenameEdit::FolderPart(name, style), folder) << name.toStdString();
        EXPECT_EQ(TFilenameEdit::NamePart(name, style), file) << name.toStdString();
    }
    const std::tuple<PathStyle, QString, QString> trims[] = {
        {PathStyle::Windows, "C:\\Films\\", "C:\\Films"}, {PathStyle::Windows, "C:\\", "C:\\"},
        {PathStyle::Windows, "\\", "\\"},                 {PathStyle::Windows, "C:\\Films\\\\", "C:\\Films\\"},
        {PathStyle::Posix, "/films/", "/films"},          {PathStyle::Posix, "/", "/"},
        {PathStyle::Posix, "", ""},                       {PathStyle::Posix, "/films", "/films"},
    };
    for (const auto& [style, dir, trimmed] : trims)
        EXPECT_EQ(TFilenameEdit::TrimInitialDir(dir, style), trimmed) << dir.toStdString();
}

// Assigns a value; returns the error message, empty when accepted.
std::string Assign(TFilenameEdit& edit, const QString& value)
{
    try {
        edit.SetFileName(value);
    } catch (const EComboEditError& error) {
        return error.Message();
    }
    return {};
}

TEST(FileNameSet, WindowsNamesAreQuotedOrRefusedByTheirFirstToken)
{
    TFilenameEdit edit;
    edit.SetFilePathStyle(PathStyle::Windows);
    const std::tuple<QString, QString, QString> accepted[] = {
        // value, text, FileName
        {"C:\\Mes films\\a.avi", "\"C:\\Mes films\\a.avi\"", "C:\\Mes films\\a.avi"},
        {"C:\\Films\\", "C:\\Films\\", "C:\\Films\\"},
        {"C:\\Mes films\\", "\"C:\\Mes films\\\"", "C:\\Mes films\\"},
        {"C:\\Mes [films]\\a.avi", "\"C:\\Mes [films]\\a.avi\"", "C:\\Mes [films]\\a.avi"},
        {"\"C:\\a b.avi\"", "\"C:\\a b.avi\"", "C:\\a b.avi"},
        {"", "", ""},
    };
    for (const auto& [value, text, fileName] : accepted) {
        EXPECT_EQ(Assign(edit, value), "") << value.toStdString();
        EXPECT_EQ(edit.Text(), text);
        EXPECT_EQ(edit.FileName(), fileName);
    }
    edit.SetFileName("C:\\keep.avi");
    for (const QString value : {"C:\\Films[1]\\a.avi", "C:\\a<b.avi", "a|b", "C:\\x]"}) {
        EXPECT_EQ(Assign(edit, value), "Nom de fichier incorrect - " + value.toStdString());
        EXPECT_EQ(edit.Text(), "C:\\keep.avi");
    }
}

TEST_F(EditTest, PosixNamesWithBlanksAndTheOneRefusedCharacter)
{
    TFilenameEdit edit;
    ASSERT_EQ(edit.FilePathStyle(), PathStyle::Posix);
    const QString existing = Path("Mes films/b.avi");
    EXPECT_EQ(Assign(edit, existing), "");
    EXPECT_EQ(edit.Text(), "\"" + existing + "\"");
    EXPECT_EQ(edit.FileName(), existing);

    // Typed without quotes: the whole text while the file exists, else cut.
    edit.SetText(existing);
    EXPECT_EQ(edit.FileName(), existing);
    edit.SetText(Path("Mes films/zz.avi"));
    EXPECT_EQ(edit.FileName(), Path("Mes"));

    // Brackets, '<', '>' and '|' are ordinary on POSIX.
    EXPECT_EQ(Assign(edit, "/tmp/a[1]<b>|c.avi"), "");
    EXPECT_EQ(edit.Text(), "/tmp/a[1]<b>|c.avi");

    // A quote survives validation only as part of an existing file's name.
    EXPECT_EQ(Assign(edit, "/tmp/missing\"x"), "");
    const QString quoted = Path("a\"b.txt");
    EXPECT_EQ(Assign(edit, quoted), "Nom de fichier incorrect - " + quoted.toStdString());
    EXPECT_EQ(edit.Text(), "/tmp/missing\"x");
}

TEST(FileNameSet, ChangeFiresOnlyWhenTheTextChanges)
{
    TFilenameEdit edit;
    QSignalSpy changes(&edit, &TFilenameEdit::Change);
    for (const char* same : {"/a b", "/a b", "\"/a b\""})
        edit.SetFileName(same);
    EXPECT_EQ(changes.count(), 1);
    edit.SetFileName("");
    edit.Clear();
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(edit.Text(), "");
}

} // namespace
} // namespace scindra
