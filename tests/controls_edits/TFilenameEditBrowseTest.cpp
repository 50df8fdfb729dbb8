// The browse sequence of the file-name edit, with a dialog that answers.
#include "QtPrinters.h"
#include "controls/TFilenameEdit.h"
#include "platform/AnsweringFileDialog.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

namespace scindra {
namespace {

class Browse : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("Mes films"));
        QFile file(Path("Mes films/b.avi"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        previousReporter_ = SetErrorReporter([this](const std::exception& e) { errors_.push_back(e.what()); });
    }
    void TearDown() override { SetErrorReporter(previousReporter_); }

    QString Path(const QString& relative) const { return dir_.filePath(relative); }

    QTemporaryDir dir_;
    AnsweringFileDialog dialog_;
    std::vector<std::string> errors_;
    ErrorReporter previousReporter_;
};

TEST_F(Browse, ButtonClickRunsBeforeTheDialogAlsoWhenCancelled)
{
    TFilenameEdit edit;
    std::vector<std::string> order;
    QObject::connect(&edit, &TFilenameEdit::ButtonClick, [&] { order.push_back("click"); });
    edit.OnBeforeDialog = [&](QObject* sender, QString&, bool&) {
        EXPECT_EQ(sender, &edit);
        order.push_back("before");
    };
    edit.OnAfterDialog = [&](QObject*, QString&, bool& action) {
        order.push_back(action ? "after ok" : "after cancel");
    };
    dialog_.Respond = [&](const FileDialogSettings&) {
        order.push_back("dialog");
        return std::nullopt;
    };
    edit.DoClick();
    dialog_.AnswerWith({Path("x")});
    edit.DoClick();
    EXPECT_EQ(order, (std::vector<std::string>{"click", "before", "dialog", "after cancel", "click", "before",
                                               "after ok"}));
    EXPECT_EQ(dialog_.Runs.size(), 2u);
    EXPECT_EQ(dialog_.Parents[0], &edit);
}

TEST_F(Browse, SettingsReachTheDialog)
{
    TFilenameEdit edit;
    EXPECT_EQ(edit.DialogTitle(), "Browse");
    EXPECT_EQ(edit.Filter(), "All files (*.*)|*.*");
    EXPECT_EQ(edit.FilterIndex(), 1);
    EXPECT_EQ(edit.DialogOptions(), TOpenOptions(ofHideReadOnly));
    edit.SetDialogTitle("Ouvrir...");
    edit.SetFilter("Fichier (*.001)|*.001");
    edit.SetFilterIndex(0);
    edit.SetDefaultExt("*.*");
    edit.SetDialogKind(dkSave);
    edit.DoClick();
    ASSERT_EQ(dialog_.Runs.size(), 1u);
    const FileDialogSettings& shown = dialog_.Runs[0];
    EXPECT_EQ(shown.Title, "Ouvrir...");
    EXPECT_EQ(shown.Filter, "Fichier (*.001)|*.001");
    EXPECT_EQ(shown.FilterIndex, 0);
    EXPECT_EQ(shown.DefaultExt, "*.*");
    EXPECT_EQ(shown.Kind, dkSave);
}

TEST_F(Browse, InitialFolderAndPresetName)
{
    TFilenameEdit edit;
    edit.SetInitialDir(Path("start/"));
    EXPECT_EQ(edit.InitialDir(), Path("start"));

    // Current text in an existing folder: the dialog opens there with the name.
    const QString existing = Path("Mes films/b.avi");
    edit.SetFileName(existing);
    dialog_.AnswerWith({Path("chosen/c d.avi")});
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().InitialDir, Path("Mes films"));
    EXPECT_EQ(dialog_.Runs.back().FileName, existing);
    // Confirmed: the text is the chosen name, the next folder is its folder.
    EXPECT_EQ(edit.Text(), "\"" + Path("chosen/c d.avi") + "\"");
    EXPECT_EQ(edit.InitialDir(), Path("chosen"));

    // A folder that does not exist keeps the initial folder.
    edit.SetFileName(Path("nowhere/e.avi"));
    dialog_.Cancel();
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().InitialDir, Path("chosen"));
    EXPECT_EQ(dialog_.Runs.back().FileName, Path("nowhere/e.avi"));

    // A name without a file part presets no name.
    edit.SetFileName(Path("Mes films") + "/");
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().InitialDir, Path("Mes films"));
    EXPECT_EQ(dialog_.Runs.back().FileName, "");

    // An empty text changes nothing: the dialog shows its previous name.
    edit.SetFileName(Path("Mes films/b.avi"));
    edit.DoClick();
    edit.Clear();
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().FileName, Path("Mes films/b.avi"));
}

TEST_F(Browse, WindowsStyleInitialFolderRules)
{
    TFilenameEdit edit;
    edit.SetFilePathStyle(PathStyle::Windows);
    edit.SetInitialDir("C:\\Films\\");
    EXPECT_EQ(edit.InitialDir(), "C:\\Films");
    edit.SetInitialDir("C:\\");
    EXPECT_EQ(edit.InitialDir(), "C:\\");
    // An invalid text presets nothing.
    edit.SetText("C:\\a[1]\\b.avi");
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().FileName, "");
    EXPECT_EQ(dialog_.Runs.back().InitialDir, "C:\\");
}

TEST_F(Browse, CancelChangesNothing)
{
    TFilenameEdit edit;
    edit.SetFileName("/a/b.avi");
    edit.SetInitialDir("/init");
    edit.SetFilterIndex(2);
    QSignalSpy changes(&edit, &TFilenameEdit::Change);
    dialog_.Respond = [](const FileDialogSettings&) { return std::nullopt; };
    edit.DoClick();
    EXPECT_EQ(edit.Text(), "/a/b.avi");
    EXPECT_EQ(edit.InitialDir(), "/init");  // "/a" does not exist
    EXPECT_EQ(edit.FilterIndex(), 2);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(Browse, ConfirmedAnswerUpdatesFilterIndexAndIsWrittenWithoutValidation)
{
    TFilenameEdit edit;
    edit.SetFilePathStyle(PathStyle::Windows);
    edit.SetFilter("A|*.a|B|*.b|C|*.c");
    dialog_.Respond = [](const FileDialogSettings&) {
        return FileDialogAnswer{{"C:\\Films[1]\\a b.avi"}, 3, false};
    };
    QSignalSpy changes(&edit, &TFilenameEdit::Change);
    edit.DoClick();
    EXPECT_EQ(edit.Text(), "\"C:\\Films[1]\\a b.avi\"");
    EXPECT_EQ(edit.FilterIndex(), 3);
    EXPECT_EQ(edit.InitialDir(), "C:\\Films[1]");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(Browse, HooksMayChangeTheNameOrCancel)
{
    TFilenameEdit edit;
    edit.SetFileName("/old");
    edit.OnBeforeDialog = [](QObject*, QString& name, bool& action) { action = name != "/stop"; };
    edit.OnAfterDialog = [](QObject*, QString& name, bool&) { name += ".x"; };
    dialog_.AnswerWith({"/new"});
    edit.DoClick();
    EXPECT_EQ(edit.Text(), "/new.x");

    edit.SetText("/stop");
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.size(), 1u);

    // An after-hook may cancel a confirmed choice: the text stays.
    edit.SetText("/old");
    edit.OnAfterDialog = [](QObject*, QString&, bool& action) { action = false; };
    edit.DoClick();
    EXPECT_EQ(edit.Text(), "/old");
    EXPECT_EQ(dialog_.Runs.size(), 2u);
}

TEST_F(Browse, ReadOnlyEditIgnoresItsButton)
{
    TFilenameEdit edit;
    edit.SetReadOnly(true);
    QSignalSpy clicks(&edit, &TFilenameEdit::ButtonClick);
    edit.DoClick();
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(dialog_.Runs.empty());
}

TEST_F(Browse, ButtonTakesTheFocusBeforeTheClickAndTheDialog)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* other = new QLineEdit(&window);
    auto* edit = new TFilenameEdit(&window);
    layout->addWidget(other);
    layout->addWidget(edit);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());

    bool focusedAtClick = false;
    bool focusedAtDialog = false;
    QObject::connect(edit, &TFilenameEdit::ButtonClick, [&] { focusedAtClick = edit->hasFocus(); });
    dialog_.Respond = [&](const FileDialogSettings&) {
        focusedAtDialog = edit->hasFocus();
        return std::nullopt;
    };
    QTest::mouseClick(edit->Button(), Qt::LeftButton);
    EXPECT_TRUE(focusedAtClick);
    EXPECT_TRUE(focusedAtDialog);

    // Started from the keyboard elsewhere, the edit still ends focused.
    other->setFocus();
    edit->DoClick();
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(Browse, AltDownOpensTheDialogLikeAClick)
{
    TFilenameEdit edit;
    QSignalSpy clicks(&edit, &TFilenameEdit::ButtonClick);
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(dialog_.Runs.size(), 1u);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(Browse, MultiSelectGathersDroppedNames)
{
    TFilenameEdit edit;
    edit.SetAcceptFiles(true);
    QSignalSpy drops(&edit, &TFilenameEdit::DropFiles);
    edit.TakeDroppedNames({"/a", "/b"});
    EXPECT_EQ(edit.Text(), "/a");
    EXPECT_TRUE(edit.DialogFiles().isEmpty());

    edit.SetDialogOptions(ofHideReadOnly | ofAllowMultiSelect);
    EXPECT_TRUE(edit.MultipleDirs());
    edit.TakeDroppedNames({"/c", "/d", "/e"});
    EXPECT_EQ(edit.Text(), "/c");
    EXPECT_EQ(edit.DialogFiles(), (QStringList{"/c", "/d", "/e"}));
    EXPECT_EQ(drops.count(), 2);

    edit.TakeDroppedNames({});
    EXPECT_EQ(drops.count(), 2);

    edit.SetDialogOptions(ofHideReadOnly);
    EXPECT_FALSE(edit.MultipleDirs());
    EXPECT_TRUE(edit.DialogFiles().isEmpty());
}

} // namespace
} // namespace scindra
