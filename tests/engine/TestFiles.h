#pragma once
// Scratch folders and file helpers for the engine tests.

#include "rtl/Exception.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scindra::testing_support {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

Bytes RandomBytes(size_t count, uint32_t seed);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
// Bytes at a 64-bit offset of an existing file, through the standard library alone.
void WriteAt(const std::string& path, int64_t offset, const Bytes& bytes);
Bytes ReadAt(const std::string& path, int64_t offset, size_t count);
bool Exists(const std::string& path);
int64_t FileSize(const std::string& path);
std::vector<std::string> FolderEntries(const std::string& folder); // sorted names

// Runs `action` in a child process whose files may not grow beyond
// `fileSizeLimit` bytes; returns the message of the exception it raised, or
// "" when it completed.
std::string RunWithFileSizeLimit(int64_t fileSizeLimit, const std::function<void()>& action);

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

} // namespace scindra::testing_support
