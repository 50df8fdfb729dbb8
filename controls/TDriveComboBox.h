#pragma once
// The drive list of the directory dialog. Without drive letters, each mounted
// volume is a drive: its root path stands for the letter, and the volume that
// holds the current folder is the current drive.

#include "platform/MountedVolumes.h"

#include <QComboBox>
#include <QString>

#include <vector>

namespace scindra {

class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget* parent = nullptr);

    // Reads the mounted volumes again and selects the one holding the current directory.
    void Refresh();

    // The root path of the selected volume.
    QString Drive() const;

    // The root path of the listed volume that holds `path` (the longest root
    // that contains it); empty when none does.
    QString DriveOf(const QString& path) const;

    // Selects the volume that holds `path` (the longest root that contains it),
    // without announcing a choice.
    void SetDrive(const QString& path);

    // The text of a volume's item: removable volumes show their root only,
    // network ones their remote source (or their bracketed label when they
    // have none), the others their bracketed label.
    static QString ItemText(const MountedVolume& volume);

    const std::vector<MountedVolume>& Volumes() const { return volumes_; }

signals:
    // The user picked a volume (not sent by SetDrive).
    void DriveChosen(const QString& rootPath);

private:
    std::vector<MountedVolume> volumes_;
};

} // namespace scindra
