#pragma once
// The volumes mounted on this machine, as the drive list shows them. On a
// system without drive letters each mounted file system plays the part of a
// drive: its root path stands for the letter. Only what a user would call a
// drive is listed: disks, removable and optical media, network shares.

#include <QByteArray>
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

// One line of the mount table, its escapes decoded.
struct MountEntry {
    QString device;          // the mounted source: "/dev/sda1", "server:/export", "proc"
    QString rootPath;        // the mount point
    QString fileSystemType;  // as the kernel names it

    bool operator==(const MountEntry&) const = default;
};

// The picture rule: a network file system, an optical one, a memory one, a
// volume mounted for removable media (under /media or /run/media), else a disk.
VolumeKind VolumeKindOf(const QString& fileSystemType, const QString& rootPath);

// Whether a network file system: its mounts are never queried, since a share
// whose server is gone blocks every call that touches it.
bool IsNetworkFileSystem(const QString& fileSystemType);

// The entries of a mount table in the format of /proc/self/mounts (fields
// separated by blanks, "\040"-style octal escapes inside them). Lines with
// fewer than three fields are skipped.
std::vector<MountEntry> ParseMountTable(const QByteArray& table);

// Whether a mount is a drive: the root of the tree, a network share, or a
// file system on a device (a disk, removable or optical media) that is not a
// pseudo or image file system (squashfs, tmpfs, overlay, proc, sysfs, ...).
bool IsDrive(const MountEntry& entry);

// The drives of a mount table, sorted by root path. Network shares come from
// the table alone; a local volume is asked for its label and left out when
// its root is no folder or it is not ready. A later mount on the same root
// hides the earlier one.
std::vector<MountedVolume> DrivesOf(const std::vector<MountEntry>& entries);

// The drives mounted now, read from /proc/self/mounts.
std::vector<MountedVolume> MountedVolumes();

// The root path of the drive that holds an existing local path: the mount
// that holds it, or when that one is no drive, the nearest drive above it.
QString VolumeRootOf(const QString& path);

} // namespace scindra
