#pragma once
// Moves bytes from one open file to another for the cut and the rebuild.
//
// The kernel copies in place (copy_file_range) where the file system allows;
// otherwise a read/write loop takes over. Holes of a sparse source are not
// read: the destination is extended over them instead, so a mostly empty
// image costs no time and no disk. A hole is believed only while the source,
// looked at that very moment, still reaches the end of what is being copied:
// a file cut short by another program must not turn into zeros. Whatever the
// path, the bytes asked for arrive whole or the copy fails: a source that
// delivers fewer bytes (or whose position cannot be told) raises EReadError,
// a destination that takes fewer (disk full, size limit) EWriteError.
//
// The copy goes in steps of at most kStepSize bytes. After each one the
// device is asked to start writing it back, the caller hears how far the
// source has got, and a stop request ends the copy with EAbort.

#include "rtl/TFileStream.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace scindra {

class PieceCopier {
public:
    // The read/write loop moves this much per block. Far above the classic
    // 61,440 bytes: fewer system calls, and no rule depends on the block size.
    static constexpr int64_t kBufferSize = int64_t{1} << 20;
    // The longest stretch copied without a look at progress and stop request.
    static constexpr int64_t kStepSize = int64_t{4} << 20;

    // `stop` (may be null): once it reads true the copy ends with EAbort
    // before its next step. `advanced` (may be empty) gets the source position
    // after each step that leaves more of the current Copy to do.
    explicit PieceCopier(const std::atomic<bool>* stop = nullptr,
                         std::function<void(int64_t)> advanced = {});

    // Copies `count` bytes from the current position of `from` to the current
    // position of `to`; both positions advance by `count`.
    void Copy(TFileStream& from, TFileStream& to, int64_t count);

    // Puts what was written to `written` on the device and closes it; a
    // failed flush or close raises EWriteError. Then honours a stop request,
    // so a stopped cut never starts (and empties) the next piece.
    void Finish(TFileStream& written);

    // Tests turn the kernel copy off to exercise the read/write loop.
    static void AllowKernelCopy(bool allowed);

    // The moments at which another program may cut the source short.
    enum class Step { PieceStarted, BeforeProbe, BetweenProbes, BeforeData };
    // Tests install a hook called at each of them with the source position.
    using StepHook = std::function<void(Step, int64_t position)>;
    static void SetStepHook(StepHook hook);

    // The calls that put a written file on the device; tests make them fail.
    struct FlushCalls {
        int (*flush)(int handle);
        int (*close)(int handle);
    };
    static void SetFlushCalls(FlushCalls calls);
    static FlushCalls SystemFlushCalls();

private:
    void CopyData(TFileStream& from, TFileStream& to, int64_t count);
    int64_t KernelCopy(TFileStream& from, TFileStream& to, int64_t count);
    void ReadWrite(TFileStream& from, TFileStream& to, int64_t count);
    void ThrowIfStopped() const;

    const std::atomic<bool>* stop_;
    std::function<void(int64_t)> advanced_;
    std::unique_ptr<char[]> buffer_;
    bool kernelCopy_ = true;
};

} // namespace scindra
