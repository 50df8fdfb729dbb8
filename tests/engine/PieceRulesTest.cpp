#include "engine/engine.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace scindra {
namespace {

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

// One row: a rule applied to its inputs in one style, and the expected text.
struct TextCase {
    const char* label;
    std::function<std::string()> rule;
    std::string expected;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.label; }

class TextRules : public testing::TestWithParam<TextCase> {};

TEST_P(TextRules, GiveTheExpectedText)
{
    EXPECT_EQ(GetParam().rule(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(PathRules, TextRules, testing::Values(
    TextCase{"replace, folder dot left alone (W)", [] { return RemplacerExtension(R"(C:\my.dir\clip)", ".001", W); }, R"(C:\my.dir\clip.001)"},
    TextCase{"replace, folder dot left alone (P)", [] { return RemplacerExtension("/my.dir/clip", ".001", P); }, "/my.dir/clip.001"},
    TextCase{"replace removes (W)", [] { return RemplacerExtension(R"(C:\Films\clip.avi)", "", W); }, R"(C:\Films\clip)"},
    TextCase{"replace removes (P)", [] { return RemplacerExtension("/films/clip.avi", "", P); }, "/films/clip"},
    TextCase{"replace, last dot only (W)", [] { return RemplacerExtension("archive.tar.gz", ".x", W); }, "archive.tar.x"},
    TextCase{"replace, colon is a separator (W)", [] { return RemplacerExtension("a.b:c", ".001", W); }, "a.b:c.001"},
    TextCase{"replace, colon is a letter (P)", [] { return RemplacerExtension("a.b:c", ".001", P); }, "a.001"},
    TextCase{"replace, backslash is a letter (P)", [] { return RemplacerExtension(R"(a.b\c)", ".001", P); }, "a.001"},
    TextCase{"replace, trailing separator (W)", [] { return RemplacerExtension(R"(D:\x.y\)", ".001", W); }, R"(D:\x.y\.001)"},
    TextCase{"replace, empty name", [] { return RemplacerExtension("", ".001", P); }, ".001"},
    TextCase{"folder (W)", [] { return DossierDe(R"(C:\Films\clip.avi)", W); }, R"(C:\Films\)"},
    TextCase{"folder of a drive name (W)", [] { return DossierDe("C:clip.avi", W); }, "C:"},
    TextCase{"folder (P)", [] { return DossierDe("/films/clip.avi", P); }, "/films/"},
    TextCase{"folder, time of day in the name (P)", [] { return DossierDe("/shots/12:30.png", P); }, "/shots/"},
    TextCase{"folder, none (W)", [] { return DossierDe("clip.avi", W); }, ""},
    TextCase{"folder, none (P)", [] { return DossierDe(R"(C:\x\clip)", P); }, ""},
    TextCase{"file name (W)", [] { return NomDeFichier(R"(C:\Films\clip.avi)", W); }, "clip.avi"},
    TextCase{"file name after colon (W)", [] { return NomDeFichier("12:30.png", W); }, "30.png"},
    TextCase{"file name with colon (P)", [] { return NomDeFichier("/shots/12:30.png", P); }, "12:30.png"},
    TextCase{"file name, none (P)", [] { return NomDeFichier("clip", P); }, "clip"},
    TextCase{"file name of a folder (P)", [] { return NomDeFichier("/films/", P); }, ""}));

INSTANTIATE_TEST_SUITE_P(PieceNames, TextRules, testing::Values(
    TextCase{"number 1", [] { return NumeroMorceau(1); }, "001"},
    TextCase{"number 10", [] { return NumeroMorceau(10); }, "010"},
    TextCase{"number 42", [] { return NumeroMorceau(42); }, "042"},
    TextCase{"number 999", [] { return NumeroMorceau(999); }, "999"},
    TextCase{"number 1000", [] { return NumeroMorceau(1000); }, "1000"},
    TextCase{"number 65535", [] { return NumeroMorceau(65535); }, "65535"},
    TextCase{"number past 16 bits does not wrap", [] { return NumeroMorceau(65536); }, "65536"},
    TextCase{"number past 32 bits", [] { return NumeroMorceau(4294967297LL); }, "4294967297"},
    TextCase{"piece (W)", [] { return NomMorceau(R"(C:\Films)", "Nouveau", 1, W); }, R"(C:\Films\Nouveau.001)"},
    TextCase{"piece, trailing backslash kept (W)", [] { return NomMorceau(R"(C:\Films\)", "Nouveau", 1, W); }, R"(C:\Films\\Nouveau.001)"},
    TextCase{"piece, dotted name cut (W)", [] { return NomMorceau(R"(C:\Films)", "clip.part", 3, W); }, R"(C:\Films\clip.003)"},
    TextCase{"piece, empty name (W)", [] { return NomMorceau(R"(C:\Films)", "", 1, W); }, R"(C:\Films\.001)"},
    TextCase{"piece, dotted folder (W)", [] { return NomMorceau(R"(C:\my.dir)", "clip", 1, W); }, R"(C:\my.dir\clip.001)"},
    TextCase{"piece 1000 (W)", [] { return NomMorceau(R"(C:\Films)", "Nouveau", 1000, W); }, R"(C:\Films\Nouveau.1000)"},
    TextCase{"piece (P)", [] { return NomMorceau("/films", "Nouveau", 1, P); }, "/films/Nouveau.001"},
    TextCase{"piece, trailing slash kept (P)", [] { return NomMorceau("/films/", "Nouveau", 1, P); }, "/films//Nouveau.001"},
    TextCase{"piece, dotted name cut (P)", [] { return NomMorceau("/films", "clip.part", 3, P); }, "/films/clip.003"},
    TextCase{"piece, empty name (P)", [] { return NomMorceau("/films", "", 1, P); }, "/films/.001"},
    TextCase{"piece, dotted folder (P)", [] { return NomMorceau("/my.dir", "clip", 1, P); }, "/my.dir/clip.001"},
    TextCase{"piece 1000 (P)", [] { return NomMorceau("/films", "Nouveau", 1000, P); }, "/films/Nouveau.1000"},
    TextCase{"piece 70000 (P)", [] { return NomMorceau("/films", "Nouveau", 70000, P); }, "/films/Nouveau.70000"},
    TextCase{"piece, colon in name (P)", [] { return NomMorceau("/shots", "12:30", 2, P); }, "/shots/12:30.002"},
    TextCase{"next (W)", [] { return NomMorceauSuivant(R"(D:\x\Nouveau.001)", 2, W); }, R"(D:\x\Nouveau.002)"},
    TextCase{"next past 999 (W)", [] { return NomMorceauSuivant(R"(D:\x\Nouveau.999)", 1000, W); }, R"(D:\x\Nouveau.1000)"},
    TextCase{"next after a chosen .005 (W)", [] { return NomMorceauSuivant(R"(D:\x\Nouveau.005)", 2, W); }, R"(D:\x\Nouveau.002)"},
    TextCase{"next (P)", [] { return NomMorceauSuivant("/x/Nouveau.001", 2, P); }, "/x/Nouveau.002"},
    TextCase{"next past 999 (P)", [] { return NomMorceauSuivant("/x/Nouveau.999", 1000, P); }, "/x/Nouveau.1000"},
    TextCase{"next after a chosen .005 (P)", [] { return NomMorceauSuivant("/x/Nouveau.005", 2, P); }, "/x/Nouveau.002"},
    TextCase{"next of a name without extension (P)", [] { return NomMorceauSuivant("/x.d/Nouveau", 2, P); }, "/x.d/Nouveau.002"},
    TextCase{"caption", [] { return LibelleMorceau("Nouveau", 2); }, "Nouveau.002"},
    TextCase{"caption, empty name", [] { return LibelleMorceau("", 1); }, ".001"},
    TextCase{"caption, dotted name kept whole", [] { return LibelleMorceau("clip.part", 3); }, "clip.part.003"}));

INSTANTIATE_TEST_SUITE_P(ProposedNames, TextRules, testing::Values(
    TextCase{"default (W)", [] { return NomParDefaut(R"(C:\Films\clip.avi)", W); }, "clip"},
    TextCase{"default, last extension only (W)", [] { return NomParDefaut(R"(C:\Films\archive.tar.gz)", W); }, "archive.tar"},
    TextCase{"default, quoted (W)", [] { return NomParDefaut(R"("C:\Mes films\clip.avi")", W); }, "clip"},
    TextCase{"default, quoted without extension (W)", [] { return NomParDefaut(R"("C:\Mes films\clip")", W); }, "clip"},
    TextCase{"default (P)", [] { return NomParDefaut("/films/clip.avi", P); }, "clip"},
    TextCase{"default, last extension only (P)", [] { return NomParDefaut("/films/archive.tar.gz", P); }, "archive.tar"},
    TextCase{"default, quoted (P)", [] { return NomParDefaut(R"("/mes films/clip.avi")", P); }, "clip"},
    TextCase{"default, quoted without extension (P)", [] { return NomParDefaut(R"("/mes films/mon clip")", P); }, "mon clip"},
    TextCase{"default, dotted folder (P)", [] { return NomParDefaut("/my.dir/clip", P); }, "clip"},
    TextCase{"proposed (W)", [] { return NomPropose(R"(C:\Films\clip.avi)", "Nouveau", ".avi", W); }, R"(C:\Films\Nouveau.avi)"},
    TextCase{"proposed (P)", [] { return NomPropose("/films/clip.avi", "Nouveau", ".avi", P); }, "/films/Nouveau.avi"},
    TextCase{"proposed, no folder (P)", [] { return NomPropose("clip.avi", "Nouveau", "", P); }, "Nouveau"},
    TextCase{"rebuilt (W)", [] { return NomReconstruitDepuisMorceau(R"(D:\Films\Nouveau.001)", W); }, R"(D:\Films\Nouveau)"},
    TextCase{"rebuilt (P)", [] { return NomReconstruitDepuisMorceau("/films/Nouveau.001", P); }, "/films/Nouveau"},
    TextCase{"rebuilt, dotted folder (P)", [] { return NomReconstruitDepuisMorceau("/my.dir/Nouveau", P); }, "/my.dir/Nouveau"}));

struct ExtensionCase {
    std::string displayed, finNom, extension;
};

class ExtensionRule : public testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionRule, KeepsTheLastFiveCharactersAndTheExtension)
{
    const ExtensionExtraite result = ExtraireExtension(GetParam().displayed);
    EXPECT_EQ(result.FinNom, GetParam().finNom);
    EXPECT_EQ(result.ExtensionOrigine, GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Texts, ExtensionRule, testing::Values(
    ExtensionCase{R"(C:\Films\clip.avi)", "p.avi", ".avi"},
    ExtensionCase{R"("C:\Mes films\clip.avi")", ".avi", ".avi"},
    ExtensionCase{R"(C:\x\song.mpeg)", ".mpeg", ".mpe"},
    ExtensionCase{"a.c", "a.c", ".c"},
    ExtensionCase{"", "", ""},
    ExtensionCase{R"(C:\x\a.b.c)", "a.b.c", ".b.c"},
    ExtensionCase{"/films/clip.avi", "p.avi", ".avi"},
    ExtensionCase{R"("/mes films/clip.avi")", ".avi", ".avi"},
    // No dot among the last five characters: no extension.
    ExtensionCase{R"(C:\x\clip)", R"(\clip)", ""},
    ExtensionCase{"/x/README", "EADME", ""},
    ExtensionCase{R"("/mes films/clip")", "clip", ""},
    // Counted in characters, never cutting one in two.
    ExtensionCase{"/x/vidéo.avi", "o.avi", ".avi"},
    ExtensionCase{"/x/été.mp3", "é.mp3", ".mp3"},
    ExtensionCase{"/x/a.éèàù", ".éèàù", ".éèà"},
    ExtensionCase{"/x/ça€", "x/ça€", ""}));

struct NumberCase {
    const char* label;
    std::function<int64_t()> rule;
    int64_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* out) { *out << c.label; }

class NumberRules : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberRules, GiveTheExpectedFigure)
{
    EXPECT_EQ(GetParam().rule(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Figures, NumberRules, testing::Values(
    NumberCase{"Mo 499,999", [] { return TailleMo(499999); }, 0},
    NumberCase{"Mo 500,000 tie to even", [] { return TailleMo(500000); }, 0},
    NumberCase{"Mo 500,001", [] { return TailleMo(500001); }, 1},
    NumberCase{"Mo 1,500,000", [] { return TailleMo(1500000); }, 2},
    NumberCase{"Mo 2,500,000", [] { return TailleMo(2500000); }, 2},
    NumberCase{"Mo 3,500,000", [] { return TailleMo(3500000); }, 4},
    NumberCase{"Mo 5 GiB", [] { return TailleMo(5368709120LL); }, 5369},
    NumberCase{"Mo per piece 7,400,000 / 2", [] { return TailleMoMorceau(7400000, 2); }, 4},
    NumberCase{"Mo per piece 5,400,000 / 2", [] { return TailleMoMorceau(5400000, 2); }, 3},
    NumberCase{"Mo per piece 5,000,000 / 2", [] { return TailleMoMorceau(5000000, 2); }, 2},
    NumberCase{"new Mo 7 / 2", [] { return TailleMoNouvelle(7, 2); }, 4},
    NumberCase{"new Mo 5 / 2", [] { return TailleMoNouvelle(5, 2); }, 2},
    NumberCase{"piece size 10 / 4", [] { return TailleMorceau(10, 4); }, 2},
    NumberCase{"piece size 14 / 4", [] { return TailleMorceau(14, 4); }, 4},
    NumberCase{"piece size 10 / 3", [] { return TailleMorceau(10, 3); }, 3},
    NumberCase{"piece size 1 / 2", [] { return TailleMorceau(1, 2); }, 0},
    NumberCase{"piece size 1,000,000 / 3", [] { return TailleMorceau(1000000, 3); }, 333333},
    NumberCase{"piece size 6 GiB / 2", [] { return TailleMorceau(6442450944LL, 2); }, 3221225472LL},
    NumberCase{"pieces 10 by 3", [] { return NombreMorceaux(10, 3); }, 4},
    NumberCase{"pieces 9 by 3", [] { return NombreMorceaux(9, 3); }, 3},
    NumberCase{"pieces 10 by 2", [] { return NombreMorceaux(10, 2); }, 5},
    NumberCase{"pieces 0 by 5", [] { return NombreMorceaux(0, 5); }, 0},
    NumberCase{"pieces 1,000,000 by 333,333", [] { return NombreMorceaux(1000000, 333333); }, 4},
    NumberCase{"pieces 4 GiB + 1 by 1 GiB", [] { return NombreMorceaux(4294967297LL, 1073741824LL); }, 5},
    NumberCase{"pieces 2^62 + 1 by 2^61", [] { return NombreMorceaux((1LL << 62) + 1, 1LL << 61); }, 3},
    NumberCase{"pieces 70,000 by 1 (no 16-bit wrap)", [] { return NombreMorceaux(70000, 1); }, 70000},
    NumberCase{"progress 1 of 3", [] { return int64_t{Progression(1, 3)}; }, 33},
    NumberCase{"progress 1 of 2", [] { return int64_t{Progression(1, 2)}; }, 50},
    NumberCase{"progress 1 of 8", [] { return int64_t{Progression(1, 8)}; }, 12},
    NumberCase{"progress 3 of 8", [] { return int64_t{Progression(3, 8)}; }, 38},
    NumberCase{"progress 10 of 10", [] { return int64_t{Progression(10, 10)}; }, 100},
    NumberCase{"progress 5 GiB of 10 GiB", [] { return int64_t{Progression(5368709120LL, 10737418240LL)}; }, 50}));

struct FailureCase {
    const char* label;
    std::function<void()> rule;
    std::string message;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class FailingRules : public testing::TestWithParam<FailureCase> {};

TEST_P(FailingRules, RaiseTheExactMessage)
{
    try {
        GetParam().rule();
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), GetParam().message);
    }
}

const std::string kZeroDivide = "Division par zéro en virgule flottante";
const std::string kInvalidOp = "Opération en virgule flottante incorrecte";

INSTANTIATE_TEST_SUITE_P(Divisions, FailingRules, testing::Values(
    FailureCase{"pieces 10 by 0", [] { NombreMorceaux(10, 0); }, kZeroDivide},
    FailureCase{"pieces 0 by 0", [] { NombreMorceaux(0, 0); }, kInvalidOp},
    FailureCase{"piece size, 0 pieces", [] { TailleMorceau(10, 0); }, kZeroDivide},
    FailureCase{"piece size of nothing, 0 pieces", [] { TailleMorceau(0, 0); }, kInvalidOp},
    FailureCase{"Mo per piece, 0 pieces", [] { TailleMoMorceau(10, 0); }, kZeroDivide},
    FailureCase{"Mo per piece of nothing, 0 pieces", [] { TailleMoMorceau(0, 0); }, kInvalidOp},
    FailureCase{"new Mo, 0 pieces", [] { TailleMoNouvelle(3, 0); }, kZeroDivide},
    FailureCase{"new Mo of nothing, 0 pieces", [] { TailleMoNouvelle(0, 0); }, kInvalidOp},
    FailureCase{"progress of an empty file", [] { Progression(0, 0); }, kInvalidOp},
    FailureCase{"negative number of pieces", [] { TailleMorceau(10, -3); },
                "Le nombre de morceaux ne peut pas être négatif (-3)"},
    FailureCase{"negative piece size", [] { NombreMorceaux(10, -4); },
                "La taille des morceaux ne peut pas être négative (-4)"}));

} // namespace
} // namespace scindra
