// A source far beyond 32-bit sizes, made sparse so the test takes seconds and
// almost no disk.

#include "engine/engine.h"

#include "TestFiles.h"
#include "engine/PieceCopier.h"

#include <gtest/gtest.h>

#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace scindra {
namespace {

using namespace testing_support;

constexpr int64_t kGiB = int64_t{1} << 30;
constexpr int64_t kSize = 5 * kGiB / 2;

class FileHandle {
public:
    FileHandle(const std::string& path, int flags) : handle_(::open(path.c_str(), flags, 0644)) {}
    ~FileHandle() { if (handle_ >= 0) ::close(handle_); }
    int get() const { return handle_; }

private:
    int handle_;
};

uint8_t ByteAt(const std::string& path, int64_t offset)
{
    FileHandle file(path, O_RDONLY);
    uint8_t byte = 0;
    EXPECT_EQ(::pread(file.get(), &byte, 1, offset), 1) << path << " @" << offset;
    return byte;
}

class SparseSource : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        PieceCopier::AllowKernelCopy(GetParam());
        FileHandle file(source, O_WRONLY | O_CREAT | O_TRUNC);
        ASSERT_EQ(::ftruncate(file.get(), kSize), 0);
        // Markers on both sides of every 32-bit and piece boundary, and one data run.
        const int64_t pieceSize = TailleMorceau(kSize, 3);
        for (int64_t offset : {int64_t{0}, 2 * kGiB - 1, 2 * kGiB, 4 * kGiB / 2 + 4097, pieceSize - 1, pieceSize,
                               2 * pieceSize - 1, 2 * pieceSize, 3 * pieceSize - 1, 3 * pieceSize, kSize - 1})
            markers[offset] = static_cast<uint8_t>(offset * 31 % 251 + 1);
        for (const auto& [offset, value] : markers)
            ASSERT_EQ(::pwrite(file.get(), &value, 1, offset), 1);
        run = RandomBytes(3 << 20, 11);
        ASSERT_EQ(::pwrite(file.get(), run.data(), run.size(), kRunOffset), static_cast<ssize_t>(run.size()));
    }
    void TearDown() override { PieceCopier::AllowKernelCopy(true); }

    static constexpr int64_t kRunOffset = kGiB + 12345;
    ScratchFolder dir;
    std::string source = dir / "image.iso";
    std::map<int64_t, uint8_t> markers;
    Bytes run;
};

TEST_P(SparseSource, CutsAndRebuildsBeyondFourGigabytesOfAddresses)
{
    const int64_t pieceSize = TailleMorceau(kSize, 3);
    ASSERT_EQ(NombreMorceaux(kSize, pieceSize), 4);
    std::vector<int> progress;
    DecouperFichier(source, pieceSize, dir.Path(), "image", [&](int v) { progress.push_back(v); });
    EXPECT_EQ(progress, (std::vector<int>{0, 33, 67, 100, 100}));

    for (int64_t k = 1; k <= 3; ++k)
        EXPECT_EQ(FileSize(NomMorceau(dir.Path(), "image", k)), pieceSize);
    EXPECT_EQ(FileSize(NomMorceau(dir.Path(), "image", 4)), kSize - 3 * pieceSize);
    for (const auto& [offset, value] : markers)
        EXPECT_EQ(ByteAt(NomMorceau(dir.Path(), "image", offset / pieceSize + 1), offset % pieceSize), value) << offset;
    const int64_t unmarked = 2 * kGiB + 4096;
    EXPECT_EQ(ByteAt(NomMorceau(dir.Path(), "image", unmarked / pieceSize + 1), unmarked % pieceSize), 0);

    const std::string rebuilt = dir / "rebuilt.iso";
    ReconstruireFichier(NomMorceau(dir.Path(), "image", 1), rebuilt);
    ASSERT_EQ(FileSize(rebuilt), kSize);
    for (const auto& [offset, value] : markers)
        EXPECT_EQ(ByteAt(rebuilt, offset), value) << offset;
    EXPECT_EQ(ByteAt(rebuilt, 3 * kGiB / 2), 0);

    FileHandle file(rebuilt, O_RDONLY);
    Bytes back(run.size());
    ASSERT_EQ(::pread(file.get(), back.data(), back.size(), kRunOffset), static_cast<ssize_t>(back.size()));
    EXPECT_EQ(back, run);
}

INSTANTIATE_TEST_SUITE_P(Copy, SparseSource, testing::Values(true, false),
                         [](const auto& info) { return info.param ? "KernelCopy" : "ReadWriteLoop"; });

} // namespace
} // namespace scindra
