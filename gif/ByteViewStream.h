#pragma once
// A read-only stream over bytes owned by someone else. The reader parses a
// GIF held in memory through it without copying the file first.

#include "rtl/TStream.h"

#include <cstdint>

namespace scindra {

class ByteViewStream : public TStream {
public:
    ByteViewStream(const uint8_t* bytes, int64_t size) : bytes_(bytes), size_(size) {}

    int64_t Read(void* buffer, int64_t count) override;
    // Refused: the bytes are not ours.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void SetSize(int64_t size) override;

    // The bytes from the position on.
    const uint8_t* Current() const { return bytes_ + position_; }
    int64_t Left() const { return position_ < size_ ? size_ - position_ : 0; }

private:
    const uint8_t* bytes_;
    int64_t size_;
    int64_t position_ = 0;
};

} // namespace scindra
