#include "rtl/TStream.h"

#include "rtl/Exception.h"

#include <algorithm>
#include <memory>

namespace scindra {

int64_t TStream::Size()
{
    const int64_t position = Position();
    const int64_t size = Seek(0, SeekOrigin::End);
    Seek(position, SeekOrigin::Beginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const int64_t bufferSize = std::min(count, kCopyBufferSize);
    if (bufferSize <= 0)
        return 0;
    const auto buffer = std::make_unique<char[]>(static_cast<size_t>(bufferSize));
    for (int64_t left = count; left > 0;) {
        const int64_t block = std::min(left, bufferSize);
        source.ReadBuffer(buffer.get(), block);
        WriteBuffer(buffer.get(), block);
        left -= block;
    }
    return count;
}

} // namespace scindra
