#include "rtl/TMemoryStream.h"

#include "rtl/TFileStream.h"

#include <algorithm>
#include <cstring>

namespace scindra {

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    // A position outside the bytes reads nothing rather than failing.
    if (count <= 0 || position_ < 0 || position_ >= Size())
        return 0;
    const int64_t n = std::min(count, Size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    int64_t end = 0;
    if (count <= 0 || position_ < 0 || __builtin_add_overflow(position_, count, &end))
        return 0;
    if (end > Size())
        bytes_.resize(static_cast<size_t>(end));
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin)
{
    const int64_t base = origin == SeekOrigin::Beginning ? 0 : origin == SeekOrigin::Current ? position_ : Size();
    int64_t target = 0;
    if (!__builtin_add_overflow(base, offset, &target))
        position_ = target;
    return position_;
}

void TMemoryStream::SetSize(int64_t size)
{
    bytes_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    position_ = std::min(position_, Size());
}

void TMemoryStream::Clear()
{
    bytes_.clear();
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source)
{
    source.SetPosition(0);
    const int64_t size = source.Size();
    SetSize(size);
    position_ = 0;
    source.ReadBuffer(bytes_.data(), size);
}

void TMemoryStream::SaveToStream(TStream& destination)
{
    destination.WriteBuffer(bytes_.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::OpenReadDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, TFileMode::Create);
    SaveToStream(file);
}

} // namespace scindra
