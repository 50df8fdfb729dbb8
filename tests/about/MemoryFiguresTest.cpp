// The memory figures of the About window: what /proc/meminfo text gives, how
// the load is bounded, and how the two figures read.

#include "platform/MemoryStatus.h"
#include "ui/about/MemoryText.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kGiB = int64_t{1} << 30;

TEST(TotalMemoryText, KilobytesRoundHalfUpAndGroupByThree)
{
    struct Case {
        int64_t bytes;
        const char16_t* separator;
        const char16_t* expected;
    };
    const Case cases[] = {
        {268'435'456, u",", u"262,144 KB"},
        {1'048'064, u",", u"1,024 KB"},          // 1,023.5 KB: the half goes up
        {1'048'063, u",", u"1,023 KB"},          // just below the half
        {511, u",", u"0 KB"},
        {512, u",", u"1 KB"},
        {1024, u",", u"1 KB"},
        {999 * 1024, u",", u"999 KB"},
        {1000 * 1024, u",", u"1,000 KB"},
        {16 * kGiB, u",", u"16,777,216 KB"},     // past every 32-bit count
        {1024 * kGiB, u",", u"1,073,741,824 KB"},
        {kMax, u",", u"9,007,199,254,740,992 KB"},
        {0, u",", u"0 KB"},                      // the query failed
        {-4096, u",", u"0 KB"},
        {268'435'456, u".", u"262.144 KB"},
        {268'435'456, u"\u202F", u"262\u202F144 KB"},
        {16 * kGiB, u"'", u"16'777'216 KB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TotalMemoryText(c.bytes, QString::fromUtf16(c.separator)), QString::fromUtf16(c.expected))
            << c.bytes;
}

TEST(TotalMemoryText, TakesTheLocalesSeparatorWhateverItsLength)
{
    const QString french = ThousandsSeparator(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(french, QString(QChar(0x202F)));
    EXPECT_EQ(french.toUtf8().size(), 3);
    EXPECT_EQ(TotalMemoryText(16 * kGiB, french), QStringLiteral("16\u202F777\u202F216 KB"));
    EXPECT_EQ(ThousandsSeparator(QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("."));
    EXPECT_EQ(ThousandsSeparator(QLocale::c()), QStringLiteral(","));
}

TEST(MemoryLoadText, NumberBlankPercent)
{
    EXPECT_EQ(MemoryLoadText(0), QStringLiteral("0 %"));
    EXPECT_EQ(MemoryLoadText(42), QStringLiteral("42 %"));
    EXPECT_EQ(MemoryLoadText(100), QStringLiteral("100 %"));
}

TEST(MemoryStatusFromCounts, LoadIsTheShareNotAvailableHeldWithinBounds)
{
    struct Case {
        int64_t total, available, expectedTotal;
        int32_t expectedLoad;
    };
    const Case cases[] = {
        {1000, 250, 1000, 75},
        {1000, 1000, 1000, 0},
        {1000, 0, 1000, 100},
        {3, 1, 3, 66},                       // rounded down
        {1000, 5000, 1000, 0},               // more available than there is
        {1000, -5, 1000, 100},
        {0, 0, 0, 0},                        // nothing learnt: 0 KB, 0 %
        {-1, 10, 0, 0},
        {kMax, 0, kMax, 100},                // used * 100 exceeds 64 bits
        {kMax, kMax / 2, kMax, 50},
        {kMax, kMax / 4 * 3, kMax, 25},
    };
    for (const Case& c : cases) {
        const MemoryStatus status = MemoryStatusFromCounts(c.total, c.available);
        EXPECT_EQ(status.TotalPhys, c.expectedTotal) << c.total << " / " << c.available;
        EXPECT_EQ(status.MemoryLoad, c.expectedLoad) << c.total << " / " << c.available;
    }
}

const char kMemInfo[] =
    "MemTotal:       16303232 kB\n"
    "MemFree:         1215648 kB\n"
    "MemAvailable:    4075808 kB\n"
    "Buffers:          306232 kB\n"
    "Cached:          3010032 kB\n"
    "SwapCached:        12044 kB\n"
    "HugePages_Total:       0\n"
    "Hugepagesize:       2048 kB\n";

TEST(ParseMemInfo, ReadsTotalAndAvailableOrTheirStandIns)
{
    struct Case {
        const char* name;
        std::string text;
        std::optional<int64_t> totalKib;
        int32_t load;
    };
    const Case cases[] = {
        {"a whole file", kMemInfo, 16303232, 75},
        {"no MemAvailable: free + buffers + cached",
         "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\n", 1000, 60},
        {"no MemAvailable, buffers nor cached", "MemTotal: 1000 kB\nMemFree: 100 kB\n", 1000, 90},
        {"MemAvailable before MemTotal, no final newline", "MemAvailable: 500 kB\nMemTotal: 1000 kB", 1000, 50},
        {"CRLF lines and tabs", "MemTotal:\t1000 kB\r\nMemAvailable:\t250 kB\r\n", 1000, 75},
        {"no blank after the colon", "MemTotal:1000 kB\nMemAvailable:1000 kB\n", 1000, 0},
        {"the first of two lines counts", "MemTotal: 1000 kB\nMemTotal: 10 kB\nMemAvailable: 0 kB\n", 1000, 100},
        {"a damaged line before a good one", "MemTotal: 12x kB\nMemTotal: 1000 kB\nMemFree: 0 kB\n", 1000, 100},
        {"available above total", "MemTotal: 1000 kB\nMemAvailable: 9000 kB\n", 1000, 0},
        {"the largest count that fits", "MemTotal: 9007199254740991 kB\nMemAvailable: 0 kB\n",
         9007199254740991, 100},
        {"empty", "", std::nullopt, 0},
        {"no MemTotal", "MemFree: 100 kB\nMemAvailable: 100 kB\n", std::nullopt, 0},
        {"a total of 0", "MemTotal: 0 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"no available figure at all", "MemTotal: 1000 kB\nBuffers: 5 kB\nCached: 5 kB\n", std::nullopt, 0},
        {"a negative total", "MemTotal: -1000 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"a total past 64 bits of bytes", "MemTotal: 9007199254740992 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"a total of twenty digits", "MemTotal: 99999999999999999999 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"another unit", "MemTotal: 1000 MB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"no unit", "MemTotal: 1000\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"no colon", "MemTotal 1000 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"trailing text", "MemTotal: 1000 kB extra\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"a name with a blank", " MemTotal: 1000 kB\nMemAvailable: 0 kB\n", std::nullopt, 0},
        {"a NUL in the number", std::string("MemTotal: 10\0 00 kB\nMemAvailable: 0 kB\n", 39), std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const std::optional<MemoryStatus> status = ParseMemInfo(c.text);
        ASSERT_EQ(status.has_value(), c.totalKib.has_value()) << c.name;
        if (!status)
            continue;
        EXPECT_EQ(status->TotalPhys, *c.totalKib * 1024) << c.name;
        EXPECT_EQ(status->MemoryLoad, c.load) << c.name;
    }
}

// Random damage to a real file: the parser answers or declines, never reads
// past the text (the sanitizer build watches) and never gives a load out of
// bounds.
TEST(ParseMemInfo, SurvivesDamagedText)
{
    std::mt19937 random(12);
    const std::string original = kMemInfo;
    for (int round = 0; round < 3000; ++round) {
        std::string text = original.substr(0, random() % (original.size() + 1));
        for (int flips = random() % 6; flips > 0 && !text.empty(); --flips)
            text[random() % text.size()] = static_cast<char>(random() & 0xFF);
        if (const std::optional<MemoryStatus> status = ParseMemInfo(text)) {
            EXPECT_GT(status->TotalPhys, 0);
            EXPECT_GE(status->MemoryLoad, 0);
            EXPECT_LE(status->MemoryLoad, 100);
        }
    }
}

TEST(GlobalMemoryStatus, ThisMachineOrTheInstalledSource)
{
    const MemoryStatus machine = GlobalMemoryStatus();
    EXPECT_GT(machine.TotalPhys, 0);
    EXPECT_GE(machine.MemoryLoad, 0);
    EXPECT_LE(machine.MemoryLoad, 100);
    {
        ScopedMemoryStatusSource source([] { return MemoryStatus{4096, 7}; });
        EXPECT_EQ(GlobalMemoryStatus().TotalPhys, 4096);
        EXPECT_EQ(GlobalMemoryStatus().MemoryLoad, 7);
    }
    EXPECT_GT(GlobalMemoryStatus().TotalPhys, 0);
}

} // namespace
} // namespace scindra
