// The browse sequence of the file-name edit, with a dialog that answers, and
// names dropped on it.
#include "EditTestSupport.h"
#include "controls/TFilenameEdit.h"
#include "platform/AnsweringFileDialog.h"

#include <QApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>

namespace scindra {
namespace {

class Browse : public EditTest {
protected:
    AnsweringFileDialog dialog_;
};

TEST_F(Browse, ButtonClickRunsBeforeTheDialogAndCancelChangesNothing)
{
    TFilenameEdit edit;
    edit.SetFileName("/a/b.avi");
    edit.SetInitialDir("/init");
    edit.SetFilterIndex(2);
    QSignalSpy changes(&edit, &TFilenameEdit::Change);
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
    EXPECT_EQ(edit.Text(), "/a/b.avi");
    EXPECT_EQ(edit.InitialDir(), "/init");  // "/a" does not exist
    EXPECT_EQ(edit.FilterIndex(), 2);
    EXPECT_EQ(changes.count(), 0);

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

// An invalid text presets nothing; the dialog's answer is written unchecked.
TEST_F(Browse, WindowsStyleTextAndAnswer)
{
    TFilenameEdit edit;
    edit.SetFilePathStyle(PathStyle::Windows);
    edit.SetInitialDir("C:\\Films\\");
    EXPECT_EQ(edit.InitialDir(), "C:\\Films");
    edit.SetFilter("A|*.a|B|*.b|C|*.c");
    edit.SetText("C:\\a[1]\\b.avi");
    dialog_.Respond = [](const FileDialogSettings&) {
        return FileDialogAnswer{{"C:\\Films[1]\\a b.avi"}, 3, false};
    };
    QSignalSpy changes(&edit, &TFilenameEdit::Change);
    edit.DoClick();
    EXPECT_EQ(dialog_.Runs.back().FileName, "");
    EXPECT_EQ(dialog_.Runs.back().InitialDir, "C:\\Films");
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

// Sends a drag entering and a drop of these local files; returns whether the
// drag was accepted.
bool Drop(QWidget& target, const QStringList& files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return enter.isAccepted();
}

TEST_F(EditTest, DropsAreTakenWithAcceptFilesAndGatheredWithMultiSelect)
{
    TFilenameEdit edit;
    QSignalSpy drops(&edit, &TFilenameEdit::DropFiles);
    EXPECT_FALSE(Drop(edit, {"/tmp/a b.avi"}));
    EXPECT_EQ(edit.Text(), "");
    EXPECT_EQ(drops.count(), 0);

    edit.SetAcceptFiles(true);
    EXPECT_TRUE(Drop(edit, {"/tmp/a b.avi", "/tmp/c.avi"}));
    EXPECT_EQ(edit.Text(), "\"/tmp/a b.avi\"");
    EXPECT_TRUE(edit.DialogFiles().isEmpty());
    EXPECT_EQ(drops.count(), 1);

    // With multi-select every name is gathered, but only the first is checked.
    edit.SetFilePathStyle(PathStyle::Windows);
    edit.SetDialogOptions(ofHideReadOnly | ofAllowMultiSelect);
    EXPECT_TRUE(edit.MultipleDirs());
    Drop(edit, {"/tmp/c.avi", "/tmp/bad[1].avi", "/tmp/e.avi"});
    EXPECT_EQ(edit.Text(), "/tmp/c.avi");
    EXPECT_EQ(edit.DialogFiles(), (QStringList{"/tmp/c.avi", "/tmp/bad[1].avi", "/tmp/e.avi"}));
    EXPECT_EQ(drops.count(), 2);
    edit.TakeDroppedNames({});
    EXPECT_EQ(drops.count(), 2);
    EXPECT_TRUE(errors_.empty());

    // An invalid first name is reported and the earlier name stays.
    Drop(edit, {"/tmp/bad[2].avi"});
    EXPECT_EQ(errors_, std::vector<std::string>{"Nom de fichier incorrect - /tmp/bad[2].avi"});
    EXPECT_EQ(edit.Text(), "/tmp/c.avi");
    EXPECT_EQ(drops.count(), 2);

    edit.TakeDroppedNames({"/x", "/y"});
    edit.SetDialogOptions(ofHideReadOnly);
    EXPECT_FALSE(edit.MultipleDirs());
    EXPECT_TRUE(edit.DialogFiles().isEmpty());
}

} // namespace
} // namespace scindra
