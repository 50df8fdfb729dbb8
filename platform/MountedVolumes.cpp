#include "platform/MountedVolumes.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string_view>

namespace scindra {

namespace {

constexpr std::array kNetworkTypes = {
    std::string_view("nfs"),        std::string_view("nfs4"),       std::string_view("cifs"),
    std::string_view("smbfs"),      std::string_view("smb3"),       std::string_view("ncpfs"),
    std::string_view("afs"),        std::string_view("9p"),         std::string_view("ceph"),
    std::string_view("glusterfs"),  std::string_view("fuse.sshfs"), std::string_view("sshfs"),
    std::string_view("davfs"),      std::string_view("fuse.davfs"), std::string_view("fuse.glusterfs"),
};
constexpr std::array kOpticalTypes = {std::string_view("iso9660"), std::string_view("udf")};
constexpr std::array kMemoryTypes = {std::string_view("tmpfs"), std::string_view("ramfs")};
constexpr std::array kRemovableRoots = {std::string_view("/media/"), std::string_view("/run/media/")};

// File systems no user would call a drive, even where a device backs them
// (a snap's squashfs image sits on a loop device). Most other pseudo file
// systems have no device and are left out by that rule alone.
constexpr std::array kPseudoTypes = {
    std::string_view("squashfs"),   std::string_view("tmpfs"),      std::string_view("devtmpfs"),
    std::string_view("ramfs"),      std::string_view("overlay"),    std::string_view("aufs"),
    std::string_view("proc"),       std::string_view("sysfs"),      std::string_view("cgroup"),
    std::string_view("cgroup2"),    std::string_view("devpts"),     std::string_view("mqueue"),
    std::string_view("debugfs"),    std::string_view("tracefs"),    std::string_view("securityfs"),
    std::string_view("pstore"),     std::string_view("bpf"),        std::string_view("configfs"),
    std::string_view("fusectl"),    std::string_view("hugetlbfs"),  std::string_view("autofs"),
    std::string_view("binfmt_misc"), std::string_view("efivarfs"),  std::string_view("nsfs"),
    std::string_view("rpc_pipefs"), std::string_view("selinuxfs"),  std::string_view("nfsd"),
    std::string_view("fuse.gvfsd-fuse"), std::string_view("fuse.portal"), std::string_view("fuse.snapfuse"),
    std::string_view("fuse.lxcfs"),
};
// Local file systems whose source is a pool rather than a device path.
constexpr std::array kPoolTypes = {std::string_view("zfs")};

const QString kRoot = QStringLiteral("/");
const char* const kMountTable = "/proc/self/mounts";

template <class List>
bool Contains(const List& list, const QString& value)
{
    const std::string text = value.toLower().toStdString();
    return std::find(list.begin(), list.end(), text) != list.end();
}

bool UnderRemovableRoot(const QString& rootPath)
{
    const std::string root = rootPath.toStdString() + "/";
    return std::any_of(kRemovableRoots.begin(), kRemovableRoots.end(),
                       [&](std::string_view prefix) { return root.starts_with(prefix) && root.size() > prefix.size(); });
}

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// A field of the table with its escapes decoded: a backslash and three octal
// digits stand for one byte (blanks, tabs, newlines and backslashes in names).
// Anything else, a cut or out-of-range escape included, is taken as it is.
QByteArray Unescaped(const QByteArray& field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0'
            && field[i + 1] <= '3' && IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3]);
        if (!escape) {
            bytes += field[i];
            continue;
        }
        bytes += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
        i += 3;
    }
    return bytes;
}

std::optional<MountedVolume> VolumeOf(const MountEntry& entry)
{
    const VolumeKind kind = VolumeKindOf(entry.fileSystemType, entry.rootPath);
    if (IsNetworkFileSystem(entry.fileSystemType))
        return MountedVolume{entry.rootPath, QString(), entry.device, entry.fileSystemType, kind};
    // A bind mount of a single file is no drive either.
    const QStorageInfo info(entry.rootPath);
    if (!QFileInfo(entry.rootPath).isDir() || !info.isValid() || !info.isReady())
        return std::nullopt;
    return MountedVolume{entry.rootPath, info.name(), entry.device, entry.fileSystemType, kind};
}

} // namespace

VolumeKind VolumeKindOf(const QString& fileSystemType, const QString& rootPath)
{
    if (IsNetworkFileSystem(fileSystemType))
        return VolumeKind::Network;
    if (Contains(kOpticalTypes, fileSystemType))
        return VolumeKind::CdRom;
    if (Contains(kMemoryTypes, fileSystemType))
        return VolumeKind::RamDisk;
    if (UnderRemovableRoot(rootPath))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

bool IsNetworkFileSystem(const QString& fileSystemType)
{
    return Contains(kNetworkTypes, fileSystemType);
}

std::vector<MountEntry> ParseMountTable(const QByteArray& table)
{
    std::vector<MountEntry> entries;
    for (const QByteArray& line : table.split('\n')) {
        QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || fields[0].isEmpty())
            continue;
        entries.push_back({QFile::decodeName(Unescaped(fields[0])), QFile::decodeName(Unescaped(fields[1])),
                           QString::fromLatin1(Unescaped(fields[2]))});
    }
    return entries;
}

bool IsDrive(const MountEntry& entry)
{
    if (IsNetworkFileSystem(entry.fileSystemType) || entry.rootPath == kRoot)
        return true;
    if (Contains(kPseudoTypes, entry.fileSystemType))
        return false;
    return entry.device.startsWith(QStringLiteral("/dev/")) || Contains(kPoolTypes, entry.fileSystemType);
}

std::vector<MountedVolume> DrivesOf(const std::vector<MountEntry>& entries)
{
    // Keyed by root: the last mount on a root is the one in sight, and the
    // map keeps the roots sorted.
    std::map<QString, const MountEntry*> visible;
    for (const MountEntry& entry : entries)
        visible[entry.rootPath] = &entry;
    std::vector<MountedVolume> volumes;
    for (const auto& [root, entry] : visible) {
        if (!IsDrive(*entry))
            continue;
        if (std::optional<MountedVolume> volume = VolumeOf(*entry))
            volumes.push_back(std::move(*volume));
    }
    return volumes;
}

std::vector<MountedVolume> MountedVolumes()
{
    QFile table(QString::fromLatin1(kMountTable));
    if (!table.open(QIODevice::ReadOnly))
        return DrivesOf({MountEntry{QString(), kRoot, QString()}});
    return DrivesOf(ParseMountTable(table.readAll()));
}

QString VolumeRootOf(const QString& path)
{
    QStorageInfo info(path);
    while (info.isValid()) {
        const QString root = info.rootPath();
        const MountEntry entry{QFile::decodeName(info.device()), root, QString::fromLatin1(info.fileSystemType())};
        if (root == kRoot || IsDrive(entry))
            return root;
        info = QStorageInfo(QFileInfo(root).path());
    }
    return QString();
}

} // namespace scindra
