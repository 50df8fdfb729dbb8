#include "rtl/Format.h"

#include <gtest/gtest.h>

namespace scindra {
namespace {

TEST(Format, ZeroPaddingAndThousands)
{
    struct Row { int64_t value; int digits; const char* padded; const char* grouped; };
    for (const Row& row : {Row{0, 3, "000", "0"}, Row{7, 3, "007", "7"}, Row{1234, 3, "1234", "1 234"},
                           Row{-7, 3, "-007", "-7"}, Row{1234567, 0, "1234567", "1 234 567"},
                           Row{INT64_MIN, 3, "-9223372036854775808", "-9 223 372 036 854 775 808"}}) {
        EXPECT_EQ(FormatZeroPadded(row.value, row.digits), row.padded);
        EXPECT_EQ(FormatThousands(row.value, " "), row.grouped);
    }
}

TEST(Format, TextSubstitutesInOrder)
{
    EXPECT_EQ(FormatText("Impossible d'ouvrir le fichier %s", {"/x/a b"}), "Impossible d'ouvrir le fichier /x/a b");
    EXPECT_EQ(FormatText("%s-%s-%s", {"a", "b"}), "a-b-%s");
    EXPECT_EQ(FormatText("100%", {"x"}), "100%");
}

TEST(Format, CharactersAreCodePoints)
{
    struct Row { const char* text; size_t count; const char* last; const char* first; };
    for (const Row& row : {Row{"abcdef", 5, "bcdef", "abcde"}, Row{"ab", 5, "ab", "ab"}, Row{"", 5, "", ""},
                           Row{"vidéo.avi", 6, "éo.avi", "vidéo."}, Row{"€€€", 2, "€€", "€€"},
                           Row{"a\x80\x80" "b", 2, "a\x80\x80" "b", "a\x80\x80" "b"}}) {
        EXPECT_EQ(LastCharacters(row.text, row.count), row.last) << row.text;
        EXPECT_EQ(FirstCharacters(row.text, row.count), row.first) << row.text;
    }
}

} // namespace
} // namespace scindra
