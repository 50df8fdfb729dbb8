#include "controls/TFileListBox.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>

#include <algorithm>

namespace scindra {

namespace {

// Shows the busy pointer from the moment it is switched on until the scope ends.
class BusyCursor {
public:
    BusyCursor() = default;
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    ~BusyCursor()
    {
        if (on_)
            QApplication::restoreOverrideCursor();
    }
    void SwitchOn()
    {
        if (!on_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        on_ = true;
    }

private:
    bool on_ = false;
};

QStringList NameFilters(const QString& mask)
{
    // "*.*" is the all-files mask of the dialog; here a name needs no dot.
    if (mask.isEmpty() || mask == QLatin1String("*.*"))
        return {QStringLiteral("*")};
    return mask.split(QChar(';'), Qt::SkipEmptyParts);
}

constexpr int kItemHeight = 13;

} // namespace

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    // Grey text: the list only informs, it does not take part in the choice.
    QPalette grey = palette();
    grey.setColor(QPalette::Active, QPalette::Text, palette().color(QPalette::Disabled, QPalette::Text));
    grey.setColor(QPalette::Inactive, QPalette::Text, palette().color(QPalette::Disabled, QPalette::Text));
    setPalette(grey);
}

void TFileListBox::SetDirectory(const QString& directory)
{
    directory_ = directory;
    Update();
}

void TFileListBox::SetMask(const QString& mask)
{
    mask_ = mask;
    Update();
}

void TFileListBox::Update()
{
    clear();
    if (directory_.isEmpty())
        return;
    // Without QDir::Hidden and QDir::System, dot files, sockets, pipes and
    // devices stay out; without QDir::Dirs, folders (and links to them) do.
    QDirIterator entries(directory_, NameFilters(mask_), QDir::Files | QDir::NoDotAndDotDot);
    BusyCursor busy;
    QStringList names;
    while (entries.hasNext()) {
        entries.next();
        names.append(entries.fileName());
        if (names.size() > kBusyCursorThreshold)
            busy.SwitchOn();
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    // Rows of 13 pixels, or of the text's height when the font is larger.
    const int rowHeight = std::max(kItemHeight, fontMetrics().height());
    int rowWidth = 0;
    for (const QString& name : names)
        rowWidth = std::max(rowWidth, fontMetrics().horizontalAdvance(name) + 4);
    for (const QString& name : names)
        (new QListWidgetItem(name, this))->setSizeHint(QSize(rowWidth, rowHeight));
}

} // namespace scindra
