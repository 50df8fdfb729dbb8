#include "controls/TDriveComboBox.h"

#include "controls/DirPictures.h"
#include "platform/CurrentDirectory.h"
#include "rtl/Guard.h"

#include <QDir>
#include <QSignalBlocker>

namespace scindra {

namespace {

bool Holds(const QString& root, const QString& path)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QChar('/'));
    return path == root || path.startsWith(root + QChar('/'));
}

QString Bracketed(const QString& label)
{
    return QStringLiteral("[%1]").arg(label);
}

} // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setIconSize(QSize(16, 11));
    connect(this, &QComboBox::activated, this, Guarded([this](int index) {
                if (index >= 0 && index < static_cast<int>(volumes_.size()))
                    emit DriveChosen(volumes_[static_cast<size_t>(index)].rootPath);
            }));
    Refresh();
}

QString TDriveComboBox::ItemText(const MountedVolume& volume)
{
    switch (volume.kind) {
    case VolumeKind::Removable:
        return volume.rootPath;
    case VolumeKind::Network:
        return volume.rootPath + QStringLiteral(" ") +
               (volume.device.isEmpty() ? Bracketed(volume.label) : volume.device);
    case VolumeKind::Fixed:
    case VolumeKind::CdRom:
    case VolumeKind::RamDisk:
        break;
    }
    return volume.rootPath + QStringLiteral(" ") + Bracketed(volume.label);
}

void TDriveComboBox::Refresh()
{
    const QSignalBlocker blocker(this);
    clear();
    volumes_ = MountedVolumes();
    for (const MountedVolume& volume : volumes_)
        addItem(QIcon(VolumePixmap(volume.kind)), ItemText(volume));
    SetDrive(ExistingCurrentDirectory());
}

QString TDriveComboBox::Drive() const
{
    const int index = currentIndex();
    if (index < 0 || index >= static_cast<int>(volumes_.size()))
        return QString();
    return volumes_[static_cast<size_t>(index)].rootPath;
}

QString TDriveComboBox::DriveOf(const QString& path) const
{
    const QString absolute = QDir(path).absolutePath();
    QString best;
    for (const MountedVolume& volume : volumes_)
        if (Holds(volume.rootPath, absolute) && volume.rootPath.size() > best.size())
            best = volume.rootPath;
    return best;
}

void TDriveComboBox::SetDrive(const QString& path)
{
    const QString root = DriveOf(path);
    int index = -1;
    for (size_t i = 0; i < volumes_.size() && !root.isEmpty(); ++i)
        if (volumes_[i].rootPath == root)
            index = static_cast<int>(i);
    const QSignalBlocker blocker(this);
    setCurrentIndex(index);
}

} // namespace scindra
