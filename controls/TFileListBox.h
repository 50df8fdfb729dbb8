#pragma once
// The informative list of the directory dialog: the ordinary files of one
// folder, sorted, in grey. Folders, hidden files and special files are left out.

#include <QListWidget>
#include <QString>

namespace scindra {

class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TFileListBox(QWidget* parent = nullptr);

    QString Directory() const { return directory_; }
    void SetDirectory(const QString& directory);

    // The mask of the names shown; "*.*" means every file.
    QString Mask() const { return mask_; }
    void SetMask(const QString& mask);

    // Past this many names the busy pointer shows until the list is complete.
    static constexpr int kBusyCursorThreshold = 100;

    void Update();

private:
    QString directory_;
    QString mask_ = QStringLiteral("*.*");
};

} // namespace scindra
