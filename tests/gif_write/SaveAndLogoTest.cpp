#include "GifLayout.h"
#include "GiflibReadBack.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace scindra::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

const fs::path kAssets = SCINDRA_ASSETS_DIR;

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "scindra_gif_write_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }
    size_t EntryCount() const { return size_t(std::distance(fs::directory_iterator(path_), {})); }

private:
    fs::path path_;
};

// A picture of a few hundred kilobytes: noise does not compress.
void FillWithNoise(TGIFImage& image)
{
    QImage bitmap(400, 400, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back(qRgb(i, i, i));
    bitmap.setColorTable(table);
    uint32_t state = 1;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            state = state * 1664525u + 1013904223u;
            bitmap.scanLine(y)[x] = uint8_t(state >> 24);
        }
    image.AppendFrame(bitmap);
}

TEST(SaveToFile, ReplacesTheTargetWithTheWholePicture)
{
    TempFolder folder;
    const fs::path target = folder.Path() / "picture.gif";
    WriteFile(target, "old content");
    TGIFImage image;
    FillWithNoise(image);
    image.SaveToFile(target.string());
    TMemoryStream expected;
    image.WriteToStream(expected);
    EXPECT_EQ(ReadFile(target), expected.Bytes());
    EXPECT_EQ(folder.EntryCount(), 1u) << "no temporary file is left behind";
}

TEST(SaveToFile, MissingFolderFailsAndCreatesNothing)
{
    TempFolder folder;
    const fs::path target = folder.Path() / "absent" / "picture.gif";
    TGIFImage image;
    FillWithNoise(image);
    try {
        image.SaveToFile(target.string());
        FAIL() << "saved into a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Impossible de créer le fichier " + target.string());
    }
    EXPECT_EQ(folder.EntryCount(), 0u);
}

// A file-size limit below the picture's size (the disk filling up would look
// the same): the save fails and the old file is still there, whole.
TEST(SaveToFile, WriteFailureLeavesTheTargetUnchanged)
{
    TempFolder folder;
    const fs::path target = folder.Path() / "picture.gif";
    WriteFile(target, "the good old picture");
    TGIFImage image;
    FillWithNoise(image);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        int code = 1;
        try {
            image.SaveToFile(target.string());
            code = 2;
        } catch (const EWriteError&) {
            code = 0;
        } catch (...) {
            code = 3;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: saved despite the limit, 3: another failure";
    const Bytes kept = ReadFile(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the good old picture");
    EXPECT_EQ(folder.EntryCount(), 1u) << "the temporary file is removed";
}

// --- The logo ---------------------------------------------------------------------

TEST(Logo, MatchesItsDescriptionReadWithOurReader)
{
    TGIFImage logo;
    TMemoryStream stored(ReadFile(kAssets / "logo.data"));
    logo.ReadStoredData(stored);
    EXPECT_EQ(logo.FormatVersion(), fv89a);
    EXPECT_EQ(logo.LogicalWidth(), 70);
    EXPECT_EQ(logo.LogicalHeight(), 52);
    EXPECT_EQ(logo.Data().AspectByte, 0);
    EXPECT_EQ(logo.Data().GlobalTable.EntryCount, 256);
    EXPECT_EQ(logo.Data().ColorResolution, 8);
    EXPECT_EQ(logo.Data().GlobalTable.Entries[254], (std::array<uint8_t, 3>{4, 2, 4}));
    EXPECT_EQ(logo.BackdropColor(), 0x040204u);
    EXPECT_TRUE(logo.LoopEnabled());
    EXPECT_EQ(logo.LoopCount(), 0);
    ASSERT_EQ(logo.FrameCount(), 22);
    std::array<bool, 256> used{};
    for (int k = 0; k < 22; ++k) {
        SCOPED_TRACE(k);
        TGIFFrame& frame = *logo.FrameAt(k);
        EXPECT_EQ(frame.OffsetX(), 0);
        EXPECT_EQ(frame.OffsetY(), 0);
        EXPECT_EQ(frame.Item().PixelWidth, 70);
        EXPECT_EQ(frame.Item().PixelHeight, 52);
        EXPECT_FALSE(frame.HasLocalTable());
        EXPECT_FALSE(frame.IsInterlaced());
        EXPECT_FALSE(frame.IsDamaged());
        EXPECT_EQ(frame.Item().EncodedData->Bytes().at(0), 8);
        EXPECT_EQ(frame.DelayMs(), 100);
        EXPECT_EQ(frame.KeyColor(), 0x040204u);
        EXPECT_EQ(frame.TransparentIndex(), 254);
        EXPECT_EQ(frame.Disposal(), k < 21 ? dpRestoreBackground : dpKeep);
        const QImage& bitmap = frame.RenderBitmap();
        ASSERT_EQ(bitmap.size(), QSize(70, 52));
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 70; ++x)
                used[size_t(bitmap.pixelIndex(x, y))] = true;
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), true), 256) << "every entry of the table is used";
}

TEST(Logo, MatchesItsDescriptionReadWithGiflib)
{
    const Bytes gif = ReadFile(kAssets / "logo.gif");
    const Bytes stored = ReadFile(kAssets / "logo.data");
    ASSERT_EQ(stored.size(), gif.size() + 4);
    EXPECT_EQ(uint32_t(stored[0] | stored[1] << 8 | stored[2] << 16 | stored[3] << 24), gif.size());
    EXPECT_EQ(Bytes(stored.begin() + 4, stored.end()), gif);

    const OracleImage logo = DecodeWithGiflib(gif);
    ASSERT_EQ(logo.error, "");
    EXPECT_EQ(logo.version, "89a");
    EXPECT_EQ(logo.width, 70);
    EXPECT_EQ(logo.height, 52);
    EXPECT_EQ(logo.aspectByte, 0);
    EXPECT_EQ(logo.backgroundIndex, 254);
    EXPECT_EQ(logo.globalTable.size(), 3u * 256);
    EXPECT_TRUE(logo.hasLoopBlock);
    EXPECT_EQ(logo.loopCount, 0);
    ASSERT_EQ(logo.frames.size(), 22u);
    for (size_t k = 0; k < 22; ++k) {
        SCOPED_TRACE(k);
        const OracleFrame& frame = logo.frames[k];
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        EXPECT_EQ(frame.width, 70);
        EXPECT_EQ(frame.height, 52);
        EXPECT_FALSE(frame.hasLocalTable);
        EXPECT_FALSE(frame.interlaced);
        EXPECT_TRUE(frame.hasControl);
        EXPECT_EQ(frame.delay, 10);
        EXPECT_EQ(frame.transparentIndex, 254);
        EXPECT_EQ(frame.disposal, k < 21 ? 2 : 1);
    }
    const GifLayout layout = ParseLayout(gif);
    EXPECT_EQ(layout.packed, 0xF7) << "global table of 256, colour resolution 8, not sorted";
    for (const LayoutFrame& frame : layout.frames)
        EXPECT_EQ(frame.imageData.at(0), 8);
}

// The tool draws without fonts or library trigonometry: run again, it gives
// the committed bytes.
TEST(Logo, ToolReproducesTheCommittedAssets)
{
    TempFolder folder;
    const std::string command = std::string(SCINDRA_MAKE_LOGO) + " " + folder.Path().string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(folder.Path() / "logo.gif"), ReadFile(kAssets / "logo.gif"));
    EXPECT_EQ(ReadFile(folder.Path() / "logo.data"), ReadFile(kAssets / "logo.data"));
}

} // namespace
} // namespace scindra::test
