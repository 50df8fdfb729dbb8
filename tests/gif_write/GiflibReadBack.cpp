#include "GiflibReadBack.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace scindra::test {

namespace {

struct Source {
    const std::vector<uint8_t>* bytes;
    size_t position = 0;
};

int ReadFromSource(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* source = static_cast<Source*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), source->bytes->size() - source->position);
    std::memcpy(buffer, source->bytes->data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

void ReadExtensions(const SavedImage& image, OracleImage& result, OracleFrame& frame)
{
    for (int i = 0; i < image.ExtensionBlockCount; ++i) {
        const ExtensionBlock& block = image.ExtensionBlocks[i];
        if (block.Function == GRAPHICS_EXT_FUNC_CODE) {
            GraphicsControlBlock control;
            if (DGifExtensionToGCB(block.ByteCount, block.Bytes, &control) == GIF_OK) {
                frame.hasControl = true;
                frame.delay = control.DelayTime;
                frame.disposal = control.DisposalMode;
                frame.transparentIndex = control.TransparentColor;
            }
        } else if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                   std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && i + 1 < image.ExtensionBlockCount) {
            const ExtensionBlock& data = image.ExtensionBlocks[i + 1];
            if (data.ByteCount >= 3 && data.Bytes[0] == 1) {
                result.hasLoopBlock = true;
                result.loopCount = data.Bytes[1] | data.Bytes[2] << 8;
            }
        }
    }
}

} // namespace

OracleImage DecodeWithGiflib(const std::vector<uint8_t>& bytes)
{
    OracleImage result;
    Source source{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadFromSource, &error);
    if (!gif) {
        result.error = GifErrorString(error);
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK)
        result.error = GifErrorString(gif->Error);
    // The signature as written (giflib names the version its features need).
    result.version.assign(bytes.begin() + 3, bytes.begin() + 6);
    result.width = gif->SWidth;
    result.height = gif->SHeight;
    result.backgroundIndex = gif->SBackGroundColor;
    result.aspectByte = gif->AspectByte;
    result.colorResolution = gif->SColorResolution;
    if (gif->SColorMap)
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            result.globalTable.insert(result.globalTable.end(), {c.Red, c.Green, c.Blue});
        }
    for (int i = 0; i < gif->ImageCount && result.error.empty(); ++i) {
        const SavedImage& image = gif->SavedImages[i];
        OracleFrame frame;
        frame.left = image.ImageDesc.Left;
        frame.top = image.ImageDesc.Top;
        frame.width = image.ImageDesc.Width;
        frame.height = image.ImageDesc.Height;
        frame.interlaced = image.ImageDesc.Interlace;
        frame.hasLocalTable = image.ImageDesc.ColorMap != nullptr;
        frame.localColorCount = frame.hasLocalTable ? image.ImageDesc.ColorMap->ColorCount : 0;
        if (image.RasterBits)
            frame.pixels.assign(image.RasterBits, image.RasterBits + size_t(frame.width) * size_t(frame.height));
        ReadExtensions(image, result, frame);
        result.frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return result;
}

std::vector<uint8_t> WrapImageData(const std::vector<uint8_t>& imageData, int width, int height, int bits)
{
    auto le16 = [](std::vector<uint8_t>& out, int v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
    le16(gif, width);
    le16(gif, height);
    gif.insert(gif.end(), {uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)), 0, 0});
    for (int i = 0; i < (1 << bits); ++i) {
        const uint8_t grey = uint8_t(i * 255 / ((1 << bits) - 1));
        gif.insert(gif.end(), {grey, grey, grey});
    }
    gif.push_back(0x2C);
    le16(gif, 0);
    le16(gif, 0);
    le16(gif, width);
    le16(gif, height);
    gif.push_back(0);
    gif.insert(gif.end(), imageData.begin(), imageData.end());
    gif.push_back(0x3B);
    return gif;
}

} // namespace scindra::test
