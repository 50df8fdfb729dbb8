#include "engine/PieceCopier.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace scindra {
namespace {

std::atomic<bool> kernelCopyAllowed{true};

constexpr int64_t kMaxKernelCopy = int64_t{1} << 30;

struct Extent {
    int64_t hole = 0; // bytes of hole at the position
    int64_t data = 0; // bytes of data after that hole (when hole is 0)
};

// What lies at `position` of a regular file, within `limit` bytes. The file
// offset is probed and put back. Without hole support the whole span is data.
Extent ExtentAt(int handle, int64_t position, int64_t size, int64_t limit)
{
    Extent extent{0, limit};
    const off_t data = ::lseek(handle, position, SEEK_DATA);
    if (data < 0 && errno == ENXIO && position < size) {
        extent = {std::min(size - position, limit), 0}; // a hole up to the end
    } else if (data > position) {
        extent = {std::min<int64_t>(data - position, limit), 0};
    } else if (data == position) {
        const off_t hole = ::lseek(handle, position, SEEK_HOLE);
        if (hole > position)
            extent.data = std::min<int64_t>(hole - position, limit);
    }
    ::lseek(handle, position, SEEK_SET);
    return extent;
}

bool IsRegularFile(int handle)
{
    struct stat status {};
    return ::fstat(handle, &status) == 0 && S_ISREG(status.st_mode);
}

// Errors after which the kernel copy is not worth trying again on these files.
bool KernelCopyUnsupported(int error)
{
    return error == ENOSYS || error == EXDEV || error == EOPNOTSUPP || error == EINVAL || error == EBADF;
}

} // namespace

void PieceCopier::AllowKernelCopy(bool allowed)
{
    kernelCopyAllowed = allowed;
}

void PieceCopier::Copy(TFileStream& from, TFileStream& to, int64_t count)
{
    // Skipping holes leaves zeros in the destination only when it is being
    // appended to, which is how both operations write.
    const bool skipHoles = IsRegularFile(from.Handle()) && IsRegularFile(to.Handle()) && to.Position() >= to.Size();
    const int64_t sourceSize = from.Size();
    bool skipped = false;
    for (int64_t left = count; left > 0;) {
        const int64_t position = from.Position();
        const Extent extent = skipHoles ? ExtentAt(from.Handle(), position, sourceSize, left) : Extent{0, left};
        if (extent.hole > 0) {
            from.Seek(extent.hole, SeekOrigin::Current);
            to.Seek(extent.hole, SeekOrigin::Current);
            left -= extent.hole;
            skipped = true;
        } else {
            CopyData(from, to, extent.data);
            left -= extent.data;
            skipped = false;
        }
    }
    // A piece that ends in a hole still gets its full length.
    if (skipped)
        to.SetSize(to.Position());
}

void PieceCopier::CopyData(TFileStream& from, TFileStream& to, int64_t count)
{
    kernelCopy_ = kernelCopy_ && kernelCopyAllowed;
    while (count > 0 && kernelCopy_) {
        const ssize_t moved = ::copy_file_range(from.Handle(), nullptr, to.Handle(), nullptr,
                                                static_cast<size_t>(std::min(count, kMaxKernelCopy)), 0);
        if (moved > 0) {
            count -= moved;
            continue;
        }
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0 && KernelCopyUnsupported(errno))
            kernelCopy_ = false;
        // A refusal, an early end of the source or a failed write: the plain
        // loop finishes the job or tells which side failed.
        break;
    }
    if (count > 0)
        ReadWrite(from, to, count);
}

void PieceCopier::ReadWrite(TFileStream& from, TFileStream& to, int64_t count)
{
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(static_cast<size_t>(kBufferSize));
    while (count > 0) {
        const int64_t block = std::min(count, kBufferSize);
        from.ReadBuffer(buffer_.get(), block);
        to.WriteBuffer(buffer_.get(), block);
        count -= block;
    }
}

} // namespace scindra
