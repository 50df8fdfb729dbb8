#include "DirTestSupport.h"

#include "controls/DirPictures.h"
#include "controls/TDriveComboBox.h"
#include "controls/TFileListBox.h"
#include "platform/MountedVolumes.h"
#include "rtl/Exception.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

namespace scindra {
namespace {

QStringList Texts(const QListWidget& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

using FileListTest = DirectoryFixture;

TEST_F(FileListTest, ShowsOrdinaryFilesSortedWithoutFoldersHiddenOrSpecialFiles)
{
    MakeFile("b.txt");
    MakeFile("A.avi");
    MakeFile("c");
    MakeFile(".cache");
    MakeFolder("dossier");
    MakeFolder(".cachee");
    ASSERT_EQ(::mkfifo(Path("tube").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(Path("dossier"), Path("lien")));

    TFileListBox list;
    list.SetDirectory(root_);
    EXPECT_EQ(Texts(list), (QStringList{"A.avi", "b.txt", "c"}));
}

TEST_F(FileListTest, ManyNamesLeaveNoBusyPointerBehind)
{
    for (int i = 0; i <= TFileListBox::kBusyCursorThreshold + 1; ++i)
        MakeFile(QStringLiteral("f%1").arg(i, 3, 10, QChar('0')));
    TFileListBox list;
    list.SetDirectory(root_);
    EXPECT_EQ(list.count(), TFileListBox::kBusyCursorThreshold + 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

using DirectoryListTest = DirectoryFixture;

TEST_F(DirectoryListTest, ShowsRootPathAndSortedSubFolders)
{
    MakeFolder("Films/zeta");
    MakeFolder("Films/Alpha");
    MakeFolder("Films/beta");
    MakeFolder("Films/.cachee");
    MakeFile("Films/fichier");

    TDirectoryListBox list;
    list.SetDirectory(Path("Films"));
    EXPECT_EQ(QDir::currentPath(), Path("Films"));
    EXPECT_EQ(list.Directory(), Path("Films"));

    const QStringList elements = Path("Films").split('/', Qt::SkipEmptyParts);
    QStringList expected{"/"};
    expected << elements << QStringList{"Alpha", "beta", "zeta"};
    EXPECT_EQ(Texts(list), expected);

    // Pictures and indentation follow the item's place in the tree.
    const int current = static_cast<int>(elements.size());
    EXPECT_EQ(list.currentRow(), current);
    using Kind = TDirectoryListBox::ItemKind;
    for (int row = 0; row < list.count(); ++row) {
        SCOPED_TRACE(row);
        const Kind kind = row < current ? Kind::Path : row == current ? Kind::Current : Kind::SubFolder;
        EXPECT_EQ(Kind(list.item(row)->data(TDirectoryListBox::kKindRole).toInt()), kind);
        EXPECT_EQ(list.item(row)->data(TDirectoryListBox::kIndentRole).toInt(),
                  std::min(row, current + 1) * 4 + 2);
    }
    EXPECT_EQ(TDirectoryListBox::FolderOf(*list.item(0)), QStringLiteral("/"));
    EXPECT_EQ(TDirectoryListBox::FolderOf(*list.item(current + 1)), Path("Films/Alpha"));
}

TEST_F(DirectoryListTest, RootIsTheCurrentItemAtTheRoot)
{
    TDirectoryListBox list;
    list.SetDirectory(QStringLiteral("/"));
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_EQ(TDirectoryListBox::ItemKind(list.item(0)->data(TDirectoryListBox::kKindRole).toInt()),
              TDirectoryListBox::ItemKind::Current);
    EXPECT_EQ(list.item(1)->data(TDirectoryListBox::kIndentRole).toInt(), 1 * 4 + 6);
}

TEST_F(DirectoryListTest, DoubleClickAndEnterMoveIntoTheItemsFolder)
{
    MakeFolder("a/b");
    TDirectoryListBox list;
    list.SetDirectory(Path("a"));
    QSignalSpy changes(&list, &TDirectoryListBox::DirectoryChanged);

    const auto items = list.findItems(QStringLiteral("b"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    list.setCurrentItem(items.first());
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.Directory(), Path("a/b"));
    EXPECT_EQ(QDir::currentPath(), Path("a/b"));

    // Back up through the path item of "a".
    const auto parents = list.findItems(QStringLiteral("a"), Qt::MatchExactly);
    ASSERT_EQ(parents.size(), 1);
    emit list.itemDoubleClicked(parents.first());
    EXPECT_EQ(list.Directory(), Path("a"));
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.at(1).at(0).toString(), Path("a"));
}

TEST_F(DirectoryListTest, AFolderThatCannotBeEnteredChangesNothing)
{
    MakeFile("fichier");
    TDirectoryListBox list;
    list.SetDirectory(root_);
    EXPECT_THROW(list.SetDirectory(Path("absent")), Exception);
    EXPECT_THROW(list.SetDirectory(Path("fichier")), Exception);
    EXPECT_EQ(list.Directory(), root_);
    EXPECT_EQ(QDir::currentPath(), root_);
}

TEST_F(DirectoryListTest, ShowsWholeRowsOnly)
{
    for (int i = 0; i < 12; ++i)
        MakeFolder(QStringLiteral("dossier%1").arg(i));
    TDirectoryListBox list;
    list.SetDirectory(root_);
    list.show();
    // How many rows cross the bottom edge of the viewport.
    const auto cutRows = [&list] {
        int cut = 0;
        for (int row = 0; row < list.count(); ++row)
            cut += list.visualItemRect(list.item(row)).top() < list.viewport()->height()
                && list.visualItemRect(list.item(row)).bottom() >= list.viewport()->height();
        return cut;
    };
    // The second pass adds a name wider than the list: a horizontal scroll bar.
    for (bool wide : {false, true}) {
        if (wide) {
            MakeFolder(QString(60, QChar('w')));
            list.ShowCurrentDirectory();
        }
        for (int height : {138, 100, 75, 64, 138}) {
            SCOPED_TRACE(testing::Message() << height << (wide ? " wide" : ""));
            list.resize(213, height);
            QApplication::processEvents();
            EXPECT_EQ(list.horizontalScrollBar()->isVisible(), wide);
            const int rowHeight = list.visualItemRect(list.item(0)).height();
            ASSERT_GT(rowHeight, 0);
            EXPECT_GE(list.viewport()->height(), rowHeight);
            EXPECT_EQ(list.viewport()->height() % rowHeight, 0);
            EXPECT_GT(list.viewport()->height() + rowHeight, list.height() - 2 * list.frameWidth()
                          - (wide ? list.horizontalScrollBar()->height() : 0));
            list.scrollToTop();
            EXPECT_EQ(cutRows(), 0);
            list.scrollToBottom();
            EXPECT_EQ(cutRows(), 0);
        }
    }
}

using DriveListTest = DirectoryFixture;

TEST_F(DriveListTest, ListsTheVolumeHoldingTheTestFolder)
{
    TDriveComboBox drives;
    const QString root = VolumeRootOf(root_);
    bool found = false;
    for (const MountedVolume& volume : drives.Volumes())
        found = found || volume.rootPath == root;
    EXPECT_TRUE(found) << root.toStdString();
    EXPECT_EQ(drives.count(), static_cast<int>(drives.Volumes().size()));

    drives.SetDrive(Path("."));
    EXPECT_EQ(drives.Drive(), root);
}

TEST(VolumeRules, PictureKindFollowsTheFileSystemAndMountPoint)
{
    struct Row {
        const char* type;
        const char* root;
        VolumeKind kind;
    };
    const Row rows[] = {
        {"nfs4", "/srv/partage", VolumeKind::Network},      {"iso9660", "/media/cd", VolumeKind::CdRom},
        {"tmpfs", "/tmp", VolumeKind::RamDisk},             {"vfat", "/media/ana/CLE", VolumeKind::Removable},
        {"ext4", "/run/media/ana/disque", VolumeKind::Removable}, {"ext4", "/media", VolumeKind::Fixed},
        {"ext4", "/", VolumeKind::Fixed},                   {"btrfs", "/mediatheque", VolumeKind::Fixed},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VolumeKindOf(QString::fromLatin1(row.type), QString::fromLatin1(row.root)), row.kind)
            << row.type << " " << row.root;
}

TEST(VolumeRules, ItemTexts)
{
    struct Row {
        MountedVolume volume;
        const char* text;
    };
    const Row rows[] = {
        {{"/", "racine", "/dev/sda1", "ext4", VolumeKind::Fixed}, "/ [racine]"},
        {{"/media/cle", "CLE", "/dev/sdb1", "vfat", VolumeKind::Removable}, "/media/cle"},
        {{"/mnt/cd", "DISQUE", "/dev/sr0", "iso9660", VolumeKind::CdRom}, "/mnt/cd [DISQUE]"},
        {{"/srv", "", "serveur:/export", "nfs4", VolumeKind::Network}, "/srv serveur:/export"},
        {{"/srv", "part", "", "nfs4", VolumeKind::Network}, "/srv [part]"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TDriveComboBox::ItemText(row.volume), QString::fromUtf8(row.text));
}

TEST(DirPictures, SizesAndTransparentBottomLeftBackground)
{
    std::vector<std::pair<QPixmap, QSize>> pictures{{DirectoryButtonGlyph(), QSize(32, 16)}};
    for (FolderPicture picture : {FolderPicture::Open, FolderPicture::Closed, FolderPicture::Current})
        pictures.emplace_back(FolderPixmap(picture), QSize(16, 15));
    for (VolumeKind kind : {VolumeKind::Removable, VolumeKind::Fixed, VolumeKind::CdRom, VolumeKind::Network,
                            VolumeKind::RamDisk})
        pictures.emplace_back(VolumePixmap(kind), QSize(16, 11));
    for (const auto& [pixmap, size] : pictures) {
        const QImage image = pixmap.toImage();
        EXPECT_EQ(image.size(), size);
        EXPECT_EQ(qAlpha(image.pixel(0, image.height() - 1)), 0);
    }
    const QImage glyph = DirectoryButtonGlyph().toImage();
    EXPECT_EQ(qAlpha(glyph.pixel(31, 0)), 0);
    EXPECT_NE(qAlpha(glyph.pixel(8, 12)), 0);
}

} // namespace
} // namespace scindra
