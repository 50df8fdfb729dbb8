#include "platform/MountedVolumes.h"

#include <QStorageInfo>

#include <algorithm>
#include <array>
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

} // namespace

VolumeKind VolumeKindOf(const QString& fileSystemType, const QString& rootPath)
{
    if (Contains(kNetworkTypes, fileSystemType))
        return VolumeKind::Network;
    if (Contains(kOpticalTypes, fileSystemType))
        return VolumeKind::CdRom;
    if (Contains(kMemoryTypes, fileSystemType))
        return VolumeKind::RamDisk;
    if (UnderRemovableRoot(rootPath))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

std::vector<MountedVolume> MountedVolumes()
{
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid() || !info.isReady())
            continue;
        const QString type = QString::fromLatin1(info.fileSystemType());
        volumes.push_back({info.rootPath(), info.name(), QString::fromLocal8Bit(info.device()), type,
                           VolumeKindOf(type, info.rootPath())});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const MountedVolume& a, const MountedVolume& b) { return a.rootPath < b.rootPath; });
    return volumes;
}

QString VolumeRootOf(const QString& path)
{
    return QStorageInfo(path).rootPath();
}

} // namespace scindra
