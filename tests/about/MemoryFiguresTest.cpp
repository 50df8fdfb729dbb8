// The memory figures of the About window: what /proc/meminfo text gives, how
// the load is bounded, and how the two figures read.

#include "platform/MemoryStatus.h"
#include "ui/about/MemoryText.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

TEST(MemoryText, KilobytesRoundHalfUpGroupByThreeAndLoadsReadAsPercent)
{
    const std::pair<int64_t, const char*> cases[] = {
        {268'435'456, "262,144 KB"}, {1'048'064, "1,024 KB"}, // 1,023.5 KB: the half goes up
        {1'048'063, "1,023 KB"},     {int64_t{1} << 34, "16,777,216 KB"}, // 16 GiB, past every 32-bit count
        {int64_t{1} << 40, "1,073,741,824 KB"}, {kMax, "9,007,199,254,740,992 KB"}, // 1 TiB; no overflow rounding
        {0, "0 KB"}, // the query failed
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(TotalMemoryText(bytes, QStringLiteral(",")), QString::fromUtf8(expected)) << bytes;
    // Another locale's separator is taken whole, though it is three bytes long.
    const QString narrowBlank = ThousandsSeparator(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(TotalMemoryText(int64_t{1} << 34, narrowBlank), QStringLiteral("16\u202F777\u202F216 KB"));
    EXPECT_EQ(MemoryLoadText(0), QStringLiteral("0 %"));
    EXPECT_EQ(MemoryLoadText(100), QStringLiteral("100 %"));
}

TEST(MemoryStatusFromCounts, LoadIsTheShareNotAvailableHeldWithinBounds)
{
    const std::tuple<int64_t, int64_t, int64_t, int32_t> cases[] = {
        {3, 1, 3, 66}, {1000, 5000, 1000, 0}, {1000, -5, 1000, 100}, // rounded down, then held within bounds
        {0, 0, 0, 0}, {-1, 10, 0, 0}, {kMax, kMax / 2, kMax, 50}, // nothing learnt: 0 KB, 0 %; used * 100 > 64 bits
    };
    for (const auto& [total, available, expectedTotal, expectedLoad] : cases) {
        const MemoryStatus status = MemoryStatusFromCounts(total, available);
        EXPECT_EQ(status.TotalPhys, expectedTotal) << total << " / " << available;
        EXPECT_EQ(status.MemoryLoad, expectedLoad) << total << " / " << available;
    }
}

const char kMemInfo[] = "MemTotal:       16303232 kB\nMemFree:         1215648 kB\nMemAvailable:    4075808 kB\n"
                        "Buffers:          306232 kB\nCached:          3010032 kB\nHugePages_Total:       0\n";

TEST(ParseMemInfo, ReadsTotalAndAvailableOrTheirStandIns)
{
    const std::tuple<std::string, int64_t, int32_t> read[] = {
        {kMemInfo, 16303232, 75},
        {"MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n", 1000, 60}, // no MemAvailable
        {"MemTotal: 1000 kB\nMemFree: 100 kB\n", 1000, 90},
        {"MemAvailable:\t500 kB\r\nMemTotal: 1000 kB", 1000, 50},
        {"MemTotal: 1000 kB\nMemTotal: 10 kB\nMemAvailable: 0 kB\n", 1000, 100}, // the first line counts
        {"MemTotal: 12x kB\nMemTotal: 1000 kB\nMemFree: 0 kB\n", 1000, 100},
        {"MemTotal: 9007199254740991 kB\nMemAvailable: 0 kB\n", 9007199254740991, 100}, // largest that fits
    };
    for (const auto& [text, totalKib, load] : read) {
        const std::optional<MemoryStatus> status = ParseMemInfo(text);
        ASSERT_TRUE(status.has_value()) << text;
        EXPECT_EQ(status->TotalPhys, totalKib * 1024) << text;
        EXPECT_EQ(status->MemoryLoad, load) << text;
    }
    const std::string declined[] = {
        "", "MemFree: 100 kB\nMemAvailable: 100 kB\n", "MemTotal: 0 kB\nMemAvailable: 0 kB\n",
        "MemTotal: 1000 kB\nBuffers: 5 kB\nCached: 5 kB\n", "MemTotal: -1000 kB\nMemAvailable: 0 kB\n",
        "MemTotal: 9007199254740992 kB\nMemAvailable: 0 kB\n", "MemTotal: 1000 MB\nMemAvailable: 0 kB\n",
        "MemTotal: 99999999999999999999 kB\nMemAvailable: 0 kB\n", "MemTotal: 1000 kB extra\nMemAvailable: 0 kB\n",
        std::string("MemTotal: 10\0 00 kB\nMemAvailable: 0 kB\n", 39),
    };
    for (const std::string& text : declined)
        EXPECT_FALSE(ParseMemInfo(text).has_value()) << text;
}

// Random damage to a real file: the parser answers or declines, never reads
// past the text (the sanitizer build watches) and never gives a load out of
// bounds.
TEST(ParseMemInfo, SurvivesDamagedText)
{
    std::mt19937 random(12);
    for (int round = 0; round < 3000; ++round) {
        std::string text = std::string(kMemInfo).substr(0, random() % sizeof kMemInfo);
        for (int flips = random() % 6; flips > 0 && !text.empty(); --flips)
            text[random() % text.size()] = static_cast<char>(random() & 0xFF);
        const std::optional<MemoryStatus> status = ParseMemInfo(text);
        EXPECT_TRUE(!status || (status->TotalPhys > 0 && status->MemoryLoad >= 0 && status->MemoryLoad <= 100)) << text;
    }
}

} // namespace
} // namespace scindra
