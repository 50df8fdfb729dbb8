// Cutting and rebuilding real files, through the kernel copy and through the
// read/write loop alike.

#include "engine/engine.h"

#include "TestFiles.h"
#include "engine/PieceCopier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace scindra {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

enum class CopyPath { Kernel, ReadWrite };

class EngineFiles : public testing::TestWithParam<CopyPath> {
protected:
    void SetUp() override { PieceCopier::AllowKernelCopy(GetParam() == CopyPath::Kernel); }
    void TearDown() override { PieceCopier::AllowKernelCopy(true); }

    // Cuts into `folder` (the scratch folder when empty) and returns the error
    // message, "" when none. The progress values land in `progress`.
    std::string Cut(const std::string& source, int64_t pieceSize, const std::string& folder = "",
                    const std::string& name = "clip")
    {
        progress.clear();
        return MessageOf([&] {
            DecouperFichier(source, pieceSize, folder.empty() ? dir.Path() : folder, name, [&](int value) {
                progress.push_back(value);
                if (onProgress)
                    onProgress(value);
            });
        });
    }
    std::string Rebuild(const std::string& destination)
    {
        return MessageOf([&] { ReconstruireFichier(Piece(1), destination); });
    }

    std::string Piece(int64_t k) const { return NomMorceau(dir.Path(), "clip", k); }
    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        WriteFile(dir / name, bytes);
        return dir / name;
    }
    // Writes pieces of the given numbers and sizes; returns their bytes in order.
    std::vector<Bytes> MakePieces(const std::vector<std::pair<int64_t, size_t>>& pieces) const
    {
        std::vector<Bytes> contents;
        for (const auto& [k, size] : pieces) {
            contents.push_back(RandomBytes(size, static_cast<uint32_t>(k)));
            WriteFile(Piece(k), contents.back());
        }
        return contents;
    }
    // Every file of the scratch folder goes; folders stay.
    void RemoveFiles() const
    {
        for (const auto& entry : FolderEntries(dir.Path()))
            if (!fs::is_directory(dir / entry))
                fs::remove(dir / entry);
    }

    ScratchFolder dir;
    std::vector<int> progress;
    std::function<void(int)> onProgress;
};

Bytes Joined(const std::vector<Bytes>& parts, size_t count)
{
    Bytes all;
    for (size_t i = 0; i < count; ++i)
        all.insert(all.end(), parts[i].begin(), parts[i].end());
    return all;
}

Bytes Head(const Bytes& bytes, size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count));
}

TEST_P(EngineFiles, CutsIntoWholePiecesAndRebuildsTheSameBytes)
{
    struct Row { size_t size; int64_t pieceSize; std::vector<int64_t> pieceSizes; std::vector<int> progress; };
    for (const Row& row : std::vector<Row>{
             {10, 3, {3, 3, 3, 1}, {0, 30, 60, 90, 100}}, {10, 5, {5, 5}, {0, 50, 100}}, {0, 5, {}, {0}},
             {1, 7, {1}, {0, 100}}, {300000, 299999, {299999, 1}, {0, 100, 100}},
             // Pieces beyond the block of the read/write loop.
             {3 * 1048576 + 5, 1048576 + 1, {1048577, 1048577, 1048577, 2}, {0, 33, 67, 100, 100}}}) {
        SCOPED_TRACE(testing::Message() << row.size << " bytes by " << row.pieceSize);
        ScratchFolder local;
        const Bytes bytes = RandomBytes(row.size, static_cast<uint32_t>(row.size));
        WriteFile(local / "source.bin", bytes);
        EXPECT_EQ(Cut(local / "source.bin", row.pieceSize, local.Path(), "clip.part"), "");
        EXPECT_EQ(progress, row.progress);

        std::vector<int64_t> sizes;
        for (int64_t k = 1; Exists(NomMorceau(local.Path(), "clip", k)); ++k)
            sizes.push_back(FileSize(NomMorceau(local.Path(), "clip", k)));
        EXPECT_EQ(sizes, row.pieceSizes);
        const std::string first = NomMorceau(local.Path(), "clip", 1);
        if (row.pieceSizes.empty()) {
            // An empty source leaves no piece, so there is nothing to rebuild.
            EXPECT_EQ(MessageOf([&] { ReconstruireFichier(first, local / "rebuilt.bin"); }),
                      "Impossible d'ouvrir le fichier " + first);
            EXPECT_FALSE(Exists(local / "rebuilt.bin"));
        } else {
            ReconstruireFichier(first, local / "rebuilt.bin");
            EXPECT_EQ(ReadFile(local / "rebuilt.bin"), bytes);
        }
        EXPECT_EQ(ReadFile(local / "source.bin"), bytes);
    }
}

TEST_P(EngineFiles, ThousandsOfPiecesAreNamedPast999BothWays)
{
    const Bytes bytes = RandomBytes(1003, 7);
    WriteFile(Piece(1), RandomBytes(1000, 2)); // a stale piece is overwritten whole
    EXPECT_EQ(Cut(Write("big.bin", bytes), 1), "");
    ASSERT_EQ(progress.size(), 1004u);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(ReadFile(dir / "clip.1000"), Bytes{bytes[999]});
    EXPECT_FALSE(Exists(dir / "clip.1004"));
    ReconstruireFichier(Piece(1), dir / "rebuilt.bin");
    EXPECT_EQ(ReadFile(dir / "rebuilt.bin"), bytes);
}

// ---- Cut failures: message, progress and what stays on disk ----

TEST_P(EngineFiles, CutThatCannotStartCreatesNothing)
{
    Write("full.bin", RandomBytes(10, 1));
    Write("empty.bin", {});
    const std::vector<std::string> before = FolderEntries(dir.Path());
    struct Row { std::string source; int64_t pieceSize; std::string message; std::vector<int> progress; };
    for (const Row& row : std::vector<Row>{
             {dir / "missing.avi", 1, "Impossible d'ouvrir le fichier " + dir / "missing.avi", {0}},
             {dir / "full.bin", 0, "Division par zéro en virgule flottante", {0}},
             {dir / "empty.bin", 0, "Opération en virgule flottante incorrecte", {0}},
             // The source does not even exist: the refusal comes before opening it.
             {dir / "missing", -5, "La taille des morceaux ne peut pas être négative (-5)", {}}}) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(Cut(row.source, row.pieceSize), row.message);
        EXPECT_EQ(progress, row.progress);
        EXPECT_EQ(FolderEntries(dir.Path()), before);
    }
}

TEST_P(EngineFiles, PieceThatCannotBeCreatedFailsAndKeepsTheSourceAndEarlierPieces)
{
    const Bytes bytes = RandomBytes(10, 3);
    const std::vector<int> steps{0, 30, 60}; // the progress before each piece
    fs::create_directories(dir / "out/clip.003"); // a folder where piece 3 should go
    struct Row { std::string source; std::string folder; int64_t failingPiece; };
    for (const Row& row : std::vector<Row>{
             {dir / "source.bin", dir / "missing", 1}, {dir / "source.bin", dir / "out", 3},
             // A piece that is the source, under another spelling of the folder or through a hard link.
             {dir / "clip.001", dir.Path(), 1}, {dir / "clip.002", dir / "out/..", 2},
             {dir / "link-source.bin", dir.Path(), 3}}) {
        SCOPED_TRACE(row.source + " into " + row.folder);
        RemoveFiles();
        WriteFile(row.source, bytes);
        if (row.source == dir / "link-source.bin")
            fs::create_hard_link(row.source, Piece(3));
        EXPECT_EQ(Cut(row.source, 3, row.folder),
                  "Impossible de créer le fichier " + NomMorceau(row.folder, "clip", row.failingPiece));
        EXPECT_EQ(progress, std::vector<int>(steps.begin(), steps.begin() + row.failingPiece));
        for (int64_t k = 1; k < row.failingPiece; ++k)
            EXPECT_EQ(ReadFile(NomMorceau(row.folder, "clip", k)), Bytes(bytes.begin() + 3 * (k - 1), bytes.begin() + 3 * k));
        EXPECT_EQ(ReadFile(row.source), bytes);
    }
}

TEST_P(EngineFiles, SourceShorterThanItsSizeRaisesTheReadError)
{
    const Bytes bytes = RandomBytes(4000, 5);
    const std::string source = Write("source.bin", bytes);
    onProgress = [&](int value) {
        if (value > 0) // after piece 1, the file loses its tail
            fs::resize_file(source, 2000);
    };
    EXPECT_EQ(Cut(source, 1500), "Erreur de lecture du flux");
    // Piece 2 gets as far as the new end (50 %) and then fails.
    EXPECT_EQ(progress, (std::vector<int>{0, 38, 50}));
    EXPECT_EQ(ReadFile(Piece(1)), Head(bytes, 1500));
    EXPECT_TRUE(Exists(Piece(2)));
    EXPECT_FALSE(Exists(Piece(3)));
}

TEST_P(EngineFiles, PieceThatCannotTakeItsBytesRaisesTheWriteError)
{
    const Bytes bytes = RandomBytes(20000, 6);
    const std::string source = Write("source.bin", bytes);
    // Every file of the cut may hold 4,096 bytes: the first piece of 6,000 fails.
    EXPECT_EQ(RunWithFileSizeLimit(4096, [&] { DecouperFichier(source, 6000, dir.Path(), "clip", {}); }),
              "Erreur d'écriture dans le flux");
    // The failing piece holds what was written before the limit.
    const Bytes first = ReadFile(Piece(1));
    EXPECT_LE(first.size(), 4096u);
    EXPECT_EQ(first, Head(bytes, first.size()));
    EXPECT_FALSE(Exists(Piece(2)));
    EXPECT_EQ(ReadFile(source), bytes);
}

// ---- Rebuilding ----

TEST_P(EngineFiles, RebuildAppendsPiecesUntilANumberIsMissing)
{
    struct Row { const char* label; std::vector<std::pair<int64_t, size_t>> pieces; int64_t first; size_t used; };
    for (const Row& row : std::vector<Row>{{"an empty first piece adds nothing", {{1, 0}, {2, 3}}, 1, 2},
                                           {"a gap ends it", {{1, 3}, {2, 3}, {4, 5}}, 1, 2},
                                           {"a chosen .005 is followed by .002", {{5, 4}, {2, 3}, {3, 2}}, 5, 3},
                                           {"an empty piece adds nothing", {{1, 3}, {2, 0}, {3, 2}}, 1, 3},
                                           {"big pieces", {{1, 2500000}, {2, 1}}, 1, 2}}) {
        SCOPED_TRACE(row.label);
        RemoveFiles();
        const std::vector<Bytes> contents = MakePieces(row.pieces);
        Write("out.avi", RandomBytes(50, 9)); // overwritten
        ReconstruireFichier(Piece(row.first), dir / "out.avi");
        EXPECT_EQ(ReadFile(dir / "out.avi"), Joined(contents, row.used));
    }
}

TEST_P(EngineFiles, MissingFirstPieceFailsBeforeTheDestinationIsTouched)
{
    // A folder named like the first piece is no piece either, even with a
    // second piece beside it. Rows: a folder as first piece, a destination.
    const std::pair<bool, bool> rows[] = {{false, true}, {false, false}, {true, true}};
    for (const auto& [folder, destinationExists] : rows) {
        SCOPED_TRACE(testing::Message() << folder << destinationExists);
        RemoveFiles();
        fs::remove_all(Piece(1));
        if (folder)
            fs::create_directory(Piece(1));
        Write("clip.002", RandomBytes(7, 3));
        const Bytes original = RandomBytes(50, 9);
        if (destinationExists)
            Write("out.avi", original);
        EXPECT_EQ(Rebuild(dir / "out.avi"), "Impossible d'ouvrir le fichier " + Piece(1));
        ASSERT_EQ(Exists(dir / "out.avi"), destinationExists);
        if (destinationExists) {
            EXPECT_EQ(ReadFile(dir / "out.avi"), original);
        }
    }
}

TEST_P(EngineFiles, DestinationThatCannotBeCreatedOrIsAPieceFailsBeforeEmptyingAnything)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}, {3, 4}});
    fs::create_directory(dir / "sub");
    fs::create_hard_link(Piece(2), dir / "twin");
    for (const std::string& destination : {dir / "missing/out.avi", Piece(1), dir / "sub/../clip.003", dir / "twin",
                                           dir.Path() + "//clip.002"}) {
        SCOPED_TRACE(destination);
        EXPECT_EQ(Rebuild(destination), "Impossible de créer le fichier " + destination);
        for (size_t i = 0; i < contents.size(); ++i)
            EXPECT_EQ(ReadFile(Piece(static_cast<int64_t>(i) + 1)), contents[i]);
    }
}

TEST_P(EngineFiles, DestinationNamedAsTheNextPieceStopsThere)
{
    // The destination does not exist yet, so it is no piece when the rebuild
    // starts; once created it is the next number and cannot be read back.
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}});
    EXPECT_EQ(Rebuild(Piece(3)), "Impossible d'ouvrir le fichier " + Piece(3));
    EXPECT_EQ(ReadFile(Piece(3)), Joined(contents, 2));
}

TEST_P(EngineFiles, PieceThatCannotBeOpenedKeepsWhatWasAppended)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}});
    // A socket exists as a name but opens as no file.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(Piece(2).size(), sizeof address.sun_path);
    Piece(2).copy(address.sun_path, Piece(2).size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Rebuild(dir / "out.avi"), "Impossible d'ouvrir le fichier " + Piece(2));
    ::close(sock);
    EXPECT_EQ(ReadFile(dir / "out.avi"), contents[0]);
}

TEST_P(EngineFiles, PieceDeliveringFewerBytesThanItsSizeRaisesTheReadError)
{
    // Kernel attribute files announce a page but deliver a few bytes.
    const std::string attribute = "/sys/devices/system/cpu/online";
    if (!Exists(attribute) || FileSize(attribute) <= static_cast<int64_t>(ReadFile(attribute).size()))
        GTEST_SKIP() << "no attribute file shorter than its size here";
    const std::vector<Bytes> contents = MakePieces({{1, 3}});
    fs::create_symlink(attribute, Piece(2));
    EXPECT_EQ(Rebuild(dir / "out.avi"), "Erreur de lecture du flux");
    const Bytes out = ReadFile(dir / "out.avi");
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(Head(out, 3), contents[0]);
}

TEST_P(EngineFiles, DestinationThatCannotTakeTheBytesRaisesTheWriteError)
{
    const std::vector<Bytes> contents = MakePieces({{1, 5000}, {2, 5000}, {3, 10}});
    EXPECT_EQ(RunWithFileSizeLimit(8192, [&] { ReconstruireFichier(Piece(1), dir / "out.avi"); }),
              "Erreur d'écriture dans le flux");
    const Bytes out = ReadFile(dir / "out.avi");
    EXPECT_GE(out.size(), 5000u);
    EXPECT_LE(out.size(), 8192u);
    EXPECT_EQ(out, Head(Joined(contents, 3), out.size()));
}

// A source far beyond 32-bit sizes, made sparse so the test takes seconds and
// almost no disk.
TEST_P(EngineFiles, SparseSourceBeyondFourGigabytesCutsAndRebuilds)
{
    constexpr int64_t kGiB = int64_t{1} << 30, size = 5 * kGiB / 2, runOffset = kGiB + 12345;
    const int64_t pieceSize = TailleMorceau(size, 3);
    const std::string source = Write("image.iso", {});
    fs::resize_file(source, size);
    // Markers on both sides of the 32-bit boundary and of pieces 1|2 and 3|4, and
    // one data run. Piece 2 ends in a hole, which must still count in its length.
    std::map<int64_t, uint8_t> markers;
    for (int64_t offset : {int64_t{0}, 2 * kGiB - 1, 2 * kGiB, 2 * kGiB + 4097, pieceSize - 1, pieceSize,
                           3 * pieceSize - 1, 3 * pieceSize, size - 1}) {
        markers[offset] = static_cast<uint8_t>(offset * 31 % 251 + 1);
        WriteAt(source, offset, {markers[offset]});
    }
    const Bytes run = RandomBytes(3 << 20, 11);
    WriteAt(source, runOffset, run);

    EXPECT_EQ(Cut(source, pieceSize, "", "image"), "");
    // Inside the pieces the bar moves one percent at a time, holes included.
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i] - progress[i - 1], 1) << i;
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(std::vector<int>(progress.end() - 2, progress.end()), (std::vector<int>{100, 100}));
    const auto piece = [&](int64_t k) { return NomMorceau(dir.Path(), "image", k); };
    for (int64_t k = 1; k <= 3; ++k)
        EXPECT_EQ(FileSize(piece(k)), pieceSize);
    EXPECT_EQ(FileSize(piece(4)), size - 3 * pieceSize);
    EXPECT_FALSE(Exists(piece(5)));
    for (const auto& [offset, value] : markers)
        EXPECT_EQ(ReadAt(piece(offset / pieceSize + 1), offset % pieceSize, 1), Bytes{value}) << offset;
    const int64_t unmarked = 2 * kGiB + 4096;
    EXPECT_EQ(ReadAt(piece(unmarked / pieceSize + 1), unmarked % pieceSize, 1), Bytes{0});

    const std::string rebuilt = dir / "rebuilt.iso";
    ReconstruireFichier(piece(1), rebuilt);
    ASSERT_EQ(FileSize(rebuilt), size);
    for (const auto& [offset, value] : markers)
        EXPECT_EQ(ReadAt(rebuilt, offset, 1), Bytes{value}) << offset;
    EXPECT_EQ(ReadAt(rebuilt, 3 * kGiB / 2, 1), Bytes{0});
    EXPECT_EQ(ReadAt(rebuilt, runOffset, run.size()), run);
}

// ---- Files that change under the copy, flushing, files that are no files ----

constexpr int64_t kMiB = int64_t{1} << 20;

// A 24 MiB file: data, a hole from 2 to 14 MiB, data to the end. Returns its bytes.
Bytes MakeSparse(const std::string& path, uint32_t seed)
{
    WriteFile(path, {});
    fs::resize_file(path, 24 * kMiB);
    // The same data for a seed every time: tables remake the file for each row.
    static std::map<uint32_t, std::pair<Bytes, Bytes>> made;
    auto [entry, fresh] = made.try_emplace(seed);
    if (fresh)
        entry->second = {RandomBytes(2 * kMiB, seed), RandomBytes(10 * kMiB, seed + 1)};
    const auto& [head, tail] = entry->second;
    WriteAt(path, 0, head);
    WriteAt(path, 14 * kMiB, tail);
    return ReadFile(path);
}

// Installs a copy step hook for one test and removes it afterwards.
class StepHookScope {
public:
    explicit StepHookScope(PieceCopier::StepHook hook) { PieceCopier::SetStepHook(std::move(hook)); }
    ~StepHookScope() { PieceCopier::SetStepHook({}); }
};

// Another program cuts the file being read short while its second piece is
// copied, at each moment the copier looks at it. Whatever it found before, a
// hole or data, nothing past the new end may be made up: the copy fails as
// any short read does, and what was written holds only the file's own bytes.
TEST_P(EngineFiles, FileCutShortDuringThePieceFailsInsteadOfWritingZeros)
{
    using Step = PieceCopier::Step;
    // The step, from where in the second piece it counts, and how much of
    // that piece the file keeps.
    struct Row { Step step; int64_t after; int64_t keep; };
    const Row rows[] = {{Step::PieceStarted, 0, 0},          {Step::BeforeProbe, 0, 1 * kMiB},
                        {Step::BeforeProbe, 2 * kMiB, 1 * kMiB}, {Step::BetweenProbes, 2 * kMiB, 1 * kMiB},
                        {Step::BetweenProbes, 2 * kMiB, 4 * kMiB}, {Step::BeforeData, 2 * kMiB, 4 * kMiB},
                        {Step::BeforeData, 3 * kMiB, 3 * kMiB + 1}};
    for (const bool rebuild : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << (rebuild ? "rebuild" : "cut") << " step " << static_cast<int>(row.step)
                                            << " after " << row.after << " keeping " << row.keep);
            RemoveFiles();
            // A cut reads piece 2 from 12 MiB on; a rebuild reads clip.002 from 0.
            const std::string read = rebuild ? Piece(2) : dir / "source.bin";
            const int64_t start = rebuild ? 0 : 12 * kMiB;
            Bytes first = RandomBytes(1000, 1);
            Bytes bytes = MakeSparse(read, 3);
            if (rebuild)
                WriteFile(Piece(1), first);
            else
                first = Head(bytes, 12 * kMiB);
            int pieces = 0;
            bool cut = false;
            int64_t cutAt = 0; // how far into the piece the copy had got
            const StepHookScope hook([&](Step step, int64_t position) {
                pieces += step == Step::PieceStarted;
                if (!cut && pieces == 2 && step == row.step && position >= start + row.after) {
                    fs::resize_file(read, start + row.keep);
                    cut = true;
                    cutAt = position - start;
                }
            });
            const std::string written = rebuild ? dir / "out.bin" : Piece(2);
            EXPECT_EQ(rebuild ? Rebuild(written) : Cut(read, 12 * kMiB), "Erreur de lecture du flux");
            ASSERT_TRUE(cut);
            const Bytes out = ReadFile(written);
            const size_t before = rebuild ? first.size() : 0;
            ASSERT_LE(out.size(), before + static_cast<size_t>(std::max(row.keep, cutAt)));
            EXPECT_EQ(Head(out, before), Head(first, before));
            EXPECT_TRUE(std::equal(out.begin() + before, out.end(), bytes.begin() + start));
            if (!rebuild) {
                EXPECT_EQ(ReadFile(Piece(1)), first);
            }
        }
    }
}

// Fails the flush or the close of written files, counting what they saw.
struct FlushFaults {
    int failFlush, failClose; // the call that fails, counted from 1; 0: none
    std::string folder;
    std::vector<size_t> entriesAtFlush;
    int flushes, closes;
} faults;

int FailWithEIO()
{
    errno = EIO;
    return -1;
}
int FaultyFlush(int handle)
{
    faults.entriesAtFlush.push_back(FolderEntries(faults.folder).size());
    return ++faults.flushes == faults.failFlush ? FailWithEIO() : PieceCopier::SystemFlushCalls().flush(handle);
}
int FaultyClose(int handle)
{
    const int result = ::close(handle);
    return ++faults.closes == faults.failClose ? FailWithEIO() : result;
}

TEST_P(EngineFiles, EachWrittenFileIsFlushedBeforeTheNextAndAFailedFlushOrCloseIsAWriteError)
{
    const Bytes bytes = RandomBytes(10, 4);
    struct Row { const char* label; bool rebuild; int failFlush; int failClose; std::string message; };
    for (const Row& row : std::vector<Row>{{"cut", false, 0, 0, ""},
                                           {"cut, flush of piece 2", false, 2, 0, "Erreur d'écriture dans le flux"},
                                           {"cut, close of piece 1", false, 0, 1, "Erreur d'écriture dans le flux"},
                                           {"rebuild", true, 0, 0, ""},
                                           {"rebuild, flush", true, 1, 0, "Erreur d'écriture dans le flux"},
                                           {"rebuild, close", true, 0, 1, "Erreur d'écriture dans le flux"}}) {
        SCOPED_TRACE(row.label);
        RemoveFiles();
        const std::string source = Write("source.bin", bytes);
        if (row.rebuild) {
            ASSERT_EQ(Cut(source, 3), "");
        }
        faults = {row.failFlush, row.failClose, dir.Path(), {}, 0, 0};
        PieceCopier::SetFlushCalls({FaultyFlush, FaultyClose});
        const std::string message = row.rebuild ? Rebuild(dir / "out.bin") : Cut(source, 3);
        PieceCopier::SetFlushCalls(PieceCopier::SystemFlushCalls());

        EXPECT_EQ(message, row.message);
        // Everything written stays; nothing is written after the failure.
        const int failed = std::max(row.failFlush, row.failClose);
        if (row.rebuild) {
            EXPECT_EQ(faults.entriesAtFlush, std::vector<size_t>{6u});
            EXPECT_EQ(ReadFile(dir / "out.bin"), bytes);
        } else {
            // The source, then each piece flushed while it is the newest.
            const size_t flushed = failed == 0 ? 4u : static_cast<size_t>(failed);
            std::vector<size_t> expected(flushed);
            std::iota(expected.begin(), expected.end(), 2u);
            EXPECT_EQ(faults.entriesAtFlush, expected);
            EXPECT_EQ(Exists(Piece(static_cast<int64_t>(flushed) + 1)), false);
        }
    }
}

// A pipe, a device or a socket under a name the copy writes or reads: refused
// with the create or open error at once, never waited on.
TEST_P(EngineFiles, PipesAndDevicesAreRefusedOnBothSidesWithoutWaiting)
{
    const Bytes bytes = RandomBytes(10, 5);
    enum class Kind { Fifo, Device };
    // What lies under `name`; the rebuild writes out.bin unless that is the name.
    struct Row { Kind kind; bool rebuild; std::string name; std::string message; };
    for (const Row& row : std::vector<Row>{
             {Kind::Fifo, false, "clip.002", "Impossible de créer le fichier " + Piece(2)},
             {Kind::Device, false, "clip.001", "Impossible de créer le fichier " + Piece(1)},
             {Kind::Fifo, true, "out.bin", "Impossible de créer le fichier " + dir / "out.bin"},
             {Kind::Device, true, "out.bin", "Impossible de créer le fichier " + dir / "out.bin"},
             {Kind::Fifo, true, "clip.003", "Impossible d'ouvrir le fichier " + Piece(3)},
             {Kind::Device, true, "clip.002", "Impossible d'ouvrir le fichier " + Piece(2)}}) {
        SCOPED_TRACE(row.name + (row.kind == Kind::Fifo ? " as a pipe" : " as /dev/null"));
        RemoveFiles();
        const std::string source = Write("source.bin", bytes);
        if (row.rebuild) {
            ASSERT_EQ(Cut(source, 3), "");
        }
        fs::remove(dir / row.name);
        if (row.kind == Kind::Fifo)
            ASSERT_EQ(::mkfifo((dir / row.name).c_str(), 0600), 0);
        else
            fs::create_symlink("/dev/null", dir / row.name); // a character device
        EXPECT_EQ(row.rebuild ? Rebuild(dir / "out.bin") : Cut(source, 3), row.message);
    }
    EXPECT_EQ(MessageOf([&] { ReconstruireFichier(Piece(1), "/dev/null"); }),
              "Impossible de créer le fichier /dev/null");
}

TEST_P(EngineFiles, PieceDeletedDuringTheRebuildIsAnErrorButAGapFromTheStartIsTheEnd)
{
    const std::vector<Bytes> contents = MakePieces({{1, 3}, {2, 3}, {3, 3}, {4, 3}});
    bool deleted = false;
    const StepHookScope hook([&](PieceCopier::Step step, int64_t) {
        if (step == PieceCopier::Step::PieceStarted && !deleted)
            deleted = fs::remove(Piece(3));
    });
    EXPECT_EQ(Rebuild(dir / "out.avi"), "Impossible d'ouvrir le fichier " + Piece(3));
    EXPECT_EQ(ReadFile(dir / "out.avi"), Joined(contents, 2));
    // Now the gap is there from the start: the rebuild ends before it.
    EXPECT_EQ(Rebuild(dir / "out.avi"), "");
    EXPECT_EQ(ReadFile(dir / "out.avi"), Joined(contents, 2));
}

// Progress moves inside long pieces, only ever grows, and still shows each
// piece's end; a stop request ends the cut after the block in progress.
TEST_P(EngineFiles, ProgressMovesInsideAPieceAndAStopEndsTheCutAfterItsBlock)
{
    const std::string source = dir / "source.bin";
    const Bytes bytes = MakeSparse(source, 6);
    EXPECT_EQ(Cut(source, 12 * kMiB), "");
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    // Never more than a step of 4 MiB (a sixth of the file) apart.
    EXPECT_GT(progress.size(), 4u);
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_LE(progress[i] - progress[i - 1], 17) << i;
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 50), 1); // the first piece's end
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(ReadFile(Piece(2)), Bytes(bytes.begin() + 12 * kMiB, bytes.end()));

    RemoveFiles();
    MakeSparse(source, 6);
    std::atomic<bool> stop{false};
    int steps = 0;
    const StepHookScope hook([&](PieceCopier::Step step, int64_t position) {
        if (step == PieceCopier::Step::BeforeData && position >= 14 * kMiB && ++steps == 1)
            stop = true;
    });
    EXPECT_THROW(DecouperFichier(source, 12 * kMiB, dir.Path(), "clip", {}, &stop), EAbort);
    EXPECT_EQ(ReadFile(Piece(1)), Head(bytes, 12 * kMiB));
    const Bytes stopped = ReadFile(Piece(2));
    ASSERT_LT(stopped.size(), 12u * kMiB);
    EXPECT_TRUE(std::equal(stopped.begin(), stopped.end(), bytes.begin() + 12 * kMiB));
    EXPECT_FALSE(Exists(Piece(3)));
}

INSTANTIATE_TEST_SUITE_P(Copy, EngineFiles, testing::Values(CopyPath::Kernel, CopyPath::ReadWrite),
                         [](const auto& info) { return info.param == CopyPath::Kernel ? "KernelCopy" : "ReadWriteLoop"; });

} // namespace
} // namespace scindra
