#include "rtl/TFileStream.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scindra {
namespace {

// One system call moves at most this much; larger counts loop.
constexpr int64_t kMaxTransfer = int64_t{1} << 30;

int WhenceOf(SeekOrigin origin)
{
    switch (origin) {
    case SeekOrigin::Beginning: return SEEK_SET;
    case SeekOrigin::Current: return SEEK_CUR;
    case SeekOrigin::End: return SEEK_END;
    }
    return SEEK_SET;
}

// Repeats a read or a write (`call`, ::read or ::write) until `count` bytes
// have moved, the file ends or the call fails; returns the bytes moved, so a
// short count tells the caller which error to raise.
template <class Byte, class Call>
int64_t MoveAll(int handle, Byte* bytes, int64_t count, Call call)
{
    int64_t done = 0;
    while (done < count) {
        const ssize_t moved = call(handle, bytes + done, static_cast<size_t>(std::min(count - done, kMaxTransfer)));
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0)
            break;
        done += moved;
    }
    return done;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode)
    : TFileStream(fileName, mode, {})
{
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode, const FileIdentities& refused)
    : fileName_(fileName)
{
    if (mode == TFileMode::Create)
        Create(refused);
    else
        Open(mode, refused);
}

TFileStream::~TFileStream()
{
    if (handle_ >= 0)
        ::close(handle_);
}

void TFileStream::Fail(TFileMode mode)
{
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
    if (mode == TFileMode::Create)
        throw EFCreateError(fileName_);
    throw EFOpenError(fileName_);
}

void TFileStream::Open(TFileMode mode, const FileIdentities& refused)
{
    // Not blocking while opening: a named pipe without a writer would
    // otherwise hold the program in open() for ever.
    handle_ = ::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (handle_ < 0)
        Fail(mode);
    const int flags = ::fcntl(handle_, F_GETFL);
    if (flags < 0 || ::fcntl(handle_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        Fail(mode);
    struct stat status {};
    // A folder opens for reading on POSIX, but it is no file to read.
    if (::fstat(handle_, &status) != 0 || S_ISDIR(status.st_mode) || Contains(refused, Identity()))
        Fail(mode);
}

void TFileStream::Create(const FileIdentities& refused)
{
    // Opened without truncation first: the identity check must come before
    // a single byte of an existing file is lost. Not blocking either: a named
    // pipe or a device under the name is refused, never waited on.
    handle_ = ::open(fileName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (handle_ < 0)
        Fail(TFileMode::Create);
    struct stat status {};
    if (::fstat(handle_, &status) != 0 || !S_ISREG(status.st_mode) || Contains(refused, Identity()))
        Fail(TFileMode::Create);
    if (status.st_size != 0 && ::ftruncate(handle_, 0) != 0)
        Fail(TFileMode::Create);
    const int flags = ::fcntl(handle_, F_GETFL);
    if (flags < 0 || ::fcntl(handle_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        Fail(TFileMode::Create);
}

bool TFileStream::IsRegularFile() const
{
    struct stat status {};
    return ::fstat(handle_, &status) == 0 && S_ISREG(status.st_mode);
}

int TFileStream::Release()
{
    return std::exchange(handle_, -1);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    return MoveAll(handle_, static_cast<char*>(buffer), count, ::read);
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    return MoveAll(handle_, static_cast<const char*>(buffer), count, ::write);
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin)
{
    return ::lseek(handle_, offset, WhenceOf(origin));
}

int64_t TFileStream::Size()
{
    struct stat status {};
    if (::fstat(handle_, &status) != 0)
        return TStream::Size();
    return status.st_size;
}

void TFileStream::SetSize(int64_t size)
{
    if (::ftruncate(handle_, size) != 0)
        throw EWriteError();
}

} // namespace scindra
