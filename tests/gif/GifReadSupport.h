#pragma once
// Small helpers of the reader, decoder and rendering tests.

#include "GifBuilder.h"
#include "gif/GIFImage.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <functional>
#include <memory>
#include <string>

namespace scindra::test {

// Reads the bytes as a whole file (first frame decoded at once).
inline std::unique_ptr<TGIFImage> Load(const Bytes& gif, bool decodeFirst = true)
{
    auto image = std::make_unique<TGIFImage>();
    TMemoryStream stream(gif);
    image->ReadGIF(static_cast<int64_t>(gif.size()), stream, decodeFirst);
    return image;
}

// The message of the exception `action` raises, empty when it raises none.
inline std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return std::string();
}

// The palette indices of an indexed bitmap, top row first.
inline Bytes IndicesOf(const QImage& bitmap)
{
    Bytes indices;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            indices.push_back(static_cast<uint8_t>(bitmap.pixelIndex(x, y)));
    return indices;
}

} // namespace scindra::test
