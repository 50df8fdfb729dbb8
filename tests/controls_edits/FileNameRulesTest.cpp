// Quoting, reading and checking file names, and assigning them to the edit.
#include "QtPrinters.h"
#include "controls/TFilenameEdit.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace scindra {
namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(QuoteFileName, QuotesExactlyNamesWithABlankNotAlreadyQuoted)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""},
        {"/films/a.avi", "/films/a.avi"},
        {"/mes films/a.avi", "\"/mes films/a.avi\""},
        {"C:\\Mes films\\", "\"C:\\Mes films\\\""},
        {"C:\\Films\\", "C:\\Films\\"},
        {"\"/a b\"", "\"/a b\""},
        {"\"/a b", "\"/a b"},
        {"a\tb", "a\tb"},  // only the blank counts
        {" ", "\" \""},
    };
    for (const auto& [name, quoted] : cases)
        EXPECT_EQ(TFilenameEdit::QuoteFileName(name), quoted) << name.toStdString();
}

class FileNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("Mes films"));
        Touch(Path("Mes films/b.avi"));
        Touch(Path("a\"b.txt"));
    }
    QString Path(const QString& relative) const { return dir_.filePath(relative); }

    QTemporaryDir dir_;
};

TEST_F(FileNames, FileNameFromTextKeepsAnExistingFileAndElseTakesTheFirstToken)
{
    const QString existing = Path("Mes films/b.avi");
    const QString missing = Path("Mes films/c.avi");
    const QString folder = Path("Mes films");
    const QString longName(300, QLatin1Char('x'));
    const std::pair<QString, QString> cases[] = {
        {existing, existing},
        {"\"" + existing + "\"", existing},
        {missing, Path("Mes")},
        {"\"" + missing + "\"", missing},
        {folder, Path("Mes")},  // a folder is no file: cut at the blank
        {"", ""},
        {"    ", ""},
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
    struct Case {
        QString name;
        bool windows;
        bool posix;
    };
    const Case cases[] = {
        {"", false, false},
        {"C:\\Films\\a.avi", true, true},
        {"C:\\Films\\", true, true},
        {"*.?", true, true},
        {"a<b", false, true},
        {"a>b", false, true},
        {"a\"b", false, false},
        {"a[1]", false, true},
        {"a]", false, true},
        {"a|b", false, true},
        {"/home/x/12:30:00.png", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TFilenameEdit::IsValidFileName(c.name, PathStyle::Windows), c.windows) << c.name.toStdString();
        EXPECT_EQ(TFilenameEdit::IsValidFileName(c.name, PathStyle::Posix), c.posix) << c.name.toStdString();
    }
}

TEST(PathParts, FolderNameAndInitialFolderByStyle)
{
    struct Case {
        PathStyle style;
        QString name, folder, file;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        EXPECT_EQ(TFilenameEdit::FolderPart(c.name, c.style), c.folder) << c.name.toStdString();
        EXPECT_EQ(TFilenameEdit::NamePart(c.name, c.style), c.file) << c.name.toStdString();
    }
    const std::tuple<PathStyle, QString, QString> trims[] = {
        {PathStyle::Windows, "C:\\Films\\", "C:\\Films"},
        {PathStyle::Windows, "C:\\", "C:\\"},
        {PathStyle::Windows, "\\", "\\"},
        {PathStyle::Windows, "C:\\Films\\\\", "C:\\Films\\"},
        {PathStyle::Posix, "/films/", "/films"},
        {PathStyle::Posix, "/", "/"},
        {PathStyle::Posix, "", ""},
        {PathStyle::Posix, "/films", "/films"},
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

TEST(FileNameSet, WindowsExamples)
{
    TFilenameEdit edit;
    edit.SetFilePathStyle(PathStyle::Windows);
    struct Case {
        QString value, text, fileName;
    };
    const Case accepted[] = {
        {"C:\\Mes films\\a.avi", "\"C:\\Mes films\\a.avi\"", "C:\\Mes films\\a.avi"},
        {"C:\\Films\\", "C:\\Films\\", "C:\\Films\\"},
        {"C:\\Mes films\\", "\"C:\\Mes films\\\"", "C:\\Mes films\\"},
        {"C:\\Mes [films]\\a.avi", "\"C:\\Mes [films]\\a.avi\"", "C:\\Mes [films]\\a.avi"},
        {"\"C:\\a b.avi\"", "\"C:\\a b.avi\"", "C:\\a b.avi"},
        {"", "", ""},
    };
    for (const Case& c : accepted) {
        EXPECT_EQ(Assign(edit, c.value), "") << c.value.toStdString();
        EXPECT_EQ(edit.Text(), c.text);
        EXPECT_EQ(edit.FileName(), c.fileName);
    }
    edit.SetFileName("C:\\keep.avi");
    for (const QString value : {"C:\\Films[1]\\a.avi", "C:\\a<b.avi", "a|b", "C:\\x]"}) {
        EXPECT_EQ(Assign(edit, value), "Nom de fichier incorrect - " + value.toStdString());
        EXPECT_EQ(edit.Text(), "C:\\keep.avi");
    }
}

TEST_F(FileNames, PosixNamesWithBlanksAndTheOneRefusedCharacter)
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
    edit.SetFileName("/a b");
    edit.SetFileName("/a b");
    edit.SetFileName("\"/a b\"");
    EXPECT_EQ(changes.count(), 1);
    edit.SetFileName("");
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(edit.Text(), "");
    edit.Clear();
    EXPECT_EQ(changes.count(), 2);
}

} // namespace
} // namespace scindra
