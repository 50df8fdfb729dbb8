#include "GiflibOracle.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace scindra::test {
namespace {

namespace fs = std::filesystem;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

const fs::path kAssets = SCINDRA_ASSETS_DIR;

struct TempFolder {
    TempFolder() { path = mkdtemp((fs::temp_directory_path() / "scindra_gif_write_XXXXXX").string().data()); }
    ~TempFolder() { fs::remove_all(path); }
    size_t EntryCount() const { return size_t(std::distance(fs::directory_iterator(path), {})); }
    fs::path path;
};

// A picture of a few hundred kilobytes: noise does not compress.
void FillWithNoise(TGIFImage& image)
{
    QImage bitmap(400, 400, QImage::Format_Indexed8);
    bitmap.setColorTable(QVector<QRgb>(256, qRgb(1, 2, 3)));
    uint32_t state = 1;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x)
            bitmap.scanLine(y)[x] = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
    image.AppendFrame(bitmap);
}

// Replaces the target whole, or leaves it as it was: into a missing folder, and
// under a file-size limit in a child (a full disk looks the same).
TEST(SaveToFile, ReplacesTheTargetWholeOrNotAtAll)
{
    TGIFImage image;
    FillWithNoise(image);
    TMemoryStream expected;
    image.WriteToStream(expected);
    TempFolder folder;
    const fs::path target = folder.path / "picture.gif", absent = folder.path / "absent" / "picture.gif";
    std::ofstream(target) << "old";
    image.SaveToFile(target.string());
    EXPECT_EQ(ReadFile(target), expected.Bytes());
    try {
        image.SaveToFile(absent.string());
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Impossible de créer le fichier " + absent.string());
    }

    std::ofstream(target) << "the good old picture";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            image.SaveToFile(target.string());
            _exit(2);
        } catch (const EWriteError&) {
            _exit(0);
        } catch (...) {
            _exit(3);
        }
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "2: saved despite the limit, 3: another failure";
    const Bytes kept = ReadFile(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the good old picture");
    EXPECT_EQ(folder.EntryCount(), 1u) << "no temporary file is left behind";
}

// 22 frames of 70 x 52 over a 256-entry global table, a second apart, 254 the
// key (4, 2, 4); all but the last restore the background; looping for ever.
TEST(Logo, MatchesItsTableWithOurReaderAndGiflib)
{
    const Bytes gif = ReadFile(kAssets / "logo.gif"), stored = ReadFile(kAssets / "logo.data");
    ASSERT_EQ(stored.size(), gif.size() + 4);
    EXPECT_EQ(uint32_t(stored[0] | stored[1] << 8 | stored[2] << 16 | stored[3] << 24), gif.size());
    EXPECT_EQ(Bytes(stored.begin() + 4, stored.end()), gif);

    TGIFImage logo;
    TMemoryStream in(stored);
    logo.ReadStoredData(in);
    EXPECT_EQ(logo.FormatVersion(), fv89a);
    EXPECT_EQ(QSize(logo.LogicalWidth(), logo.LogicalHeight()), QSize(70, 52));
    EXPECT_EQ(logo.Data().GlobalTable.EntryCount, 256);
    EXPECT_EQ(logo.Data().ColorResolution, 8);
    EXPECT_EQ(logo.BackdropColor(), 0x040204u);
    EXPECT_TRUE(logo.LoopEnabled());
    EXPECT_EQ(logo.LoopCount(), 0);
    const OracleImage oracle = DecodeWithGiflib(gif);
    ASSERT_TRUE(oracle.ok) << oracle.error;
    ASSERT_EQ(logo.FrameCount(), 22);
    ASSERT_EQ(oracle.frames.size(), 22u);
    std::array<bool, 256> used{};
    for (int k = 0; k < 22; ++k) {
        SCOPED_TRACE(k);
        TGIFFrame& frame = *logo.FrameAt(k);
        EXPECT_EQ(QRect(frame.OffsetX(), frame.OffsetY(), frame.Item().PixelWidth, frame.Item().PixelHeight), QRect(0, 0, 70, 52));
        EXPECT_FALSE(frame.HasLocalTable() || frame.IsInterlaced() || frame.IsDamaged());
        EXPECT_EQ(frame.Item().EncodedData->Bytes().at(0), 8);
        EXPECT_EQ(frame.DelayMs(), 100);
        EXPECT_EQ(frame.KeyColor(), 0x040204u);
        EXPECT_EQ(frame.TransparentIndex(), 254);
        EXPECT_EQ(frame.Disposal(), k < 21 ? dpRestoreBackground : dpKeep);
        const QImage& bitmap = frame.RenderBitmap();
        ASSERT_EQ(bitmap.size(), QSize(70, 52));
        const OracleFrame& o = oracle.frames[size_t(k)];
        EXPECT_EQ(QRect(o.left, o.top, o.width, o.height), QRect(0, 0, 70, 52));
        EXPECT_EQ(o.colours.size(), 256u);
        EXPECT_EQ(o.colours.at(254), (Rgb{4, 2, 4}));
        EXPECT_EQ(std::tuple(o.interlaced, o.delayHundredths, o.transparent, o.disposal), std::tuple(false, 10, 254, k < 21 ? 2 : 1));
        for (int y = 0; y < 52; ++y)
            for (int x = 0; x < 70; ++x) {
                used[size_t(bitmap.pixelIndex(x, y))] = true;
                ASSERT_EQ(bitmap.pixelIndex(x, y), o.indices[size_t(y * 70 + x)]) << x << "," << y;
            }
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), true), 256) << "every entry of the table is used";
}

// The tool draws without fonts or library trigonometry: run again, it gives
// the committed bytes.
TEST(Logo, ToolReproducesTheCommittedAssets)
{
    TempFolder folder;
    const std::string command = std::string(SCINDRA_MAKE_LOGO) + " " + folder.path.string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(folder.path / "logo.gif"), ReadFile(kAssets / "logo.gif"));
    EXPECT_EQ(ReadFile(folder.path / "logo.data"), ReadFile(kAssets / "logo.data"));
}

} // namespace
} // namespace scindra::test
