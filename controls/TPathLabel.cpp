#include "controls/TPathLabel.h"

#include <QPainter>

#include <optional>

namespace scindra {

namespace {

QChar SeparatorOf(PathStyle style)
{
    return style == PathStyle::Windows ? QChar('\\') : QChar('/');
}

// A path seen as drive + folder part + last element.
struct PathParts {
    QString drive;   // "C:" in the Windows style, always empty in the POSIX style
    QString folder;  // everything after the drive up to and including the last separator
    QString last;    // what follows the last separator

    QString Joined() const { return drive + folder + last; }
};

PathParts Split(const QString& path, PathStyle style)
{
    PathParts parts;
    QString rest = path;
    if (style == PathStyle::Windows && rest.size() >= 2 && rest[1] == QChar(':')) {
        parts.drive = rest.left(2);
        rest = rest.mid(2);
    }
    const qsizetype lastSeparator = rest.lastIndexOf(SeparatorOf(style));
    parts.folder = rest.left(lastSeparator + 1);
    parts.last = rest.mid(lastSeparator + 1);
    return parts;
}

// Removes the first element of a folder part and puts "..." in its place.
// A leading "..." left by an earlier step goes with that element; a leading
// separator stays. Nothing when the folder part holds no element to remove.
std::optional<QString> CutFirstFolder(const QString& folder, QChar separator)
{
    const QString ellipsis = QStringLiteral("...") + separator;
    QString rest = folder;
    const bool rooted = rest.startsWith(separator);
    if (rooted)
        rest.remove(0, 1);
    if (rest.startsWith(ellipsis))
        rest.remove(0, ellipsis.size());
    const qsizetype next = rest.indexOf(separator);
    if (next < 0)
        return std::nullopt;
    rest = ellipsis + rest.mid(next + 1);
    return rooted ? separator + rest : rest;
}

} // namespace

TPathLabel::TPathLabel(QWidget* parent) : QWidget(parent), style_(NativePathStyle) {}

void TPathLabel::SetText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    update();
}

void TPathLabel::SetStyle(PathStyle style)
{
    style_ = style;
    update();
}

QString TPathLabel::MinimizeName(const QString& path, const std::function<bool(const QString&)>& fits,
                                 PathStyle style)
{
    const QChar separator = SeparatorOf(style);
    const QString rootedEllipsis = separator + QStringLiteral("...") + separator;
    PathParts parts = Split(path, style);
    QString text = parts.Joined();
    while (!fits(text) && (!parts.drive.isEmpty() || !parts.folder.isEmpty())) {
        if (parts.folder == rootedEllipsis) {
            parts.drive.clear();
            parts.folder = QStringLiteral("...") + separator;
        } else if (const std::optional<QString> cut = CutFirstFolder(parts.folder, separator)) {
            parts.folder = *cut;
        } else if (!parts.drive.isEmpty()) {
            // A folder part with no element left ("\" or "...\"): the drive
            // goes first, so "C:\Pieces" never shows as "C:Pieces".
            parts.drive.clear();
        } else {
            parts.folder.clear();
        }
        text = parts.Joined();
    }
    return text;
}

QString TPathLabel::DisplayedText() const
{
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    return MinimizeName(
        text_, [&](const QString& candidate) { return metrics.horizontalAdvance(candidate) <= room; }, style_);
}

void TPathLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    // Drawn as plain text: an "&" in a folder name is shown as it is.
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, DisplayedText());
}

QSize TPathLabel::sizeHint() const
{
    return QSize(313, fontMetrics().height());
}

} // namespace scindra
