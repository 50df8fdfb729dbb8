// The drive list's source: the mount table read as the kernel writes it, and
// the rule that keeps only what a user would call a drive.
#include "platform/MountedVolumes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include "tests/support/QtPrinters.h"

namespace scindra {

void PrintTo(const MountEntry& entry, std::ostream* out)
{
    *out << entry.device.toStdString() << ' ' << entry.rootPath.toStdString() << ' '
         << entry.fileSystemType.toStdString();
}

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
        {"/dev/sda1", "/", "ext4"},
        {"/dev/sdb1", "/media/ana/MA CLE", "vfat"},
        {"srv:/a\\b", "/mnt/x\ty\nz", "nfs4"},
        {"/dev/sdc1", "/mnt/tab", "ext4"},
        {"/dev/sdd1", "/mnt/a\\04", "ext4"},
        {"/dev/sde1", "/mnt/\\777\\", "ext4"},
        {"/dev/sdf1", "/mnt/last", "ext4"},
    };
    EXPECT_EQ(ParseMountTable(table), expected);
    EXPECT_TRUE(ParseMountTable(QByteArray()).empty());
    EXPECT_TRUE(ParseMountTable(QByteArray("\\\n \\ \n")).empty());
}

TEST(MountTable, DrivesAreDisksMediaAndSharesOnly)
{
    struct Row {
        MountEntry entry;
        bool drive;
    };
    const Row rows[] = {
        {{"/dev/sda1", "/", "ext4"}, true},
        {{"overlay", "/", "overlay"}, true},  // the root holds every folder, whatever it is
        {{"/dev/mapper/vg-home", "/home", "btrfs"}, true},
        {{"/dev/sdb1", "/media/ana/CLE", "vfat"}, true},
        {{"/dev/sdc1", "/media/ana/NTFS", "fuseblk"}, true},
        {{"/dev/sr0", "/media/ana/DVD", "iso9660"}, true},
        {{"tank/data", "/data", "zfs"}, true},
        {{"server:/export", "/mnt/nfs", "nfs4"}, true},
        {{"//server/share", "/mnt/partage", "cifs"}, true},
        {{"ana@host:", "/mnt/ssh", "fuse.sshfs"}, true},
        {{"/dev/loop3", "/snap/core22/1033", "squashfs"}, false},
        {{"tmpfs", "/run/user/1000", "tmpfs"}, false},
        {{"udev", "/dev", "devtmpfs"}, false},
        {{"overlay", "/var/lib/docker/overlay2/x/merged", "overlay"}, false},
        {{"proc", "/proc", "proc"}, false},
        {{"sysfs", "/sys", "sysfs"}, false},
        {{"cgroup2", "/sys/fs/cgroup", "cgroup2"}, false},
        {{"portal", "/run/user/1000/doc", "fuse.portal"}, false},
        {{"binfmt_misc", "/proc/sys/fs/binfmt_misc", "binfmt_misc"}, false},
        {{"none", "/mnt/inconnu", "somefs"}, false},  // no device behind it
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsDrive(row.entry), row.drive) << row.entry.rootPath.toStdString();
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
        {"tmpfs", "/mnt/cache", "tmpfs"},
        {"proc", "/proc", "proc"},
    };
    const std::vector<MountedVolume> drives = DrivesOf(entries);
    std::vector<QString> roots;
    for (const MountedVolume& drive : drives)
        roots.push_back(drive.rootPath);
    std::vector<QString> expected{"/", gone + QStringLiteral("/nfs"), folder};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(roots, expected);

    const auto share = std::find_if(drives.begin(), drives.end(),
                                    [](const MountedVolume& drive) { return drive.kind == VolumeKind::Network; });
    ASSERT_NE(share, drives.end());
    EXPECT_EQ(share->device, QStringLiteral("server:/export"));
    EXPECT_EQ(share->label, QString());
}

TEST(MountTable, ThisMachineListsItsRootAndNoPseudoFileSystem)
{
    const std::vector<MountedVolume> drives = MountedVolumes();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().rootPath, QStringLiteral("/"));
    for (const MountedVolume& drive : drives) {
        SCOPED_TRACE(drive.rootPath.toStdString());
        EXPECT_TRUE(IsDrive({drive.device, drive.rootPath, drive.fileSystemType}));
    }
    // The folder of any test is on a listed drive.
    EXPECT_FALSE(VolumeRootOf(QStringLiteral("/proc/self")).isEmpty());
    EXPECT_EQ(VolumeRootOf(QStringLiteral("/proc/self")), QStringLiteral("/"));
}

} // namespace
} // namespace scindra
