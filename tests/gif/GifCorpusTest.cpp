// Hostile files: every damaged GIF (a corpus found by fuzzing another decoder,
// plus the inputs our own fuzz target once crashed on) must load and render
// each frame, or fail with one of the reader's own messages. Run under the
// sanitizers, this is what proves no input reads or writes out of bounds.
#include "gif/GIFImage.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <iostream>
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

struct Tally {
    int loaded = 0;
    int failedToLoad = 0;
    int framesRendered = 0;
    int framesFailed = 0;
};
Tally tally;

class DamagedGif : public ::testing::TestWithParam<std::string> {
public:
    static void TearDownTestSuite()
    {
        std::cout << "GIF corpus: " << tally.loaded << " files loaded, " << tally.failedToLoad
                  << " failed with our messages; frames: " << tally.framesRendered << " rendered, "
                  << tally.framesFailed << " failed with our messages\n";
    }
};

TEST_P(DamagedGif, LoadsAndRendersOrFailsWithOurMessage)
{
    TGIFImage image;
    try {
        image.LoadFromFile(GetParam());
        ++tally.loaded;
    } catch (const Exception& e) {
        ++tally.failedToLoad;
        EXPECT_TRUE(IsOurMessage(e.what())) << "load: " << e.what();
    }
    // A failed load keeps the frames read before the failure: render them too.
    for (int i = 0; i < image.FrameCount(); ++i) {
        TGIFFrame* frame = image.FrameAt(i);
        ASSERT_NE(frame, nullptr);
        try {
            const QImage& bitmap = frame->RenderBitmap();
            ++tally.framesRendered;
            if (!bitmap.isNull())
                EXPECT_TRUE(bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_Indexed8);
        } catch (const Exception& e) {
            ++tally.framesFailed;
            EXPECT_TRUE(IsOurMessage(e.what())) << "frame " << i << ": " << e.what();
        }
    }
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

} // namespace
} // namespace scindra::test
