#pragma once
// The folder tree of the directory dialog, flattened into one list: the root,
// one item per folder down to the current one, then the current folder's
// sub-folders. Its current folder is the process's current directory: moving
// the list moves the process, and the move outlives the dialog. It shows
// whole rows only.

#include <QListWidget>
#include <QString>

namespace scindra {

class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    // What an item stands for, which decides its picture and indentation.
    enum class ItemKind { Path, Current, SubFolder };
    static constexpr int kFolderRole = Qt::UserRole;      // the item's full path
    static constexpr int kKindRole = Qt::UserRole + 1;    // ItemKind as int
    static constexpr int kIndentRole = Qt::UserRole + 2;  // pixels before the picture

    explicit TDirectoryListBox(QWidget* parent = nullptr);

    // The current folder (the process's current directory as last read back).
    QString Directory() const { return directory_; }

    // Moves the process and the list to `folder`. A folder that cannot be
    // entered raises an Exception and leaves everything as it was.
    void SetDirectory(const QString& folder);

    // Reads the process's current directory again and shows it.
    void ShowCurrentDirectory();

    // The folder an item stands for: an ancestor for a path item, the current
    // folder's child for a sub-folder.
    static QString FolderOf(const QListWidgetItem& item);

    // Moves the list into the folder of the given item (a double click, Enter).
    void OpenItem(QListWidgetItem* item);

signals:
    void DirectoryChanged(const QString& directory);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void updateGeometries() override;

private:
    void Fill();

    QString directory_;
};

} // namespace scindra
