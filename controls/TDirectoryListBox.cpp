#include "controls/TDirectoryListBox.h"

#include "controls/DirPictures.h"
#include "platform/CurrentDirectory.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace scindra {

namespace {

constexpr int kPictureWidth = 16;
constexpr int kTextGap = 4;
constexpr int kItemHeight = 17;

// Every row is as high as the item height, or the picture and a pixel.
int RowHeight()
{
    static const int height = std::max(kItemHeight, FolderPixmap(FolderPicture::Open).height() + 1);
    return height;
}

// Paints an item as: indentation, folder picture, text.
class FolderItemDelegate : public QStyledItemDelegate {
public:
    explicit FolderItemDelegate(QObject* parent) : QStyledItemDelegate(parent)
    {
        pictures_[0] = FolderPixmap(FolderPicture::Open);
        pictures_[1] = FolderPixmap(FolderPicture::Current);
        pictures_[2] = FolderPixmap(FolderPicture::Closed);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto kind = index.data(TDirectoryListBox::kKindRole).toInt();
        const int indent = index.data(TDirectoryListBox::kIndentRole).toInt();
        const QPixmap& picture = pictures_[std::clamp(kind, 0, 2)];
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QRect& rect = option.rect;
        const QString text = index.data(Qt::DisplayRole).toString();

        const int textLeft = rect.left() + indent + kPictureWidth + kTextGap;
        const int textWidth = option.fontMetrics.horizontalAdvance(text) + 2;
        const QRect textRect(textLeft - 1, rect.top(), textWidth, rect.height());
        if (selected)
            painter->fillRect(textRect, option.palette.brush(QPalette::Highlight));
        painter->drawPixmap(rect.left() + indent, rect.top() + (rect.height() - picture.height()) / 2, picture);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(textRect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int indent = index.data(TDirectoryListBox::kIndentRole).toInt();
        const int width = indent + kPictureWidth + kTextGap +
                          option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 2;
        return QSize(width, RowHeight());
    }

private:
    QPixmap pictures_[3];
};

QListWidgetItem* MakeItem(const QString& text, const QString& folder, TDirectoryListBox::ItemKind kind, int indent)
{
    auto* item = new QListWidgetItem(text);
    item->setData(TDirectoryListBox::kFolderRole, folder);
    item->setData(TDirectoryListBox::kKindRole, static_cast<int>(kind));
    item->setData(TDirectoryListBox::kIndentRole, indent);
    return item;
}

} // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new FolderItemDelegate(this));
    setUniformItemSizes(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { Guard([&] { OpenItem(item); }); });
    directory_ = ExistingCurrentDirectory();
    Fill();
}

void TDirectoryListBox::SetDirectory(const QString& folder)
{
    if (folder.isEmpty() || !QDir::setCurrent(folder))
        throw Exception("Impossible d'accéder au répertoire " + folder.toStdString());
    ShowCurrentDirectory();
}

void TDirectoryListBox::ShowCurrentDirectory()
{
    directory_ = ExistingCurrentDirectory();
    Fill();
    emit DirectoryChanged(directory_);
}

QString TDirectoryListBox::FolderOf(const QListWidgetItem& item)
{
    return item.data(kFolderRole).toString();
}

void TDirectoryListBox::OpenItem(QListWidgetItem* item)
{
    if (item != nullptr)
        SetDirectory(FolderOf(*item));
}

void TDirectoryListBox::updateGeometries()
{
    QListWidget::updateGeometries();
    // Whole rows only, as a list of integral height: the spare pixels below
    // the last whole row are left out of the viewport, so no row is ever cut.
    // The horizontal scroll bar coming or going lands here too.
    const int spare = (viewport()->height() + viewportMargins().bottom()) % RowHeight();
    if (spare != viewportMargins().bottom())
        setViewportMargins(0, 0, 0, spare);
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Guard([&] { OpenItem(currentItem()); });
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TDirectoryListBox::Fill()
{
    clear();
    const QChar separator('/');
    const QStringList elements = directory_.split(separator, Qt::SkipEmptyParts);

    // The root, then one item per folder down to the current one.
    QString path = QStringLiteral("/");
    const auto rootKind = elements.isEmpty() ? ItemKind::Current : ItemKind::Path;
    addItem(MakeItem(path, path, rootKind, 2));
    for (qsizetype i = 0; i < elements.size(); ++i) {
        path = (i == 0 ? path : path + separator) + elements[i];
        const auto kind = i + 1 == elements.size() ? ItemKind::Current : ItemKind::Path;
        addItem(MakeItem(elements[i], path, kind, static_cast<int>(i + 1) * 4 + 2));
    }
    const int currentRow = count() - 1;

    // The sub-folders of the current one, one step further in.
    const int childIndent = static_cast<int>(directory_.count(separator)) * 4 + 6;
    const QString prefix = directory_.endsWith(separator) ? directory_ : directory_ + separator;
    QStringList children = QDir(directory_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(children.begin(), children.end(), [](const QString& a, const QString& b) {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    for (const QString& child : children)
        addItem(MakeItem(child, prefix + child, ItemKind::SubFolder, childIndent));

    setCurrentRow(currentRow);
}

} // namespace scindra
