#pragma once
// A sequence of bytes with a current position. Positions and counts are
// 64-bit: files of several gigabytes are the common case.

#include <cstdint>

namespace scindra {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
public:
    // The buffer size CopyFrom moves bytes with.
    static constexpr int64_t kCopyBufferSize = 0xF000;

    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Move up to count bytes and return how many moved; fewer means the end
    // of the data was reached or the device refused the rest.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;

    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, SeekOrigin::Beginning); }

    // All or nothing: a short read raises EReadError, a short write EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies count bytes from source's position; a count of 0 copies the
    // whole source from its first byte. Returns the number of bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

} // namespace scindra
