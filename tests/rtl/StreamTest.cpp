#include "rtl/TFileStream.h"
#include "rtl/TMemoryStream.h"

#include "rtl/Exception.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace scindra {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

class Scratch : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "scindra-rtl-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

TEST(MemoryStream, ReadsWritesSeeksAndGrows)
{
    TMemoryStream stream;
    const std::vector<uint8_t> bytes = Pattern(100);
    stream.WriteBuffer(bytes.data(), 100);
    EXPECT_EQ(stream.Size(), 100);
    EXPECT_EQ(stream.Position(), 100);

    EXPECT_EQ(stream.Seek(-10, SeekOrigin::End), 90);
    uint8_t tail[20] = {};
    EXPECT_EQ(stream.Read(tail, 20), 10); // only what is left
    EXPECT_EQ(tail[0], bytes[90]);
    EXPECT_THROW(stream.ReadBuffer(tail, 1), EReadError);

    stream.SetPosition(120); // writing past the end fills the gap with zeros
    stream.WriteBuffer(bytes.data(), 5);
    EXPECT_EQ(stream.Size(), 125);
    EXPECT_EQ(stream.Bytes()[110], 0);
    EXPECT_EQ(stream.Bytes()[121], bytes[1]);

    stream.SetPosition(-5);
    EXPECT_EQ(stream.Read(tail, 1), 0);
    EXPECT_EQ(stream.Write(tail, 1), 0);
    stream.SetSize(10);
    EXPECT_EQ(stream.Size(), 10);
    stream.SetPosition(10);
    EXPECT_EQ(stream.Seek(INT64_MAX, SeekOrigin::Current), 10); // an overflowing seek goes nowhere
}

TEST(MemoryStream, CopyFromTakesAPartOrTheWholeSource)
{
    TMemoryStream source(Pattern(200000));
    TMemoryStream target;
    source.SetPosition(50);
    EXPECT_EQ(target.CopyFrom(source, 70000), 70000);
    EXPECT_EQ(std::vector<uint8_t>(target.Bytes()), std::vector<uint8_t>(source.Bytes().begin() + 50, source.Bytes().begin() + 70050));

    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(source, 0), 200000); // 0 means everything, from the first byte
    EXPECT_EQ(whole.Bytes(), source.Bytes());

    source.SetPosition(199990);
    EXPECT_THROW(target.CopyFrom(source, 11), EReadError);
}

TEST_F(Scratch, FileStreamCreatesEmptiesReadsAndSeeksWith64BitPositions)
{
    const std::string name = Path("data.bin");
    {
        TFileStream out(name, TFileMode::Create);
        const auto bytes = Pattern(5000);
        out.WriteBuffer(bytes.data(), 5000);
        EXPECT_EQ(out.Size(), 5000);
        // A position past 4 GiB makes a sparse file, no 32-bit wrap.
        EXPECT_EQ(out.Seek(int64_t{5} << 30, SeekOrigin::Beginning), int64_t{5} << 30);
        out.WriteBuffer("x", 1);
        EXPECT_EQ(out.Size(), (int64_t{5} << 30) + 1);
    }
    {
        TFileStream in(name, TFileMode::OpenReadDenyWrite);
        EXPECT_EQ(in.Size(), (int64_t{5} << 30) + 1);
        in.SetPosition(int64_t{5} << 30);
        char c = 0;
        in.ReadBuffer(&c, 1);
        EXPECT_EQ(c, 'x');
        EXPECT_THROW(in.ReadBuffer(&c, 1), EReadError);
        EXPECT_EQ(in.Write("y", 1), 0); // opened for reading only
        EXPECT_THROW(in.WriteBuffer("y", 1), EWriteError);
    }
    {
        TFileStream again(name, TFileMode::Create); // an existing file is emptied
        EXPECT_EQ(again.Size(), 0);
    }
    TFileStream probe(name, TFileMode::OpenReadExclusive);
    EXPECT_EQ(probe.Size(), 0);
}

TEST_F(Scratch, FailedOpensAndCreatesNameTheFile)
{
    fs::create_directory(Path("folder"));
    { TFileStream plain(Path("plain"), TFileMode::Create); }
    const std::string open = "Impossible d'ouvrir le fichier ", create = "Impossible de créer le fichier ";
    using enum TFileMode;
    struct Row { const char* name; TFileMode mode; std::string message; };
    for (const Row& row : {Row{"missing", OpenReadDenyWrite, open}, Row{"missing", OpenReadExclusive, open},
                           Row{"folder", OpenReadDenyWrite, open}, Row{"plain/x", OpenReadDenyWrite, open},
                           Row{"no/such/x", Create, create}, Row{"plain/x", Create, create}, Row{"folder", Create, create}}) {
        try {
            TFileStream stream(Path(row.name), row.mode);
            ADD_FAILURE() << row.name;
        } catch (const EStreamError& error) {
            EXPECT_EQ(error.Message(), row.message + Path(row.name));
        }
    }
}

TEST_F(Scratch, NamedPipeWithoutWriterOpensAsAnEmptyStream)
{
    const std::string name = Path("pipe");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    TFileStream pipe(name, TFileMode::OpenReadDenyWrite); // must not wait for a writer
    char c = 0;
    EXPECT_EQ(pipe.Read(&c, 1), 0);
}

TEST_F(Scratch, RefusedIdentityIsNeitherEmptiedNorOpened)
{
    const std::string name = Path("keep.bin");
    TMemoryStream(Pattern(10)).SaveToFile(name);
    const FileIdentities refused{*IdentityOf(name)};
    fs::create_hard_link(name, Path("twin"));
    EXPECT_THROW(TFileStream(Path("twin"), TFileMode::Create, refused), EFCreateError);
    EXPECT_THROW(TFileStream(Path("./keep.bin"), TFileMode::OpenReadDenyWrite, refused), EFOpenError);
    TMemoryStream back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.Bytes(), Pattern(10));
    EXPECT_TRUE(FileExists(name));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(Path("missing")));
}

} // namespace
} // namespace scindra
