// The file dialog layer: filter conversion, the run that stores a confirmed
// answer, the test factory, and the toolkit dialog driven for real.
#include "platform/AnsweringFileDialog.h"
#include "platform/FileDialog.h"
#include "platform/QtFileDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <ostream>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

TEST(QtFileDialogFilters, PairsBecomeToolkitNameFilters)
{
    struct Case {
        QString filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"Tous(*.*)|*.*|Fichiers (*.Avi)|*.Avi|Fichiers (*.Mpg)|*.Mpg",
         {"Tous(*.*) (*)", "Fichiers (*.Avi) (*.Avi)", "Fichiers (*.Mpg) (*.Mpg)"}},
        {"Fichier (*.001)|*.001", {"Fichier (*.001) (*.001)"}},
        {"Images|*.gif;*.BMP; *.*", {"Images (*.gif *.BMP *)"}},
        {"Sans motif|", {"Sans motif (*)"}},
        {"Seule description", {}},
        {"", {}},
        {"A|*.a|B", {"A (*.a)"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtFileDialog::NameFilters(c.filter), c.expected) << c.filter.toStdString();
}

// A filter index counts from 1; a default extension with a wildcard is none.
TEST(QtFileDialogFilters, InitialFilterAndDefaultSuffix)
{
    const int indexes[][3] = {{0, 3, 0}, {1, 3, 0}, {3, 3, 2}, {4, 3, 0}, {-1, 3, 0}, {2, 2, 1}};
    for (const auto& [index, count, chosen] : indexes)
        EXPECT_EQ(QtFileDialog::InitialFilter(index, count), chosen) << index;
    const std::pair<QString, QString> exts[] = {
        {"*.*", ""}, {"*", ""}, {"a?c", ""}, {"avi", "avi"}, {".avi", "avi"}, {"", ""}};
    for (const auto& [ext, suffix] : exts)
        EXPECT_EQ(QtFileDialog::DefaultSuffix(ext), suffix) << ext.toStdString();
}

TEST(RunFileDialog, ConfirmedAnswerIsStoredAndCancelChangesNothing)
{
    AnsweringFileDialog dialog;
    FileDialogSettings settings;
    settings.FileName = "/old/name";
    settings.Files = QStringList{"/old/name"};
    settings.FilterIndex = 2;

    EXPECT_FALSE(RunFileDialog(settings, nullptr));
    EXPECT_EQ(settings.FileName, "/old/name");
    EXPECT_EQ(settings.Files, QStringList{"/old/name"});
    EXPECT_EQ(settings.FilterIndex, 2);

    dialog.Respond = [](const FileDialogSettings&) {
        return FileDialogAnswer{{"/new/a", "/new/b"}, 3, true};
    };
    EXPECT_TRUE(RunFileDialog(settings, nullptr));
    EXPECT_EQ(settings.FileName, "/new/a");
    EXPECT_EQ(settings.Files, (QStringList{"/new/a", "/new/b"}));
    EXPECT_EQ(settings.FilterIndex, 3);
    EXPECT_TRUE(settings.Options.testFlag(ofReadOnly));
    ASSERT_EQ(dialog.Runs.size(), 2u);
    EXPECT_EQ(dialog.Runs[1].FileName, "/old/name");  // shown with the settings before the answer

    // An answer without any name is no confirmation.
    dialog.Respond = [](const FileDialogSettings&) { return FileDialogAnswer{}; };
    EXPECT_FALSE(RunFileDialog(settings, nullptr));
    EXPECT_EQ(settings.FileName, "/new/a");
}

TEST(RunFileDialog, ScopedFactoriesNestAndRestore)
{
    std::vector<int> seen;
    {
        AnsweringFileDialog outer;
        outer.Respond = [&](const FileDialogSettings&) { seen.push_back(1); return std::nullopt; };
        {
            AnsweringFileDialog inner;
            inner.Respond = [&](const FileDialogSettings&) { seen.push_back(2); return std::nullopt; };
            FileDialogSettings settings;
            RunFileDialog(settings, nullptr);
        }
        FileDialogSettings settings;
        RunFileDialog(settings, nullptr);
    }
    EXPECT_EQ(seen, (std::vector<int>{2, 1}));
    EXPECT_NE(dynamic_cast<QtFileDialog*>(CreateFileDialog().get()), nullptr);
}

// Runs the toolkit's dialog; `drive` acts on it once it is up.
std::optional<FileDialogAnswer> RunToolkitDialog(const FileDialogSettings& settings,
                                                 const std::function<void(QFileDialog&)>& drive)
{
    bool driven = false;
    std::function<void()> poll;
    poll = [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            driven = true;
            drive(*dialog);
            return;
        }
        QTimer::singleShot(10, poll);
    };
    QTimer::singleShot(0, poll);
    auto answer = QtFileDialog().Execute(settings, nullptr);
    EXPECT_TRUE(driven);
    return answer;
}

// The names a dialog lists in its folder view once the folder is read.
QStringList ListedNames(QFileDialog& dialog, int expectedCount)
{
    auto* view = dialog.findChild<QListView*>("listView");
    if (!view)
        return {};
    const bool loaded =
        QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == expectedCount; }, 10000);
    EXPECT_TRUE(loaded);
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names << view->model()->index(row, 0, view->rootIndex()).data().toString();
    names.sort();
    return names;
}

TEST(QtFileDialogRun, OpenAcceptsANameThatDoesNotExistYetAndPatternsIgnoreLetterCase)
{
    QTemporaryDir dir;
    for (const char* name : {"clip.avi", "CLIP2.AVI", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    FileDialogSettings settings;
    settings.Title = "Ouvrir...";
    settings.Filter = "Tous(*.*)|*.*|Fichier (*.Avi)|*.Avi";
    settings.FilterIndex = 0;
    settings.InitialDir = dir.path();
    settings.FileName = dir.filePath("nouveau.avi");
    settings.Options = ofHideReadOnly | ofReadOnly;

    const auto answer = RunToolkitDialog(settings, [&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Ouvrir...");
        EXPECT_EQ(dialog.selectedNameFilter(), "Tous(*.*)");
        dialog.selectNameFilter("Fichier (*.Avi) (*.Avi)");
        EXPECT_EQ(dialog.selectedNameFilter(), "Fichier (*.Avi)");
        EXPECT_EQ(ListedNames(dialog, 2), (QStringList{"CLIP2.AVI", "clip.avi"}));
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->Files, QStringList{dir.filePath("nouveau.avi")});
    EXPECT_EQ(answer->FilterIndex, 2);
    EXPECT_TRUE(answer->ReadOnly);  // the hidden box keeps its state
}

TEST(QtFileDialogRun, ModesFollowKindAndOptions)
{
    struct Case {
        TFileDialogKind kind;
        TOpenOptions options;
        QFileDialog::AcceptMode accept;
        QFileDialog::FileMode mode;
        bool confirmsOverwrite;
    };
    const Case cases[] = {
        {dkOpen, ofFileMustExist, QFileDialog::AcceptOpen, QFileDialog::ExistingFile, false},
        {dkOpenPicture, ofHideReadOnly, QFileDialog::AcceptOpen, QFileDialog::AnyFile, false},
        {dkOpen, ofAllowMultiSelect, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles, false},
        {dkSave, ofHideReadOnly, QFileDialog::AcceptSave, QFileDialog::AnyFile, false},
        {dkSave, ofOverwritePrompt, QFileDialog::AcceptSave, QFileDialog::AnyFile, true},
        {dkSavePicture, ofFileMustExist, QFileDialog::AcceptSave, QFileDialog::AnyFile, false},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        FileDialogSettings settings;
        settings.Kind = c.kind;
        settings.Options = c.options;
        settings.InitialDir = dir.path();
        settings.FilterIndex = 7;  // out of range: the first pair
        const auto answer = RunToolkitDialog(settings, [&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.acceptMode(), c.accept);
            EXPECT_EQ(dialog.fileMode(), c.mode);
            EXPECT_EQ(!dialog.testOption(QFileDialog::DontConfirmOverwrite), c.confirmsOverwrite);
            EXPECT_EQ(dialog.selectedNameFilter(), "All files (*.*)");
            dialog.reject();
        });
        EXPECT_FALSE(answer.has_value());
    }
}

TEST(QtFileDialogRun, DefaultExtensionIsAppendedUnlessItHoldsAWildcard)
{
    QTemporaryDir dir;
    for (const auto& [ext, expected] : {std::pair<QString, QString>{"avi", "film.avi"}, {"*.*", "film"}}) {
        FileDialogSettings settings;
        settings.Kind = dkSave;
        settings.InitialDir = dir.path();
        settings.DefaultExt = ext;
        settings.FileName = dir.filePath("film");
        const auto answer = RunToolkitDialog(settings, [](QFileDialog& dialog) { static_cast<QDialog&>(dialog).accept(); });
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(answer->Files, QStringList{dir.filePath(expected)});
    }
}

} // namespace
} // namespace scindra
