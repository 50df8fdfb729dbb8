#include "controls/TSelectDirDlg.h"

#include "controls/TDirectoryListBox.h"
#include "controls/TDriveComboBox.h"
#include "controls/TFileListBox.h"
#include "controls/TPathLabel.h"
#include "platform/CurrentDirectory.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace scindra {

namespace {

const QChar kSeparator('/');

CreateQuestion& InstalledQuestion()
{
    static CreateQuestion question;
    return question;
}

SelectDirRunner& InstalledRunner()
{
    static SelectDirRunner runner;
    return runner;
}

bool AskCreate(QWidget* parent, const QString& question)
{
    if (const CreateQuestion& installed = InstalledQuestion())
        return installed(parent, question);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"), question, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.exec();
    return box.clickedButton() == yes;
}

int RunDialog(TSelectDirDlg& dialog)
{
    if (const SelectDirRunner& runner = InstalledRunner())
        return runner(dialog);
    return dialog.exec();
}

// A label at its place; like a self-sizing label it grows to show its whole text.
QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    label->setGeometry(place.left(), place.top(), std::max(place.width(), label->sizeHint().width()), place.height());
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& place)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

} // namespace

TSelectDirDlg::TSelectDirDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sélection du répertoire"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowModality(Qt::ApplicationModal);

    dirEdit_ = new QLineEdit(this);
    dirEdit_->setGeometry(8, 24, 313, 20);
    dirEdit_->hide();
    dirLabel_ = new TPathLabel(this);
    dirLabel_->setGeometry(dirEdit_->geometry());
    dirList_ = new TDirectoryListBox(this);
    dirList_->setGeometry(8, 72, 213, 138);
    fileList_ = new TFileListBox(this);
    fileList_->setGeometry(232, 72, 185, 93);
    driveList_ = new TDriveComboBox(this);
    driveList_->setGeometry(232, 192, 185, 19);

    MakeLabel(this, QStringLiteral("&Nom de répertoire :"), dirEdit_, {8, 8, 92, 13});
    MakeLabel(this, QStringLiteral("&Répertoires :"), dirList_, {8, 56, 66, 13});
    MakeLabel(this, QStringLiteral("&Fichiers : (*.*)"), fileList_, {232, 56, 57, 13});
    MakeLabel(this, QStringLiteral("&Lecteurs :"), driveList_, {232, 176, 41, 13});

    // No legacy network-connection dialog exists here, so its button stays hidden.
    netButton_ = MakeButton(this, QStringLiteral("Ré&seau..."), {8, 224, 77, 27});
    netButton_->hide();
    okButton_ = MakeButton(this, QStringLiteral("OK"), {172, 224, 77, 27});
    okButton_->setDefault(true);
    cancelButton_ = MakeButton(this, QStringLiteral("Annuler"), {256, 224, 77, 27});
    helpButton_ = MakeButton(this, QStringLiteral("&Aide"), {340, 224, 77, 27});

    setTabOrder(dirList_, dirEdit_);
    setTabOrder(dirEdit_, driveList_);
    setTabOrder(driveList_, netButton_);
    setTabOrder(netButton_, okButton_);
    setTabOrder(okButton_, cancelButton_);
    setTabOrder(cancelButton_, fileList_);
    setTabOrder(fileList_, helpButton_);

    connect(okButton_, &QPushButton::clicked, this, Guarded([this] { accept(); }));
    connect(cancelButton_, &QPushButton::clicked, this, Guarded([this] { reject(); }));
    connect(helpButton_, &QPushButton::clicked, this, Guarded([this] { emit HelpRequested(helpContext_); }));
    connect(dirList_, &TDirectoryListBox::DirectoryChanged, this,
            Guarded([this](const QString& directory) { DirectoryChanged(directory); }));
    connect(driveList_, &TDriveComboBox::DriveChosen, this,
            Guarded([this](const QString& rootPath) { DriveChosen(rootPath); }));

    DirectoryChanged(dirList_->Directory());
    dirList_->setFocus();
}

void TSelectDirDlg::SetStartFolder(const QString& folder)
{
    if (folder.isEmpty())
        return;
    // The folder's "*.*" made absolute, then cut at its last separator: a
    // trailing separator disappears, and the root leaves nothing, which keeps
    // the current directory.
    QString pattern = folder;
    if (!pattern.endsWith(kSeparator))
        pattern += kSeparator;
    const QDir current(ExistingCurrentDirectory());
    pattern = QDir::cleanPath(current.absoluteFilePath(pattern + QStringLiteral("*.*")));
    const QString start = pattern.left(pattern.lastIndexOf(kSeparator));
    try {
        if (start.isEmpty())
            dirList_->ShowCurrentDirectory();
        else
            dirList_->SetDirectory(start);
    } catch (const Exception&) {
        dirList_->ShowCurrentDirectory();
    }
}

void TSelectDirDlg::SetAllowCreate(bool allow)
{
    allowCreate_ = allow;
    dirEdit_->setVisible(allow);
    dirLabel_->setVisible(!allow);
}

void TSelectDirDlg::SetHelpContext(int context)
{
    helpContext_ = context;
    helpButton_->setVisible(context != 0);
    okButton_->move(context != 0 ? 172 : 256, okButton_->y());
    cancelButton_->move(context != 0 ? 256 : 340, cancelButton_->y());
}

QString TSelectDirDlg::Directory() const
{
    return allowCreate_ ? dirEdit_->text() : dirLabel_->Text();
}

void TSelectDirDlg::accept()
{
    if (allowCreate_ && prompt_ && !QFileInfo(dirEdit_->text()).isDir() &&
        !AskCreate(this, QStringLiteral("Le répertoire spécifié n'existe pas. Création ?")))
        return;
    QDialog::accept();
}

void TSelectDirDlg::DirectoryChanged(const QString& directory)
{
    dirLabel_->SetText(directory);
    fileList_->SetDirectory(directory);
    dirEdit_->setText(directory);
    dirEdit_->selectAll();
    driveList_->SetDrive(directory);
}

void TSelectDirDlg::DriveChosen(const QString& rootPath)
{
    // A volume's "current directory": the folder we are in when that volume
    // holds it, else the volume's root.
    const QString current = dirList_->Directory();
    const bool holdsCurrent = driveList_->DriveOf(current) == rootPath;
    try {
        dirList_->SetDirectory(holdsCurrent ? current : rootPath);
    } catch (...) {
        driveList_->SetDrive(dirList_->Directory());
        throw;
    }
}

CreateQuestion SetCreateQuestion(CreateQuestion question)
{
    CreateQuestion previous = std::move(InstalledQuestion());
    InstalledQuestion() = std::move(question);
    return previous;
}

SelectDirRunner SetSelectDirRunner(SelectDirRunner runner)
{
    SelectDirRunner previous = std::move(InstalledRunner());
    InstalledRunner() = std::move(runner);
    return previous;
}

bool ChooseDirectory(QString& directory, TSelectDirOpts options, int helpContext)
{
    TSelectDirDlg dialog;
    dialog.SetStartFolder(directory);
    dialog.SetAllowCreate(options.testFlag(sdAllowCreate));
    dialog.SetPrompt(options.testFlag(sdPrompt));
    dialog.SetHelpContext(helpContext);
    if (RunDialog(dialog) != QDialog::Accepted)
        return false;
    directory = dialog.Directory();
    if (options.testFlag(sdPerformCreate))
        ForceDirectories(directory);
    return true;
}

void ForceDirectories(const QString& path)
{
    if (path.isEmpty())
        throw Exception("Impossible de créer le répertoire");
    QString folder = path;
    if (folder.size() > 1 && folder.endsWith(kSeparator))
        folder.chop(1);
    if (QFileInfo(folder).isDir())
        return;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !parent.isEmpty())
        ForceDirectories(parent);
    if (!QDir().mkdir(folder) && !QFileInfo(folder).isDir())
        throw Exception("Impossible de créer le répertoire");
}

} // namespace scindra
