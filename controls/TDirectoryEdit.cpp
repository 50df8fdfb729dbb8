#include "controls/TDirectoryEdit.h"

#include "controls/TBrowseFolderDlg.h"
#include "engine/engine.h"
#include "platform/ErrorModeFrame.h"

#include <QFileInfo>
#include <QStringList>

namespace scindra {

namespace {

const QString kRoot = QStringLiteral("/");
const QChar kListSeparator(';');

bool IsDirectory(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

TDirectoryEdit::TDirectoryEdit(QWidget* parent) : TFileDirEdit(parent) {}

void TDirectoryEdit::ButtonPressed()
{
    TFileDirEdit::ButtonPressed();

    QString folder = Text();
    bool action = true;
    BeforeDialog(folder, action);
    if (!action)
        return;
    if (folder.isEmpty())
        folder = initialDir_.isEmpty() ? kRoot : initialDir_;
    // The root stands for "wherever the process is": the dialog opens at the
    // current directory.
    if (!IsDirectory(folder))
        folder = kRoot;

    {
        [[maybe_unused]] ErrorModeFrame frame;
        action = dialogKind_ == dkShellBrowser ? BrowseForFolder(folder, dialogText_, helpContext_)
                                               : ChooseDirectory(folder, dialogOptions_, helpContext_);
    }
    FocusAfterDialog();
    AfterDialog(folder, action);
    if (!action)
        return;

    // The selected part goes first, so a wholly selected text is emptied
    // (one change) before the folder is written (another).
    if (hasSelectedText()) {
        QString rest = Text();
        rest.remove(selectionStart(), selectionLength());
        SetText(rest);
    }
    if (Text().isEmpty() || !MultipleDirs())
        SetText(folder);
    else
        SetText(Text() + kListSeparator + folder);
    if (IsDirectory(folder))
        initialDir_ = folder;
}

void TDirectoryEdit::TakeDroppedName(const QString& name)
{
    const QFileInfo info(name);
    const QString value =
        info.exists() && !info.isDir() ? QString::fromStdString(DossierDe(name.toStdString())) : name;
    if (MultipleDirs() && !Text().isEmpty())
        SetText(Text() + kListSeparator + value);
    else
        SetText(value);
}

QString TDirectoryEdit::LongFormName() const
{
    if (!MultipleDirs())
        return Text();
    QStringList parts;
    for (const QString& part : Text().split(kListSeparator))
        if (!part.isEmpty())
            parts.append(part);
    return parts.join(kListSeparator);
}

QString TDirectoryEdit::ShortFormName() const
{
    return LongFormName();
}

} // namespace scindra
