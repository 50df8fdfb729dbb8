#include "engine/engine.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>

namespace scindra {
namespace {

using testing_support::MessageOf;

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

TEST(PathRules, SplitAndReplaceOnlyAtTheSeparatorsOfTheStyle)
{
    struct Row { const char* name; PathStyle style; const char* replaced; const char* folder; const char* file; };
    for (const Row& row : {
             Row{R"(C:\my.dir\clip)", W, R"(C:\my.dir\clip.001)", R"(C:\my.dir\)", "clip"},
             Row{"/my.dir/clip", P, "/my.dir/clip.001", "/my.dir/", "clip"},
             Row{"/films/clip.avi", P, "/films/clip.001", "/films/", "clip.avi"},
             Row{"archive.tar.gz", W, "archive.tar.001", "", "archive.tar.gz"},
             Row{"C:clip.avi", W, "C:clip.001", "C:", "clip.avi"},
             Row{"a.b:c", W, "a.b:c.001", "a.b:", "c"},
             Row{"a.b:c", P, "a.001", "", "a.b:c"},
             Row{R"(a.b\c)", P, "a.001", "", R"(a.b\c)"},
             Row{"/shots/12:30.png", P, "/shots/12:30.001", "/shots/", "12:30.png"},
             Row{R"(D:\x.y\)", W, R"(D:\x.y\.001)", R"(D:\x.y\)", ""},
             Row{"", P, ".001", "", ""}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(RemplacerExtension(row.name, ".001", row.style), row.replaced);
        EXPECT_EQ(DossierDe(row.name, row.style), row.folder);
        EXPECT_EQ(NomDeFichier(row.name, row.style), row.file);
    }
}

TEST(PieceNames, NumberedWithAtLeastThreeDigitsAndNoWrap)
{
    struct Number { int64_t k; const char* text; };
    for (const Number& n : {Number{1, "001"}, Number{10, "010"}, Number{999, "999"}, Number{1000, "1000"},
                            Number{4294967297LL, "4294967297"}})
        EXPECT_EQ(NumeroMorceau(n.k), n.text);

    struct Row { const char* folder; const char* name; int64_t k; PathStyle style; const char* piece; };
    for (const Row& row : {
             Row{R"(C:\Films)", "Nouveau", 1, W, R"(C:\Films\Nouveau.001)"},
             Row{R"(C:\Films\)", "Nouveau", 1, W, R"(C:\Films\\Nouveau.001)"},
             Row{"/films", "Nouveau", 1, P, "/films/Nouveau.001"},
             Row{"/films/", "Nouveau", 1, P, "/films//Nouveau.001"},
             Row{"/films", "clip.part", 3, P, "/films/clip.003"},
             Row{"/films", "", 1, P, "/films/.001"},
             Row{"/my.dir", "clip", 1, P, "/my.dir/clip.001"},
             Row{"/films", "Nouveau", 70000, P, "/films/Nouveau.70000"}})
        EXPECT_EQ(NomMorceau(row.folder, row.name, row.k, row.style), row.piece) << row.folder << ' ' << row.name;

    struct Next { const char* current; int64_t k; PathStyle style; const char* next; };
    for (const Next& row : {Next{R"(D:\x\Nouveau.001)", 2, W, R"(D:\x\Nouveau.002)"},
                            Next{"/x/Nouveau.999", 1000, P, "/x/Nouveau.1000"},
                            Next{"/x/Nouveau.005", 2, P, "/x/Nouveau.002"}, // after a chosen .005
                            Next{"/x.d/Nouveau", 2, P, "/x.d/Nouveau.002"}})
        EXPECT_EQ(NomMorceauSuivant(row.current, row.k, row.style), row.next);

    // The caption keeps a dotted name whole.
    EXPECT_EQ(LibelleMorceau("Nouveau", 2), "Nouveau.002");
    EXPECT_EQ(LibelleMorceau("clip.part", 3), "clip.part.003");
}

TEST(ProposedNames, DropFolderQuotesAndLastExtension)
{
    struct Row { const char* displayed; PathStyle style; const char* name; };
    for (const Row& row : {Row{R"(C:\Films\clip.avi)", W, "clip"}, Row{R"("C:\Mes films\clip.avi")", W, "clip"},
                           Row{"/films/archive.tar.gz", P, "archive.tar"}, Row{R"("/mes films/clip.avi")", P, "clip"},
                           Row{R"("/mes films/mon clip")", P, "mon clip"}, Row{"/my.dir/clip", P, "clip"}})
        EXPECT_EQ(NomParDefaut(row.displayed, row.style), row.name) << row.displayed;

    EXPECT_EQ(NomPropose("/films/clip.avi", "Nouveau", ".avi", P), "/films/Nouveau.avi");
    EXPECT_EQ(NomPropose(R"(C:\Films\clip.avi)", "Nouveau", ".avi", W), R"(C:\Films\Nouveau.avi)");
    EXPECT_EQ(NomPropose("clip.avi", "Nouveau", "", P), "Nouveau");
    EXPECT_EQ(NomReconstruitDepuisMorceau("/films/Nouveau.001", P), "/films/Nouveau");
    EXPECT_EQ(NomReconstruitDepuisMorceau("/my.dir/Nouveau", P), "/my.dir/Nouveau");
}

TEST(ProposedNames, ExtensionComesFromTheLastFiveCharacters)
{
    struct Row { const char* displayed; const char* finNom; const char* extension; };
    for (const Row& row : {
             Row{R"(C:\Films\clip.avi)", "p.avi", ".avi"}, Row{R"("C:\Mes films\clip.avi")", ".avi", ".avi"},
             Row{R"(C:\x\song.mpeg)", ".mpeg", ".mpe"}, Row{"a.c", "a.c", ".c"}, Row{"", "", ""},
             Row{R"(C:\x\a.b.c)", "a.b.c", ".b.c"},
             // No dot among the last five characters: no extension.
             Row{R"(C:\x\clip)", R"(\clip)", ""}, Row{"/x/README", "EADME", ""}, Row{R"("/mes films/clip")", "clip", ""},
             // Counted in characters, never cutting one in two.
             Row{"/x/vidéo.avi", "o.avi", ".avi"}, Row{"/x/été.mp3", "é.mp3", ".mp3"},
             Row{"/x/a.éèàù", ".éèàù", ".éèà"}, Row{"/x/ça€", "x/ça€", ""}}) {
        const ExtensionExtraite result = ExtraireExtension(row.displayed);
        EXPECT_EQ(result.FinNom, row.finNom) << row.displayed;
        EXPECT_EQ(result.ExtensionOrigine, row.extension) << row.displayed;
    }
}

// rule(a, b) against each row's expected figure.
template <class Rule>
void ExpectFigures(Rule rule, std::initializer_list<std::array<int64_t, 3>> rows)
{
    for (const auto& [a, b, expected] : rows)
        EXPECT_EQ(rule(a, b), expected) << a << ", " << b;
}

TEST(Figures, RoundHalfToEvenOrUpWithoutWrapping)
{
    ExpectFigures([](int64_t bytes, int64_t) { return TailleMo(bytes); },
                  {{500000, 0, 0}, {500001, 0, 1}, {1500000, 0, 2}, {2500000, 0, 2}, {5368709120LL, 0, 5369}});
    // Megabytes are not rounded before the division.
    ExpectFigures(TailleMoMorceau, {{5400000, 2, 3}, {5000000, 2, 2}});
    ExpectFigures(TailleMoNouvelle, {{7, 2, 4}, {5, 2, 2}});
    ExpectFigures(TailleMorceau, {{10, 4, 2}, {14, 4, 4}, {6442450944LL, 2, 3221225472LL}});
    ExpectFigures(NombreMorceaux, {{10, 3, 4}, {9, 3, 3}, {0, 5, 0}, {4294967297LL, 1073741824LL, 5},
                                   {(1LL << 62) + 1, 1LL << 61, 3}, {70000, 1, 70000}});
    ExpectFigures(Progression, {{1, 8, 12}, {3, 8, 38}, {10, 10, 100}, {5368709120LL, 10737418240LL, 50}});
}

TEST(Figures, ZeroDivisorsAndNegativeCountsRaiseTheExactMessage)
{
    const std::string zeroDivide = "Division par zéro en virgule flottante";
    const std::string invalidOp = "Opération en virgule flottante incorrecte";
    EXPECT_EQ(MessageOf([] { TailleMorceau(10, 0); }), zeroDivide);
    EXPECT_EQ(MessageOf([] { TailleMorceau(0, 0); }), invalidOp);
    EXPECT_EQ(MessageOf([] { TailleMoMorceau(10, 0); }), zeroDivide);
    EXPECT_EQ(MessageOf([] { TailleMoMorceau(0, 0); }), invalidOp);
    EXPECT_EQ(MessageOf([] { TailleMoNouvelle(3, 0); }), zeroDivide);
    EXPECT_EQ(MessageOf([] { TailleMoNouvelle(0, 0); }), invalidOp);
    EXPECT_EQ(MessageOf([] { Progression(0, 0); }), invalidOp);
    EXPECT_EQ(MessageOf([] { TailleMorceau(10, -3); }), "Le nombre de morceaux ne peut pas être négatif (-3)");
    EXPECT_EQ(MessageOf([] { NombreMorceaux(10, -4); }), "La taille des morceaux ne peut pas être négative (-4)");
}

} // namespace
} // namespace scindra
