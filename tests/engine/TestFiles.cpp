#include "TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace scindra::testing_support {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "scindra-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

Bytes RandomBytes(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    // Read in one go: the copy tests read back files of many megabytes, and a
    // byte-by-byte read is slow under the sanitizers.
    Bytes bytes(static_cast<size_t>(fs::file_size(path)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void WriteAt(const std::string& path, int64_t offset, const Bytes& bytes)
{
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(offset).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Bytes ReadAt(const std::string& path, int64_t offset, size_t count)
{
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(count);
    in.seekg(offset).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

int64_t FileSize(const std::string& path)
{
    return static_cast<int64_t>(fs::file_size(path));
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RunWithFileSizeLimit(int64_t fileSizeLimit, const std::function<void()>& action)
{
    int channel[2];
    if (::pipe(channel) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(channel[0]);
        // Past the limit a write fails with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
        std::string message = "setrlimit failed";
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            try {
                action();
                message.clear();
            } catch (const std::exception& error) {
                message = error.what();
            }
        }
        [[maybe_unused]] const ssize_t written = ::write(channel[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string message;
    char block[256];
    for (ssize_t got; (got = ::read(channel[0], block, sizeof block)) > 0;)
        message.append(block, static_cast<size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("child process failed");
    return message;
}

} // namespace scindra::testing_support
