#include "gif/ByteViewStream.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <cstring>

namespace scindra {

int64_t ByteViewStream::Read(void* buffer, int64_t count)
{
    const int64_t n = std::min(count, Left());
    if (n <= 0 || position_ < 0)
        return 0;
    std::memcpy(buffer, bytes_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t ByteViewStream::Write(const void*, int64_t)
{
    return 0;
}

int64_t ByteViewStream::Seek(int64_t offset, SeekOrigin origin)
{
    const int64_t base = origin == SeekOrigin::Beginning ? 0 : origin == SeekOrigin::Current ? position_ : size_;
    int64_t target = 0;
    if (!__builtin_add_overflow(base, offset, &target))
        position_ = target;
    return position_;
}

void ByteViewStream::SetSize(int64_t)
{
    throw EWriteError();
}

} // namespace scindra
