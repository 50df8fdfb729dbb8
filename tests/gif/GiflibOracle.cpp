#include "GiflibOracle.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace scindra::test {

namespace {

struct MemoryReader {
    const Bytes* bytes;
    std::size_t position;
};

int ReadFromMemory(GifFileType* file, GifByteType* buffer, int count)
{
    auto* reader = static_cast<MemoryReader*>(file->UserData);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), reader->bytes->size() - reader->position);
    std::memcpy(buffer, reader->bytes->data() + reader->position, n);
    reader->position += n;
    return static_cast<int>(n);
}

Palette PaletteOf(const ColorMapObject* map)
{
    Palette out;
    if (map)
        for (int i = 0; i < map->ColorCount; ++i)
            out.push_back(Rgb{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return out;
}

void Close(GifFileType* file)
{
    int error = 0;
    DGifCloseFile(file, &error);
}

} // namespace

OracleImage DecodeWithGiflib(const Bytes& gif)
{
    OracleImage out;
    MemoryReader reader{&gif, 0};
    int error = 0;
    std::unique_ptr<GifFileType, void (*)(GifFileType*)> file(DGifOpen(&reader, ReadFromMemory, &error), Close);
    if (!file) {
        out.error = GifErrorString(error);
        return out;
    }
    const bool slurped = DGifSlurp(file.get()) == GIF_OK;
    out.width = file->SWidth;
    out.height = file->SHeight;
    if (!slurped) {
        out.error = GifErrorString(file->Error);
        return out;
    }
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& saved = file->SavedImages[i];
        const GifImageDesc& d = saved.ImageDesc;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : file->SColorMap;
        OracleFrame f{d.Left, d.Top, d.Width, d.Height, d.Interlace, PaletteOf(map), -1, 0, 0, {}};
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(file.get(), i, &gcb) == GIF_OK) {
            f.transparent = gcb.TransparentColor;
            f.delayHundredths = gcb.DelayTime;
            f.disposal = gcb.DisposalMode;
        }
        const std::size_t count = static_cast<std::size_t>(d.Width) * static_cast<std::size_t>(d.Height);
        if (saved.RasterBits)
            f.indices.assign(saved.RasterBits, saved.RasterBits + count);
        out.frames.push_back(std::move(f));
    }
    out.ok = true;
    return out;
}

} // namespace scindra::test
