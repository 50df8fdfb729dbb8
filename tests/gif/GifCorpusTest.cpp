// Hostile files: every damaged GIF (a corpus found by fuzzing another decoder,
// plus the inputs our own fuzz target once crashed on) must load and render
// each frame, or fail with one of the reader's own messages. Run under the
// sanitizers, this is what proves no input reads or writes out of bounds.
#include "GifBuilder.h"
#include "GifCases.h"

#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>

namespace scindra::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> GifsIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return files;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.is_regular_file() && entry.path().extension() == ".gif")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

bool IsOurMessage(const std::string& message)
{
    static const std::regex known(
        "Unknown GIF version|GIF encoded data is corrupt|GIF code size not in range 2 to 9|"
        "Wrong number of colors; must be a power of 2|Unrecognized extension block: [0-9a-f]{2}|"
        "Erreur de lecture du flux");
    return std::regex_match(message, known);
}

class DamagedGif : public ::testing::TestWithParam<std::string> {};

// Renders every frame the image holds, each failure checked on its own.
void RenderEveryFrame(TGIFImage& image)
{
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            const QImage& bitmap = image.FrameAt(i)->RenderBitmap();
            EXPECT_TRUE(bitmap.isNull() || bitmap.format() == QImage::Format_Mono ||
                        bitmap.format() == QImage::Format_Indexed8);
        } catch (const Exception& e) {
            EXPECT_TRUE(IsOurMessage(e.what())) << "frame " << i << ": " << e.what();
        }
    }
}

TEST_P(DamagedGif, LoadsAndRendersOrFailsWithOurMessage)
{
    TGIFImage image;
    try {
        image.LoadFromFile(GetParam());
    } catch (const Exception& e) {
        EXPECT_TRUE(IsOurMessage(e.what())) << "load: " << e.what();
    }
    // A failed load keeps the frames read before the failure: render them too.
    RenderEveryFrame(image);
}

const auto kDamaged = GifsIn(SCINDRA_GIF_CORPUS_DIR);
const auto kRegressions = GifsIn(SCINDRA_GIF_REGRESSION_DIR);

std::string FileTestName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = fs::path(info.param).stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedGif, ::testing::ValuesIn(kDamaged), FileTestName);
INSTANTIATE_TEST_SUITE_P(Regressions, DamagedGif, ::testing::ValuesIn(kRegressions), FileTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DamagedGif);

TEST(DamagedGifCorpus, FolderIsPresent)
{
    if (kDamaged.empty())
        GTEST_SKIP() << "no damaged GIF corpus at " << SCINDRA_GIF_CORPUS_DIR
                     << " (clone shared/ beside the repository to run it)";
    EXPECT_GE(kDamaged.size(), 283u);
}

// Reads bytes as ReadFromStream would and renders what was read; the
// returned text is empty on success, else the failure's message.
std::string LoadAndRender(const Bytes& bytes)
{
    TMemoryStream stream(bytes);
    TGIFImage image;
    std::string failure;
    try {
        image.ReadGIF(static_cast<int64_t>(bytes.size()), stream, true);
    } catch (const Exception& e) {
        failure = e.what();
        EXPECT_TRUE(IsOurMessage(failure)) << "load: " << failure;
    }
    RenderEveryFrame(image);
    return failure;
}

// The same promise on inputs made here: every prefix of a few built files at
// a spread of lengths, and single bytes overwritten across each file.
TEST(MutatedBuiltGif, EveryCutAndOverwriteLoadsOrFailsWithOurMessage)
{
    const std::vector<std::string> chosen = {"CodeSize2", "CodeSize8_NoLeadingClear", "Interlaced_Height5",
                                             "Table256_CodeSize2", "DoubleClear", "LocalTablesNoGlobal",
                                             "LocalTablesTransparencyOffsets"};
    int runs = 0;
    for (const GifCase& c : OracleCases()) {
        if (std::find(chosen.begin(), chosen.end(), c.name) == chosen.end())
            continue;
        SCOPED_TRACE(c.name);
        const std::size_t step = std::max<std::size_t>(1, c.gif.size() / 97);
        for (std::size_t cut = 0; cut < c.gif.size(); cut += step, ++runs)
            LoadAndRender(Bytes(c.gif.begin(), c.gif.begin() + static_cast<std::ptrdiff_t>(cut)));
        for (std::size_t at = 0; at < c.gif.size(); at += step) {
            for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x2C}, uint8_t{0x21}, uint8_t{0x0C}}) {
                Bytes mutated = c.gif;
                mutated[at] = value;
                LoadAndRender(mutated);
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 1000);
}

} // namespace
} // namespace scindra::test
