#pragma once
// Moves bytes from one open file to another for the cut and the rebuild.
//
// The kernel copies in place (copy_file_range) where the file system allows;
// otherwise a read/write loop takes over. Holes of a sparse source are not
// read: the destination is extended over them instead, so a mostly empty
// image costs no time and no disk. Whatever the path, the bytes asked for
// arrive whole or the copy fails: a source that delivers fewer bytes raises
// EReadError, a destination that takes fewer (disk full, size limit) EWriteError.

#include "rtl/TFileStream.h"

#include <cstdint>
#include <memory>

namespace scindra {

class PieceCopier {
public:
    // The read/write loop moves this much per block. Far above the classic
    // 61,440 bytes: fewer system calls, and no rule depends on the block size.
    static constexpr int64_t kBufferSize = int64_t{1} << 20;

    // Copies `count` bytes from the current position of `from` to the current
    // position of `to`; both positions advance by `count`.
    void Copy(TFileStream& from, TFileStream& to, int64_t count);

    // Tests turn the kernel copy off to exercise the read/write loop.
    static void AllowKernelCopy(bool allowed);

private:
    void CopyData(TFileStream& from, TFileStream& to, int64_t count);
    void ReadWrite(TFileStream& from, TFileStream& to, int64_t count);

    std::unique_ptr<char[]> buffer_;
    bool kernelCopy_ = true;
};

} // namespace scindra
