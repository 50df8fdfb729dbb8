#include "DirTestSupport.h"

#include "controls/TDirectoryListBox.h"
#include "controls/TDriveComboBox.h"
#include "controls/TFileListBox.h"
#include "controls/TPathLabel.h"
#include "controls/TSelectDirDlg.h"
#include "platform/MountedVolumes.h"
#include "rtl/Exception.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QPushButton>

namespace scindra {
namespace {

TEST(TSelectDirDlgLayout, PlacesTabOrderAndButtonsWithoutHelp)
{
    TSelectDirDlg dialog;
    EXPECT_EQ(dialog.size(), QSize(424, 255));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Sélection du répertoire"));
    EXPECT_EQ(dialog.DirEdit()->geometry(), QRect(8, 24, 313, 20));
    EXPECT_EQ(dialog.DirLabel()->geometry(), QRect(8, 24, 313, 20));
    EXPECT_EQ(dialog.DirList()->geometry(), QRect(8, 72, 213, 138));
    EXPECT_EQ(dialog.FileList()->geometry(), QRect(232, 72, 185, 93));
    EXPECT_EQ(dialog.DriveList()->geometry(), QRect(232, 192, 185, 19));
    EXPECT_EQ(dialog.OKButton()->geometry(), QRect(172, 224, 77, 27));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("Annuler"));
    EXPECT_TRUE(dialog.OKButton()->isDefault());
    EXPECT_FALSE(dialog.NetButton()->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.DirEdit()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.DirLabel()->isVisibleTo(&dialog));

    // Tab order: DirList, DirEdit, DriveList, NetButton, OK, Annuler, FileList, Aide.
    const QList<QWidget*> order{dialog.DirList(),      dialog.DirEdit(),      dialog.DriveList(),
                                dialog.NetButton(),    dialog.OKButton(),     dialog.CancelButton(),
                                dialog.FileList(),     dialog.HelpButton()};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || !order.contains(next))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }

    dialog.SetHelpContext(0);
    EXPECT_FALSE(dialog.HelpButton()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.OKButton()->pos(), QPoint(256, 224));
    EXPECT_EQ(dialog.CancelButton()->pos(), QPoint(340, 224));
    dialog.SetHelpContext(12);
    EXPECT_TRUE(dialog.HelpButton()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.OKButton()->pos(), QPoint(172, 224));
    EXPECT_EQ(dialog.CancelButton()->pos(), QPoint(256, 224));

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

// Installs a runner and a question for one test and puts the defaults back.
class DialogDriver {
public:
    explicit DialogDriver(SelectDirRunner runner, CreateQuestion question = {})
    {
        SetSelectDirRunner(std::move(runner));
        SetCreateQuestion(std::move(question));
    }
    ~DialogDriver()
    {
        SetSelectDirRunner({});
        SetCreateQuestion({});
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
};

int PressOK(TSelectDirDlg& dialog)
{
    dialog.OKButton()->click();
    return dialog.result();
}

using ChooseDirectoryTest = DirectoryFixture;

TEST_F(ChooseDirectoryTest, OKGivesTheListsFolderAbsoluteWithoutTrailingSeparator)
{
    MakeFolder("Films");
    const DialogDriver driver(PressOK);
    QString folder = Path("Films/");
    EXPECT_TRUE(ChooseDirectory(folder, {}, 0));
    EXPECT_EQ(folder, Path("Films"));

    folder = QStringLiteral("/");
    ASSERT_TRUE(QDir::setCurrent(Path("Films")));
    EXPECT_TRUE(ChooseDirectory(folder, {}, 0));
    EXPECT_EQ(folder, Path("Films"));
}

TEST_F(ChooseDirectoryTest, ChoosingTheRootKeepsItsSeparator)
{
    const DialogDriver driver([](TSelectDirDlg& dialog) {
        dialog.DirList()->OpenItem(dialog.DirList()->item(0));
        return PressOK(dialog);
    });
    QString folder = root_;
    EXPECT_TRUE(ChooseDirectory(folder, {}, 0));
    EXPECT_EQ(folder, QStringLiteral("/"));
}

TEST_F(ChooseDirectoryTest, AnnulerLeavesTheFolder)
{
    MakeFolder("Films/Vacances");
    const DialogDriver driver([](TSelectDirDlg& dialog) {
        dialog.DirList()->OpenItem(dialog.DirList()->findItems("Vacances", Qt::MatchExactly).value(0));
        dialog.CancelButton()->click();
        return dialog.result();
    });
    QString folder = Path("Films");
    EXPECT_FALSE(ChooseDirectory(folder, {}, 0));
    EXPECT_EQ(folder, Path("Films"));
}

TEST_F(ChooseDirectoryTest, CreateModeAsksThenCreatesNestedFolders)
{
    const QString wanted = Path("neuf/a/b/");
    QStringList questions;
    int refusals = 1;
    const DialogDriver driver(
        [&](TSelectDirDlg& dialog) {
            EXPECT_TRUE(dialog.DirEdit()->isVisibleTo(&dialog));
            dialog.DirEdit()->setText(wanted);
            EXPECT_NE(PressOK(dialog), QDialog::Accepted);  // "No" keeps the dialog open
            return PressOK(dialog);
        },
        [&](QWidget*, const QString& question) {
            questions << question;
            return refusals-- <= 0;
        });
    QString folder = root_;
    EXPECT_TRUE(ChooseDirectory(folder, sdAllowCreate | sdPerformCreate | sdPrompt, 0));
    EXPECT_EQ(folder, wanted);
    EXPECT_TRUE(QFileInfo(Path("neuf/a/b")).isDir());
    EXPECT_EQ(questions, QStringList(2, QStringLiteral("Le répertoire spécifié n'existe pas. Création ?")));
}

TEST_F(ChooseDirectoryTest, CreateModeAsksNothingForAnExistingFolderOrWithoutPrompt)
{
    MakeFolder("existe");
    int asked = 0;
    QString typed;
    const DialogDriver driver(
        [&](TSelectDirDlg& dialog) {
            dialog.DirEdit()->setText(typed);
            return PressOK(dialog);
        },
        [&](QWidget*, const QString&) { return ++asked, true; });

    typed = Path("existe");
    QString folder = root_;
    EXPECT_TRUE(ChooseDirectory(folder, sdAllowCreate | sdPrompt, 0));
    EXPECT_EQ(folder, typed);

    typed = Path("absent");  // no prompt, no creation: the name comes back as typed
    EXPECT_TRUE(ChooseDirectory(folder, sdAllowCreate, 0));
    EXPECT_EQ(folder, typed);
    EXPECT_FALSE(QFileInfo::exists(typed));
    EXPECT_EQ(asked, 0);
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

} // namespace
} // namespace scindra

namespace scindra {
namespace {

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
