#include "engine/PieceCopier.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scindra {
namespace {

std::atomic<bool> kernelCopyAllowed{true};

// Set by tests on the thread that later starts the copy, never during one.
PieceCopier::StepHook& StepHookSlot()
{
    static PieceCopier::StepHook hook;
    return hook;
}

void AtStep(PieceCopier::Step step, int64_t position)
{
    if (const auto& hook = StepHookSlot())
        hook(step, position);
}

PieceCopier::FlushCalls& FlushCallsSlot()
{
    static PieceCopier::FlushCalls calls = PieceCopier::SystemFlushCalls();
    return calls;
}

// The position of a file; one that cannot be told is a failure of that side.
template <class Failure>
int64_t PositionOf(TFileStream& stream)
{
    const int64_t position = stream.Position();
    if (position < 0)
        throw Failure();
    return position;
}

template <class Failure>
void SeekTo(TFileStream& stream, int64_t position)
{
    if (stream.Seek(position, SeekOrigin::Beginning) != position)
        throw Failure();
}

struct Extent {
    int64_t hole = 0; // bytes of hole at the position
    int64_t data = 0; // bytes of data after that hole (when hole is 0)
};

// What lies at `position` of a regular file, within `limit` bytes. The file
// offset is probed and put back. Past the end of the file (ENXIO) the answer
// is a hole; whether the file still reaches that far is for the caller to
// check. Any other failed query is a read error.
Extent ExtentAt(TFileStream& file, int64_t position, int64_t limit)
{
    Extent extent{0, limit};
    const off_t data = ::lseek(file.Handle(), position, SEEK_DATA);
    if (data < 0 && errno != ENXIO)
        throw EReadError();
    if (data < 0) {
        extent = {limit, 0};
    } else if (data > position) {
        extent = {std::min<int64_t>(data - position, limit), 0};
    } else {
        AtStep(PieceCopier::Step::BetweenProbes, position);
        const off_t hole = ::lseek(file.Handle(), position, SEEK_HOLE);
        if (hole < position)
            throw EReadError();
        if (hole > position)
            extent.data = std::min<int64_t>(hole - position, limit);
    }
    SeekTo<EReadError>(file, position);
    return extent;
}

// A hole stands for zeros only while the file still covers it: a file cut
// short meanwhile answers "no data here" too, and that must not become zeros.
void CheckStillReaches(TFileStream& file, int64_t end)
{
    struct stat status {};
    if (::fstat(file.Handle(), &status) != 0 || status.st_size < end)
        throw EReadError();
}

// Errors after which the kernel copy is not worth trying again on these files.
bool KernelCopyUnsupported(int error)
{
    return error == ENOSYS || error == EXDEV || error == EOPNOTSUPP || error == EINVAL || error == EBADF;
}

// Asks the device to start writing a stretch just copied, so the flush at
// the end of the piece finds little left to wait for. Only a hint: a file
// system that cannot take it still gets everything through the flush, which
// is where a failure is reported.
void StartWriteBack(TFileStream& to, int64_t offset, int64_t count)
{
    if (count > 0)
        static_cast<void>(::sync_file_range(to.Handle(), offset, count, SYNC_FILE_RANGE_WRITE));
}

int RetriedFlush(int handle)
{
    int result = 0;
    do
        result = ::fdatasync(handle);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

PieceCopier::PieceCopier(const std::atomic<bool>* stop, std::function<void(int64_t)> advanced)
    : stop_(stop), advanced_(std::move(advanced))
{
}

void PieceCopier::AllowKernelCopy(bool allowed)
{
    kernelCopyAllowed = allowed;
}

void PieceCopier::SetStepHook(StepHook hook)
{
    StepHookSlot() = std::move(hook);
}

void PieceCopier::SetFlushCalls(FlushCalls calls)
{
    FlushCallsSlot() = calls;
}

PieceCopier::FlushCalls PieceCopier::SystemFlushCalls()
{
    return {RetriedFlush, ::close};
}

void PieceCopier::ThrowIfStopped() const
{
    if (stop_ != nullptr && stop_->load())
        throw EAbort();
}

void PieceCopier::Copy(TFileStream& from, TFileStream& to, int64_t count)
{
    int64_t position = PositionOf<EReadError>(from);
    AtStep(Step::PieceStarted, position);
    int64_t output = PositionOf<EWriteError>(to);
    // Skipping holes leaves zeros in the destination only when it is being
    // appended to, which is how both operations write.
    const bool skipHoles = from.IsRegularFile() && to.IsRegularFile() && output >= to.Size();
    const int64_t end = position + count;
    bool endsInHole = false;
    while (position < end) {
        ThrowIfStopped();
        const int64_t step = std::min(end - position, kStepSize);
        AtStep(Step::BeforeProbe, position);
        const Extent extent = skipHoles ? ExtentAt(from, position, step) : Extent{0, step};
        if (extent.hole > 0) {
            CheckStillReaches(from, end);
            SeekTo<EReadError>(from, position + extent.hole);
            SeekTo<EWriteError>(to, output + extent.hole);
        } else {
            CopyData(from, to, extent.data);
            StartWriteBack(to, output, extent.data);
        }
        const int64_t moved = extent.hole + extent.data;
        position += moved;
        output += moved;
        endsInHole = extent.hole > 0;
        if (advanced_ && position < end)
            advanced_(position);
    }
    // A piece that ends in a hole still gets its full length.
    if (endsInHole)
        to.SetSize(output);
}

void PieceCopier::Finish(TFileStream& written)
{
    const FlushCalls calls = FlushCallsSlot();
    if (calls.flush(written.Handle()) != 0)
        throw EWriteError();
    // Linux closes the handle even when close() fails. EINTR there says
    // nothing about the data, which the flush has already put on the device;
    // other errors are deferred write errors (network and FUSE file systems).
    if (calls.close(written.Release()) != 0 && errno != EINTR)
        throw EWriteError();
    ThrowIfStopped();
}

void PieceCopier::CopyData(TFileStream& from, TFileStream& to, int64_t count)
{
    kernelCopy_ = kernelCopy_ && kernelCopyAllowed;
    if (kernelCopy_)
        count = KernelCopy(from, to, count);
    ReadWrite(from, to, count);
}

// Copies in the kernel as far as it goes and returns what is left. A refusal,
// an early end of the source or a failed write leaves the rest to the plain
// loop, which finishes the job or tells which side failed.
int64_t PieceCopier::KernelCopy(TFileStream& from, TFileStream& to, int64_t count)
{
    while (count > 0) {
        AtStep(Step::BeforeData, PositionOf<EReadError>(from));
        const ssize_t moved =
            ::copy_file_range(from.Handle(), nullptr, to.Handle(), nullptr, static_cast<size_t>(count), 0);
        if (moved > 0) {
            count -= moved;
            continue;
        }
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0 && KernelCopyUnsupported(errno))
            kernelCopy_ = false;
        break;
    }
    return count;
}

void PieceCopier::ReadWrite(TFileStream& from, TFileStream& to, int64_t count)
{
    if (!buffer_)
        buffer_ = std::make_unique<char[]>(static_cast<size_t>(kBufferSize));
    while (count > 0) {
        const int64_t block = std::min(count, kBufferSize);
        AtStep(Step::BeforeData, PositionOf<EReadError>(from));
        from.ReadBuffer(buffer_.get(), block);
        to.WriteBuffer(buffer_.get(), block);
        count -= block;
    }
}

} // namespace scindra
