#pragma once
// A stream over bytes held in memory; it grows as it is written.

#include "rtl/TStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace scindra {

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    uint8_t* Memory() { return bytes_.data(); }

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& destination);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<uint8_t> bytes_;
    int64_t position_ = 0;
};

} // namespace scindra
