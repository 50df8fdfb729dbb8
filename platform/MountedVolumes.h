#pragma once
// The volumes mounted on this machine, as the drive list shows them. On a
// system without drive letters each mounted file system plays the part of a
// drive: its root path stands for the letter.

#include <QString>

#include <vector>

namespace scindra {

// Decides the picture of a volume in the drive list.
enum class VolumeKind { Removable, Fixed, CdRom, Network, RamDisk };

struct MountedVolume {
    QString rootPath;        // where the volume is mounted, e.g. "/" or "/media/usb"
    QString label;           // the volume's own name; may be empty
    QString device;          // the device or remote source, e.g. "/dev/sda1" or "server:/export"
    QString fileSystemType;  // e.g. "ext4", "nfs4", "iso9660"
    VolumeKind kind = VolumeKind::Fixed;
};

// The picture rule: a network file system, an optical one, a memory one, a
// volume mounted for removable media (under /media or /run/media), else a disk.
VolumeKind VolumeKindOf(const QString& fileSystemType, const QString& rootPath);

// Every mounted volume that is valid and ready, sorted by root path.
std::vector<MountedVolume> MountedVolumes();

// The root path of the volume that holds an existing path.
QString VolumeRootOf(const QString& path);

} // namespace scindra
