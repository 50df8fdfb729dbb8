// Draws the About window's logo and writes it with our own GIF writer:
//
//   scindra_make_logo [folder]     (default: assets)
//
// gives folder/logo.gif and folder/logo.data, the stored form of the same
// picture (a 4-byte little-endian length, then the GIF). Both come out byte
// for byte the same on every run and every machine.

#include "LogoArt.h"
#include "LogoPalette.h"

#include "gif/GIFImage.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <cstdio>
#include <exception>
#include <string>

namespace {

using namespace scindra;

constexpr uint16_t kDelayMs = 100;

TColor ToColor(RGBTriple c) { return TColor{c.r} | TColor{c.g} << 8 | TColor{c.b} << 16; }

QImage ToBitmap(const std::vector<uint8_t>& indices, const std::array<RGBTriple, 256>& palette)
{
    QImage bitmap(logo::kWidth, logo::kHeight, QImage::Format_Indexed8);
    QVector<QRgb> colors;
    for (const RGBTriple& c : palette)
        colors.push_back(qRgb(c.r, c.g, c.b));
    bitmap.setColorTable(colors);
    for (int y = 0; y < logo::kHeight; ++y)
        std::copy_n(&indices[size_t(y) * logo::kWidth], logo::kWidth, bitmap.scanLine(y));
    return bitmap;
}

void BuildLogo(TGIFImage& image)
{
    std::vector<std::vector<RGBTriple>> art;
    for (int k = 0; k < logo::kFrames; ++k)
        art.push_back(logo::DrawFrame(k));
    const logo::IndexedFrames indexed = logo::MapOntoOnePalette(art);

    const TColor transparent = ToColor(logo::kTransparent);
    for (int k = 0; k < logo::kFrames; ++k) {
        TGIFFrame& frame = *image.FrameAt(image.AppendFrame(ToBitmap(indexed.frames[size_t(k)], indexed.palette), transparent));
        frame.SetDelayMs(kDelayMs);
        // The last frame stays on screen while the turn starts again.
        frame.SetDisposal(k + 1 < logo::kFrames ? dpRestoreBackground : dpKeep);
    }
    image.SetLoopEnabled(true);
    image.SetLoopCount(0);
    image.SetBackdropColor(transparent);
    image.EncodeFrames(false);
    // Every frame has the same palette: the first frame's is the global table
    // and the others need no table of their own.
    for (int k = 0; k < image.FrameCount(); ++k) {
        TGIFFrame& frame = *image.FrameAt(k);
        if (frame.Item().LocalTable == image.Data().GlobalTable)
            frame.SetHasLocalTable(false);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "assets";
    try {
        TGIFImage image;
        BuildLogo(image);
        image.SaveToFile(folder + "/logo.gif");
        TMemoryStream stored;
        image.WriteStoredData(stored);
        stored.SaveToFile(folder + "/logo.data");
        std::printf("%s/logo.gif: %lld bytes\n", folder.c_str(), static_cast<long long>(stored.Size() - 4));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scindra_make_logo: %s\n", e.what());
        return 1;
    }
    return 0;
}
