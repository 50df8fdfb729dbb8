#include "controls/TFileDirEdit.h"

#include "rtl/Guard.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QUrl>

namespace scindra {

namespace {

QStringList LocalFiles(const QMimeData* data)
{
    QStringList names;
    if (!data)
        return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            names << url.toLocalFile();
    return names;
}

bool CarriesUrls(const QMimeData* data)
{
    return data && data->hasUrls();
}

} // namespace

TFileDirEdit::TFileDirEdit(QWidget* parent) : TCustomComboEdit(parent)
{
    SetCreating(true);
    SetGlyphKind(gkDefault);
    SetCreating(false);
}

QPixmap TFileDirEdit::DefaultButtonPicture()
{
    // Read once; a QImage may outlive the application object, a QPixmap may not.
    static const QImage picture(QStringLiteral(":/scindra/feditbmp.xpm"));
    return QPixmap::fromImage(picture);
}

QPixmap TFileDirEdit::DefaultGlyph() const
{
    return DefaultButtonPicture();
}

void TFileDirEdit::SetAcceptFiles(bool accept)
{
    acceptFiles_ = accept;
}

void TFileDirEdit::TakeDroppedNames(const QStringList& names)
{
    if (names.isEmpty())
        return;
    ClearNameList();
    for (const QString& name : names) {
        TakeDroppedName(name);
        if (!multipleDirs_)
            break;
    }
    emit DropFiles();
}

void TFileDirEdit::BeforeDialog(QString& name, bool& action)
{
    if (const TExecOpenDialogEvent handler = OnBeforeDialog)
        handler(this, name, action);
}

void TFileDirEdit::AfterDialog(QString& name, bool& action)
{
    if (const TExecOpenDialogEvent handler = OnAfterDialog)
        handler(this, name, action);
}

void TFileDirEdit::FocusAfterDialog()
{
    if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible())
        setFocus(Qt::OtherFocusReason);
}

// Dragged file names are taken only with AcceptFiles; without it they are
// refused rather than pasted as text. Plain text drags keep the edit's own
// handling (which already refuses them when the edit is read-only).
void TFileDirEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (!AnswerFileDrag(event))
        TCustomComboEdit::dragEnterEvent(event);
}

void TFileDirEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (!AnswerFileDrag(event))
        TCustomComboEdit::dragMoveEvent(event);
}

// Answers a drag of file names (entering or moving); false for any other drag.
bool TFileDirEdit::AnswerFileDrag(QDragMoveEvent* event) const
{
    if (!CarriesUrls(event->mimeData()))
        return false;
    if (acceptFiles_ && !LocalFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
    return true;
}

void TFileDirEdit::dropEvent(QDropEvent* event)
{
    if (!CarriesUrls(event->mimeData()))
        return TCustomComboEdit::dropEvent(event);
    if (!acceptFiles_) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QStringList names = LocalFiles(event->mimeData());
    Guard([this, &names] { TakeDroppedNames(names); });
}

} // namespace scindra
