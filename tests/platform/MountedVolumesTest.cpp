// The drive list's source: the mount table read as the kernel writes it, and
// the rule that keeps only what a user would call a drive.
#include "platform/MountedVolumes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

TEST(MountTable, FieldsAreSplitAtBlanksAndTheirEscapesDecoded)
{
    const QByteArray table =
        "/dev/sda1 / ext4 rw,relatime 0 0\n"
        "\n"
        "/dev/sdb1 /media/ana/MA\\040CLE vfat rw 0 0\n"
        "srv:/a\\134b /mnt/x\\011y\\012z nfs4 rw 0 0\n"
        "only two\n"
        "/dev/sdc1\t/mnt/tab\text4 rw 0 0\n"
        // A cut escape, one out of the byte range and a lone backslash stay as written.
        "/dev/sdd1 /mnt/a\\04 ext4 rw 0 0\n"
        "/dev/sde1 /mnt/\\777\\ ext4 rw 0 0\n"
        "/dev/sdf1 /mnt/last ext4";
    const std::vector<MountEntry> expected = {
        {"/dev/sda1", "/", "ext4"},           {"/dev/sdb1", "/media/ana/MA CLE", "vfat"},
        {"srv:/a\\b", "/mnt/x\ty\nz", "nfs4"}, {"/dev/sdc1", "/mnt/tab", "ext4"},
        {"/dev/sdd1", "/mnt/a\\04", "ext4"},  {"/dev/sde1", "/mnt/\\777\\", "ext4"},
        {"/dev/sdf1", "/mnt/last", "ext4"},
    };
    EXPECT_EQ(ParseMountTable(table), expected);
    EXPECT_TRUE(ParseMountTable(QByteArray()).empty());
    EXPECT_TRUE(ParseMountTable(QByteArray("\\\n \\ \n")).empty());
}

TEST(MountTable, DrivesAreDisksMediaAndSharesOnly)
{
    const std::pair<MountEntry, bool> rows[] = {
        {{"overlay", "/", "overlay"}, true}, // the root holds every folder, whatever it is
        {{"/dev/sdb1", "/media/ana/CLE", "vfat"}, true},   {{"/dev/sdc1", "/media/ana/NTFS", "fuseblk"}, true},
        {{"tank/data", "/data", "zfs"}, true},             {{"server:/export", "/mnt/nfs", "nfs4"}, true},
        {{"//server/share", "/mnt/partage", "cifs"}, true}, {{"ana@host:", "/mnt/ssh", "fuse.sshfs"}, true},
        {{"/dev/loop3", "/snap/core22/1033", "squashfs"}, false}, {{"tmpfs", "/run/user/1000", "tmpfs"}, false},
        {{"overlay", "/var/lib/docker/overlay2/x/merged", "overlay"}, false}, {{"proc", "/proc", "proc"}, false},
        {{"portal", "/run/user/1000/doc", "fuse.portal"}, false}, {{"none", "/mnt/x", "somefs"}, false}, // no device
    };
    for (const auto& [entry, drive] : rows)
        EXPECT_EQ(IsDrive(entry), drive) << entry.rootPath.toStdString();
}

TEST(MountTable, SharesAreListedFromTheTableAloneAndLocalVolumesOnlyWhenReady)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString folder = scratch.path();
    const QString file = scratch.filePath(QStringLiteral("hosts"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString gone = folder + QStringLiteral("/absent");

    const std::vector<MountEntry> entries = {
        {"/dev/sda1", "/", "ext4"},
        // A share whose mount point cannot even be looked at: a query would fail
        // (or, for a dead server, block); the table is enough.
        {"server:/export", gone + QStringLiteral("/nfs"), "nfs4"},
        {"/dev/sdz9", folder, "ext4"},
        {"/dev/sdz8", gone, "ext4"},            // not there: not ready
        {"/dev/vda", file, "ext4"},             // a file bound over a file
        {"/dev/sdy1", "/mnt/cache", "ext4"},    // hidden by the mount below
        {"tmpfs", "/mnt/cache", "tmpfs"},     {"proc", "/proc", "proc"},
    };
    std::vector<QString> roots, expected{"/", gone + QStringLiteral("/nfs"), folder};
    for (const MountedVolume& drive : DrivesOf(entries)) {
        roots.push_back(drive.rootPath);
        EXPECT_EQ(drive.kind == VolumeKind::Network, drive.device == QStringLiteral("server:/export"));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(roots, expected);
}

TEST(MountTable, ThisMachineListsItsRootAndNoPseudoFileSystem)
{
    const std::vector<MountedVolume> drives = MountedVolumes();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().rootPath, QStringLiteral("/"));
    for (const MountedVolume& drive : drives)
        EXPECT_TRUE(IsDrive({drive.device, drive.rootPath, drive.fileSystemType})) << drive.rootPath.toStdString();
    // The folder of any test is on a listed drive.
    EXPECT_EQ(VolumeRootOf(QStringLiteral("/proc/self")), QStringLiteral("/"));
}

} // namespace
} // namespace scindra
