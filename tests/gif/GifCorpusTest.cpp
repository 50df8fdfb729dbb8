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
#include <functional>
#include <regex>

namespace scindra::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> GifsIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().extension() == ".gif")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

void ExpectOurMessage(const Exception& e, const std::string& where)
{
    static const std::regex known(
        "Unknown GIF version|GIF encoded data is corrupt|GIF code size not in range 2 to 9|"
        "Wrong number of colors; must be a power of 2|Unrecognized extension block: [0-9a-f]{2}|"
        "Erreur de lecture du flux");
    EXPECT_TRUE(std::regex_match(e.what(), known)) << where << ": " << e.what();
}

// Reads the file or the bytes, then renders every frame read, even after a
// failed load, each failure checked on its own.
void LoadAndRender(const std::function<void(TGIFImage&)>& load)
{
    TGIFImage image;
    try {
        load(image);
    } catch (const Exception& e) {
        ExpectOurMessage(e, "load");
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            const QImage& bitmap = image.FrameAt(i)->RenderBitmap();
            EXPECT_TRUE(bitmap.isNull() || bitmap.format() == QImage::Format_Mono ||
                        bitmap.format() == QImage::Format_Indexed8);
        } catch (const Exception& e) {
            ExpectOurMessage(e, "frame " + std::to_string(i));
        }
    }
}

class DamagedGif : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedGif, LoadsAndRendersOrFailsWithOurMessage)
{
    LoadAndRender([this](TGIFImage& image) { image.LoadFromFile(GetParam()); });
}

const auto kDamaged = GifsIn(SCINDRA_GIF_CORPUS_DIR);

std::string FileTestName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = fs::path(info.param).stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedGif, ::testing::ValuesIn(kDamaged), FileTestName);
INSTANTIATE_TEST_SUITE_P(Regressions, DamagedGif, ::testing::ValuesIn(GifsIn(SCINDRA_GIF_REGRESSION_DIR)), FileTestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(DamagedGif);

TEST(DamagedGifCorpus, FolderIsPresent)
{
    if (kDamaged.empty())
        GTEST_SKIP() << "no damaged GIF corpus at " << SCINDRA_GIF_CORPUS_DIR
                     << " (clone shared/ beside the repository to run it)";
    EXPECT_GE(kDamaged.size(), 283u);
}

// The same promise on built files: prefixes at a spread of lengths, and
// single bytes overwritten with block labels and extreme values.
TEST(MutatedBuiltGif, EveryCutAndOverwriteLoadsOrFailsWithOurMessage)
{
    const std::vector<std::string> chosen = {"CodeSize2", "CodeSize8_NoLeadingClear", "Interlaced_Height5",
                                             "Table256_CodeSize2", "DoubleClear", "LocalTablesTransparencyOffsets"};
    for (const GifCase& c : OracleCases()) {
        if (std::find(chosen.begin(), chosen.end(), c.name) == chosen.end())
            continue;
        SCOPED_TRACE(c.name);
        for (std::size_t at = 0; at < c.gif.size(); at += std::max<std::size_t>(1, c.gif.size() / 97)) {
            for (int value : {-1, 0x00, 0xFF, 0x2C, 0x21, 0x0C}) {
                Bytes mutated = c.gif;
                if (value < 0)
                    mutated.resize(at);
                else
                    mutated[at] = static_cast<uint8_t>(value);
                LoadAndRender([&](TGIFImage& image) {
                    TMemoryStream stream(mutated);
                    image.ReadGIF(static_cast<int64_t>(mutated.size()), stream, true);
                });
            }
        }
    }
}

} // namespace
} // namespace scindra::test
