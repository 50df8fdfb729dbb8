// Cutting and rebuilding real files, through the kernel copy and through the
// read/write loop alike.

#include "engine/engine.h"

#include "TestFiles.h"
#include "engine/PieceCopier.h"
#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace scindra {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

enum class CopyPath { Kernel, ReadWrite };

std::string CopyPathName(const testing::TestParamInfo<CopyPath>& info)
{
    return info.param == CopyPath::Kernel ? "KernelCopy" : "ReadWriteLoop";
}

class EngineFiles : public testing::TestWithParam<CopyPath> {
protected:
    void SetUp() override { PieceCopier::AllowKernelCopy(GetParam() == CopyPath::Kernel); }
    void TearDown() override { PieceCopier::AllowKernelCopy(true); }

    // Cuts and records the progress values.
    std::vector<int> Cut(const std::string& source, int64_t pieceSize, const std::string& name = "clip")
    {
        std::vector<int> progress;
        DecouperFichier(source, pieceSize, dir.Path(), name, [&](int value) { progress.push_back(value); });
        return progress;
    }

    std::string Piece(int64_t k, const std::string& name = "clip") const { return NomMorceau(dir.Path(), name, k); }

    ScratchFolder dir;
};

// The message of the exception `action` raises, "" when none.
template <class F>
std::string MessageOf(F&& action)
{
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "";
}

struct CutCase {
    size_t size;
    int64_t pieceSize;
    std::vector<int64_t> pieceSizes;
    std::vector<int> progress;
};

class CutTable : public EngineFiles {};

TEST_P(CutTable, CutsIntoWholePiecesAndRebuildsTheSameBytes)
{
    const std::vector<CutCase> cases{
        {10, 3, {3, 3, 3, 1}, {0, 30, 60, 90, 100}},
        {10, 5, {5, 5}, {0, 50, 100}},
        {10, 20, {10}, {0, 100}},
        {0, 5, {}, {0}},
        {1, 1, {1}, {0, 100}},
        {1, 7, {1}, {0, 100}},
        {300000, 299999, {299999, 1}, {0, 100, 100}},
        {300000, 300000, {300000}, {0, 100}},
        {300000, 300001, {300000}, {0, 100}},
        {3 * 1048576 + 5, 1048576 + 1, {1048577, 1048577, 1048577, 2}, {0, 33, 67, 100, 100}},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes by " << c.pieceSize);
        ScratchFolder local;
        const std::string source = local / "source.bin";
        const Bytes bytes = RandomBytes(c.size, static_cast<uint32_t>(c.size));
        WriteFile(source, bytes);

        std::vector<int> progress;
        DecouperFichier(source, c.pieceSize, local.Path(), "clip.part", [&](int v) { progress.push_back(v); });
        EXPECT_EQ(progress, c.progress);

        std::vector<int64_t> sizes;
        for (int64_t k = 1; Exists(NomMorceau(local.Path(), "clip", k)); ++k)
            sizes.push_back(FileSize(NomMorceau(local.Path(), "clip", k)));
        EXPECT_EQ(sizes, c.pieceSizes);

        const std::string rebuilt = local / "rebuilt.bin";
        ReconstruireFichier(NomMorceau(local.Path(), "clip", 1), rebuilt);
        EXPECT_EQ(ReadFile(rebuilt), bytes);
        EXPECT_EQ(ReadFile(source), bytes);
    }
}

TEST_P(CutTable, ThousandsOfPiecesAreNamedPast999BothWays)
{
    const Bytes bytes = RandomBytes(1003, 7);
    const std::string source = dir / "big.bin";
    WriteFile(source, bytes);
    const std::vector<int> progress = Cut(source, 1);
    ASSERT_EQ(progress.size(), 1004u);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(Exists(dir / "clip.999"));
    EXPECT_TRUE(Exists(dir / "clip.1000"));
    EXPECT_TRUE(Exists(dir / "clip.1003"));
    EXPECT_FALSE(Exists(dir / "clip.1004"));
    EXPECT_EQ(ReadFile(dir / "clip.1000"), Bytes{bytes[999]});

    ReconstruireFichier(dir / "clip.001", dir / "rebuilt.bin");
    EXPECT_EQ(ReadFile(dir / "rebuilt.bin"), bytes);
}

TEST_P(CutTable, ExistingPieceFilesAreOverwritten)
{
    const std::string source = dir / "source.bin";
    WriteFile(source, RandomBytes(4, 1));
    WriteFile(Piece(1), RandomBytes(1000, 2));
    Cut(source, 4);
    EXPECT_EQ(ReadFile(Piece(1)), ReadFile(source));
}

INSTANTIATE_TEST_SUITE_P(Copy, CutTable, testing::Values(CopyPath::Kernel, CopyPath::ReadWrite), CopyPathName);

// ---- Cut failures: message, progress and what stays on disk ----

class CutFailures : public EngineFiles {};

TEST_P(CutFailures, SourceThatCannotBeOpenedCreatesNothing)
{
    WriteFile(dir / "plain", Bytes{1, 2});
    fs::create_directory(dir / "folder");
    for (const std::string& source : {dir / "missing.avi", dir / "plain/inside.avi", dir / "folder"}) {
        std::vector<int> progress;
        const std::string message = MessageOf([&] { progress = {}; DecouperFichier(source, 1, dir.Path(), "clip", [&](int v) { progress.push_back(v); }); });
        EXPECT_EQ(message, "Impossible d'ouvrir le fichier " + source);
        EXPECT_EQ(progress, std::vector<int>{0});
        EXPECT_FALSE(Exists(Piece(1)));
    }
}

TEST_P(CutFailures, ZeroPieceSizeFailsWithTheDivisionErrorBeforeAnyPiece)
{
    WriteFile(dir / "full.bin", RandomBytes(10, 1));
    WriteFile(dir / "empty.bin", {});
    EXPECT_EQ(MessageOf([&] { Cut(dir / "full.bin", 0); }), "Division par zéro en virgule flottante");
    EXPECT_EQ(MessageOf([&] { Cut(dir / "empty.bin", 0); }), "Opération en virgule flottante incorrecte");
    EXPECT_FALSE(Exists(Piece(1)));
}

TEST_P(CutFailures, NegativePieceSizeIsRefusedBeforeAnyFileIsTouched)
{
    std::vector<int> progress;
    // The source does not even exist: the refusal comes before opening it.
    const std::string message =
        MessageOf([&] { DecouperFichier(dir / "missing", -5, dir.Path(), "clip", [&](int v) { progress.push_back(v); }); });
    EXPECT_EQ(message, "La taille des morceaux ne peut pas être négative (-5)");
    EXPECT_TRUE(progress.empty());
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST_P(CutFailures, PieceThatCannotBeCreatedKeepsTheEarlierPieces)
{
    const Bytes bytes = RandomBytes(10, 3);
    const std::string source = dir / "source.bin";
    WriteFile(source, bytes);
    WriteFile(dir / "plain", Bytes{1});

    struct Row {
        std::string folder;
        int64_t failingPiece;
    };
    fs::create_directory(dir / "out");
    fs::create_directory(dir / "out/clip.003"); // a folder where piece 3 should go
    const std::vector<Row> rows{{dir / "missing", 1}, {dir / "plain", 1}, {dir / "out", 3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        std::vector<int> progress;
        const std::string message =
            MessageOf([&] { DecouperFichier(source, 3, row.folder, "clip", [&](int v) { progress.push_back(v); }); });
        EXPECT_EQ(message, "Impossible de créer le fichier " + NomMorceau(row.folder, "clip", row.failingPiece));
        const std::vector<int> expectedProgress = row.failingPiece == 3 ? std::vector<int>{0, 30, 60} : std::vector<int>{0};
        EXPECT_EQ(progress, expectedProgress);
        for (int64_t k = 1; k < row.failingPiece; ++k)
            EXPECT_EQ(ReadFile(NomMorceau(row.folder, "clip", k)), Bytes(bytes.begin() + 3 * (k - 1), bytes.begin() + 3 * k));
    }
    EXPECT_EQ(ReadFile(source), bytes);
}

TEST_P(CutFailures, PiecePathNamingTheSourceFailsAndLeavesTheSourceWhole)
{
    const Bytes bytes = RandomBytes(10, 4);
    fs::create_directory(dir / "sub");
    struct Row {
        std::string source;
        std::string folder;
        int64_t failingPiece;
    };
    // The same file under another spelling of the folder, and through a hard link.
    const std::vector<Row> rows{
        {dir / "clip.001", dir.Path(), 1},
        {dir / "clip.002", dir / "sub/..", 2},
        {dir / "link-source.bin", dir.Path(), 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        for (const auto& entry : FolderEntries(dir.Path()))
            if (entry != "sub")
                fs::remove(dir / entry);
        WriteFile(row.source, bytes);
        if (row.failingPiece == 3)
            fs::create_hard_link(row.source, dir / "clip.003");
        const std::string message = MessageOf([&] { DecouperFichier(row.source, 3, row.folder, "clip", {}); });
        EXPECT_EQ(message, "Impossible de créer le fichier " + NomMorceau(row.folder, "clip", row.failingPiece));
        EXPECT_EQ(ReadFile(row.source), bytes);
    }
}

TEST_P(CutFailures, SourceShorterThanItsSizeRaisesTheReadError)
{
    const Bytes bytes = RandomBytes(4000, 5);
    const std::string source = dir / "source.bin";
    WriteFile(source, bytes);
    std::vector<int> progress;
    const std::string message = MessageOf([&] {
        DecouperFichier(source, 1500, dir.Path(), "clip", [&](int v) {
            progress.push_back(v);
            if (v > 0) // after piece 1, the file loses its tail
                fs::resize_file(source, 2000);
        });
    });
    EXPECT_EQ(message, "Erreur de lecture du flux");
    EXPECT_EQ(progress, (std::vector<int>{0, 38}));
    EXPECT_EQ(ReadFile(Piece(1)), Bytes(bytes.begin(), bytes.begin() + 1500));
    EXPECT_TRUE(Exists(Piece(2)));
    EXPECT_FALSE(Exists(Piece(3)));
}

TEST_P(CutFailures, PieceThatCannotTakeItsBytesRaisesTheWriteError)
{
    const Bytes bytes = RandomBytes(20000, 6);
    const std::string source = dir / "source.bin";
    WriteFile(source, bytes);
    // Every file of the cut may hold 4,096 bytes: the first piece of 6,000 fails.
    const std::string message = RunWithFileSizeLimit(4096, [&] { DecouperFichier(source, 6000, dir.Path(), "clip", {}); });
    EXPECT_EQ(message, "Erreur d'écriture dans le flux");
    // The failing piece holds what was written before the limit.
    const Bytes first = ReadFile(Piece(1));
    EXPECT_LE(first.size(), 4096u);
    EXPECT_EQ(first, Bytes(bytes.begin(), bytes.begin() + static_cast<long>(first.size())));
    EXPECT_FALSE(Exists(Piece(2)));
    EXPECT_EQ(ReadFile(source), bytes);
}

INSTANTIATE_TEST_SUITE_P(Copy, CutFailures, testing::Values(CopyPath::Kernel, CopyPath::ReadWrite), CopyPathName);

// ---- Rebuilding ----

class Rebuild : public EngineFiles {
protected:
    // Writes pieces with the given sizes and numbers; returns their bytes in order.
    std::vector<Bytes> MakePieces(const std::vector<std::pair<int64_t, size_t>>& pieces)
    {
        std::vector<Bytes> contents;
        for (const auto& [k, size] : pieces) {
            contents.push_back(RandomBytes(size, static_cast<uint32_t>(k)));
            WriteFile(Piece(k, "Nouveau"), contents.back());
        }
        return contents;
    }

    static Bytes Joined(const std::vector<Bytes>& parts)
    {
        Bytes all;
        for (const Bytes& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

TEST_P(Rebuild, AppendsPiecesUntilANumberIsMissing)
{
    struct Row {
        const char* label;
        std::vector<std::pair<int64_t, size_t>> pieces;
        int64_t first;
        std::vector<size_t> used; // indexes into pieces, in order
    };
    const std::vector<Row> rows{
        {"three pieces", {{1, 3}, {2, 3}, {3, 1}}, 1, {0, 1, 2}},
        {"a gap ends it", {{1, 3}, {2, 3}, {4, 5}}, 1, {0, 1}},
        {"a chosen .005 is followed by .002", {{5, 4}, {2, 3}, {3, 2}}, 5, {0, 1, 2}},
        {"an empty piece adds nothing", {{1, 3}, {2, 0}, {3, 2}}, 1, {0, 1, 2}},
        {"big pieces", {{1, 2500000}, {2, 1}}, 1, {0, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        for (const auto& entry : FolderEntries(dir.Path()))
            fs::remove(dir / entry);
        const std::vector<Bytes> contents = MakePieces(row.pieces);
        std::vector<Bytes> expected;
        for (size_t i : row.used)
            expected.push_back(contents[i]);
        WriteFile(dir / "Nouveau.avi", RandomBytes(50, 9)); // overwritten
        ReconstruireFichier(Piece(row.first, "Nouveau"), dir / "Nouveau.avi");
        EXPECT_EQ(ReadFile(dir / "Nouveau.avi"), Joined(expected));
    }
}

TEST_P(Rebuild, MissingFirstPieceLeavesAnEmptyDestination)
{
    WriteFile(dir / "Nouveau.avi", RandomBytes(50, 9));
    ReconstruireFichier(dir / "Nouveau.001", dir / "Nouveau.avi");
    EXPECT_EQ(FileSize(dir / "Nouveau.avi"), 0);
}

TEST_P(Rebuild, DestinationThatCannotBeCreatedWritesNothing)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}});
    WriteFile(dir / "plain", Bytes{1});
    fs::create_directory(dir / "folder");
    for (const std::string& destination : {dir / "missing/out.avi", dir / "plain/out.avi", dir / "folder"}) {
        EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1, "Nouveau"), destination); }),
                  "Impossible de créer le fichier " + destination);
    }
    EXPECT_EQ(ReadFile(Piece(1, "Nouveau")), contents[0]);
}

TEST_P(Rebuild, DestinationThatIsAPieceFailsBeforeEmptyingAnything)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}, {3, 4}});
    fs::create_directory(dir / "sub");
    fs::create_hard_link(Piece(2, "Nouveau"), dir / "twin");
    for (const std::string& destination :
         {Piece(1, "Nouveau"), dir / "sub/../Nouveau.003", dir / "twin", dir.Path() + "//Nouveau.002"}) {
        SCOPED_TRACE(destination);
        EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1, "Nouveau"), destination); }),
                  "Impossible de créer le fichier " + destination);
        for (int64_t k = 1; k <= 3; ++k)
            EXPECT_EQ(ReadFile(Piece(k, "Nouveau")), contents[static_cast<size_t>(k - 1)]);
    }
}

TEST_P(Rebuild, DestinationNamedAsTheNextPieceStopsThere)
{
    // The destination does not exist yet, so it is no piece when the rebuild
    // starts; once created it is the next number and cannot be read back.
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}});
    const std::string destination = Piece(3, "Nouveau");
    EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1, "Nouveau"), destination); }),
              "Impossible d'ouvrir le fichier " + destination);
    EXPECT_EQ(ReadFile(destination), Joined(contents));
}

TEST_P(Rebuild, PieceThatCannotBeOpenedKeepsWhatWasAppended)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}});
    // A socket exists as a name but opens as no file.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Piece(2, "Nouveau");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1, "Nouveau"), dir / "out.avi"); }),
              "Impossible d'ouvrir le fichier " + socketPath);
    ::close(sock);
    EXPECT_EQ(ReadFile(dir / "out.avi"), contents[0]);
}

TEST_P(Rebuild, PieceDeliveringFewerBytesThanItsSizeRaisesTheReadError)
{
    // Kernel attribute files announce a page but deliver a few bytes.
    const std::string attribute = "/sys/devices/system/cpu/online";
    if (!Exists(attribute) || FileSize(attribute) <= static_cast<int64_t>(ReadFile(attribute).size()))
        GTEST_SKIP() << "no attribute file shorter than its size here";
    const std::vector<Bytes> contents = MakePieces({{1, 3}});
    fs::create_symlink(attribute, Piece(2, "Nouveau"));
    EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1, "Nouveau"), dir / "out.avi"); }), "Erreur de lecture du flux");
    const Bytes out = ReadFile(dir / "out.avi");
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 3), contents[0]);
}

TEST_P(Rebuild, DestinationThatCannotTakeTheBytesRaisesTheWriteError)
{
    const std::vector<Bytes> contents = MakePieces({{1, 5000}, {2, 5000}, {3, 10}});
    const std::string message =
        RunWithFileSizeLimit(8192, [&] { ReconstruireFichier(Piece(1, "Nouveau"), dir / "out.avi"); });
    EXPECT_EQ(message, "Erreur d'écriture dans le flux");
    const Bytes out = ReadFile(dir / "out.avi");
    EXPECT_GE(out.size(), 5000u);
    EXPECT_LE(out.size(), 8192u);
    const Bytes all = Joined(contents);
    EXPECT_EQ(out, Bytes(all.begin(), all.begin() + static_cast<long>(out.size())));
}

INSTANTIATE_TEST_SUITE_P(Copy, Rebuild, testing::Values(CopyPath::Kernel, CopyPath::ReadWrite), CopyPathName);

} // namespace
} // namespace scindra
