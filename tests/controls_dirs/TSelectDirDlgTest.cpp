#include "DirTestSupport.h"

#include "controls/TDriveComboBox.h"
#include "controls/TFileListBox.h"
#include "controls/TPathLabel.h"
#include "platform/MountedVolumes.h"
#include "rtl/Exception.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace scindra {
namespace {

TEST(TSelectDirDlgLayout, TabOrderAndButtonsMoveWithoutHelp)
{
    TSelectDirDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sélection du répertoire"));
    EXPECT_EQ(dialog.DirLabel()->geometry(), dialog.DirEdit()->geometry());
    EXPECT_TRUE(dialog.OKButton()->isDefault());
    EXPECT_FALSE(dialog.NetButton()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.DirEdit()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.DirLabel()->isVisibleTo(&dialog));

    const QList<QWidget*> order{dialog.DirList(),   dialog.DirEdit(),  dialog.DriveList(),
                                dialog.NetButton(), dialog.OKButton(), dialog.CancelButton(),
                                dialog.FileList(),  dialog.HelpButton()};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !order.contains(next))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }

    // Without help, OK and Annuler move right into the place of "Aide".
    for (int context : {0, 12, 0, 12}) {
        dialog.SetHelpContext(context);
        const int shift = context == 0 ? 84 : 0;
        EXPECT_EQ(dialog.HelpButton()->isVisibleTo(&dialog), context != 0);
        EXPECT_EQ(dialog.OKButton()->pos(), QPoint(172 + shift, 224)) << context;
        EXPECT_EQ(dialog.CancelButton()->pos(), QPoint(256 + shift, 224)) << context;
    }

    dialog.SetAllowCreate(true);
    EXPECT_TRUE(dialog.DirEdit()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.DirLabel()->isVisibleTo(&dialog));
}

using StartFolderTest = DirectoryFixture;

TEST_F(StartFolderTest, FolderTextsOpenAtThemselvesOthersAtTheCurrentDirectory)
{
    MakeFolder("Films/Vacances");
    MakeFolder("ailleurs");
    MakeFile("Films/clip.avi");
    struct Row {
        QString start;
        QString opens;
    };
    const QString current = Path("ailleurs");
    const Row rows[] = {
        {Path("Films"), Path("Films")},
        {Path("Films/"), Path("Films")},                 // trailing separator
        {Path("Films/Vacances/../"), Path("Films")},     // made absolute and clean
        {QStringLiteral("Vacances"), current},           // relative to the current directory: absent there
        {QStringLiteral("../Films"), Path("Films")},     // relative and present
        {QStringLiteral("/"), current},                  // the root opens where the process is
        {Path("Films/clip.avi"), current},               // a file
        {Path("absent"), current},                       // a missing folder
        {Path("absent/"), current},
        {QString(), current},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(QDir::setCurrent(current));
        TSelectDirDlg dialog;
        dialog.SetStartFolder(row.start);
        EXPECT_EQ(dialog.DirList()->Directory(), row.opens) << row.start.toStdString();
        EXPECT_EQ(dialog.DirLabel()->Text(), row.opens);
        EXPECT_EQ(dialog.DirEdit()->text(), row.opens);
        EXPECT_EQ(dialog.DirEdit()->selectedText(), row.opens);
        EXPECT_EQ(dialog.FileList()->Directory(), row.opens);
        EXPECT_EQ(dialog.DriveList()->Drive(), VolumeRootOf(row.opens));
    }
}

// The dialog moves the process and never moves it back, so the folder the
// process is in may be deleted before the next dialog opens.
TEST_F(StartFolderTest, DeletedCurrentFolderOpensAtItsNearestExistingParent)
{
    // The folder removed with everything in it, and where the dialog opens.
    for (const auto& [deleted, opensIn] : {std::pair{"a/b/c", "a/b"}, std::pair{"a", ""}}) {
        for (const QString& start : {QStringLiteral("/"), QString(), QStringLiteral("relatif")}) {
            SCOPED_TRACE(testing::Message() << deleted << " from \"" << start.toStdString() << '"');
            MakeFolder("a/b/c");
            ASSERT_TRUE(QDir::setCurrent(Path("a/b/c")));
            ASSERT_TRUE(QDir(Path(deleted)).removeRecursively());
            ASSERT_EQ(QDir::currentPath(), QString());

            const QString opens = QDir::cleanPath(Path(opensIn));
            QString shown, drive;
            const ScriptedDialogs dialogs([&](TSelectDirDlg& dialog) {
                shown = dialog.DirLabel()->Text();
                drive = dialog.DriveList()->Drive();
                return PressOK(dialog);
            });
            QString chosen = start;
            EXPECT_TRUE(ChooseDirectory(chosen, {}, 0));
            EXPECT_EQ(chosen, opens);
            EXPECT_EQ(shown, opens);
            EXPECT_EQ(drive, VolumeRootOf(opens));
            EXPECT_EQ(QDir::currentPath(), opens);
        }
    }
}

TEST_F(StartFolderTest, ChoosingADriveMovesToItsRootUnlessItHoldsTheCurrentFolder)
{
    MakeFolder("Films");
    TSelectDirDlg dialog;
    dialog.SetStartFolder(Path("Films"));
    TDriveComboBox& drives = *dialog.DriveList();
    const QString holding = drives.DriveOf(Path("Films"));
    // Only the volume holding the scratch folder and the root volume are
    // entered: other mounts on the machine are none of the test's business.
    for (int index = 0; index < drives.count(); ++index) {
        const QString root = drives.Volumes()[static_cast<size_t>(index)].rootPath;
        if (root != holding && root != QStringLiteral("/"))
            continue;
        ASSERT_TRUE(QDir::setCurrent(Path("Films")));
        dialog.DirList()->ShowCurrentDirectory();
        drives.setCurrentIndex(index);
        emit drives.activated(index);
        const QString expected = root == holding ? Path("Films") : root;
        EXPECT_EQ(dialog.DirList()->Directory(), expected) << root.toStdString();
        EXPECT_EQ(drives.Drive(), drives.DriveOf(expected));
    }
}

using ChooseDirectoryTest = DirectoryFixture;

TEST_F(ChooseDirectoryTest, OKGivesTheListsFolderAbsoluteAnnulerLeavesIt)
{
    MakeFolder("Films/Vacances");
    struct Row {
        QString start;
        SelectDirRunner script;
        bool chosen;
        QString folder;
    };
    const auto intoRoot = [](TSelectDirDlg& dialog) {
        dialog.DirList()->OpenItem(dialog.DirList()->item(0));
        return PressOK(dialog);
    };
    const auto intoVacancesThenCancel = [](TSelectDirDlg& dialog) {
        Enter(dialog, QStringLiteral("Vacances"));
        return PressCancel(dialog);
    };
    const Row rows[] = {
        {Path("Films/"), PressOK, true, Path("Films")},        // no trailing separator
        {QStringLiteral("/"), PressOK, true, Path("Films")},   // the root opens at the current directory
        {root_, intoRoot, true, QStringLiteral("/")},           // the root keeps its separator
        {Path("Films"), intoVacancesThenCancel, false, Path("Films")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.start.toStdString());
        ASSERT_TRUE(QDir::setCurrent(Path("Films")));
        const ScriptedDialogs driver(row.script);
        QString folder = row.start;
        EXPECT_EQ(ChooseDirectory(folder, {}, 0), row.chosen);
        EXPECT_EQ(folder, row.folder);
    }
}

TEST_F(ChooseDirectoryTest, CreateModeAsksOnlyForAMissingFolderAndCreatesItWhenTold)
{
    MakeFolder("existe");
    struct Row {
        QString typed;
        TSelectDirOpts options;
        int questions;
        bool isDirAfter;
    };
    const Row rows[] = {
        {Path("neuf/a/b/"), sdAllowCreate | sdPerformCreate | sdPrompt, 2, true},  // "No" first, then "Yes"
        {Path("existe"), sdAllowCreate | sdPrompt, 0, true},
        {Path("absent"), sdAllowCreate, 0, false},  // no prompt, no creation: the name comes back as typed
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        QStringList questions;
        const ScriptedDialogs driver(
            [&](TSelectDirDlg& dialog) {
                EXPECT_TRUE(dialog.DirEdit()->isVisibleTo(&dialog));
                dialog.DirEdit()->setText(row.typed);
                const int result = PressOK(dialog);  // a "No" keeps the dialog open for another try
                return result == QDialog::Accepted || questions.isEmpty() ? result : PressOK(dialog);
            },
            [&](QWidget*, const QString& question) { return questions << question, questions.size() > 1; });
        QString folder = root_;
        EXPECT_TRUE(ChooseDirectory(folder, row.options, 0));
        EXPECT_EQ(folder, row.typed);
        EXPECT_EQ(questions,
                  QStringList(row.questions, QStringLiteral("Le répertoire spécifié n'existe pas. Création ?")));
        EXPECT_EQ(QFileInfo(row.typed).isDir(), row.isDirAfter);
    }
}

using ForceDirectoriesTest = DirectoryFixture;

TEST_F(ForceDirectoriesTest, CreatesEveryMissingFolderOrFailsWithTheMessage)
{
    ForceDirectories(Path("x/y/z/"));
    EXPECT_TRUE(QFileInfo(Path("x/y/z")).isDir());
    ForceDirectories(Path("x/y/z"));  // already there

    ASSERT_TRUE(QDir::setCurrent(root_));
    ForceDirectories(QStringLiteral("ab"));  // a short relative name is created too
    EXPECT_TRUE(QFileInfo(Path("ab")).isDir());

    MakeFile("fichier");
    for (const QString& path : {QString(), Path("fichier"), Path("fichier/sous")}) {
        try {
            ForceDirectories(path);
            ADD_FAILURE() << path.toStdString();
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), "Impossible de créer le répertoire");
        }
    }
}

// Without a runner the dialog runs its own modal loop; answer it from inside.
TEST_F(ChooseDirectoryTest, RunsModallyAndGrabsForInspection)
{
    MakeFolder("Films/Vacances");
    MakeFile("Films/clip.avi");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TSelectDirDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll.stop();
        EXPECT_EQ(dialog->DirList()->Directory(), Path("Films"));
        if (const QByteArray out = qgetenv("SCINDRA_GRAB_DIALOG"); !out.isEmpty())
            dialog->grab().save(QString::fromLocal8Bit(out));
        QTest::keyClick(dialog->DirList(), Qt::Key_Down);
        QTest::keyClick(dialog->DirList(), Qt::Key_Return);  // into Vacances
        dialog->OKButton()->click();
    });
    poll.start(10);
    QString folder = Path("Films");
    EXPECT_TRUE(ChooseDirectory(folder, {}, 0));
    EXPECT_EQ(folder, Path("Films/Vacances"));
}

} // namespace
} // namespace scindra
