#include "LogoArt.h"
#include "LogoPalette.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace scindra;
    std::vector<std::vector<RGBTriple>> art;
    for (int k = 0; k < logo::kFrames; ++k)
        art.push_back(logo::DrawFrame(k));
    const logo::IndexedFrames indexed = logo::MapOntoOnePalette(art);
    QImage strip(logo::kWidth * 11, logo::kHeight * 2, QImage::Format_RGB32);
    for (int k = 0; k < logo::kFrames; ++k) {
        for (int y = 0; y < logo::kHeight; ++y)
            for (int x = 0; x < logo::kWidth; ++x) {
                int i = indexed.frames[k][y * logo::kWidth + x];
                auto c = indexed.palette[i];
                if (i == 254) c = {146, 201, 201};
                strip.setPixel((k % 11) * logo::kWidth + x, (k / 11) * logo::kHeight + y, qRgb(c.r, c.g, c.b));
            }
    }
    strip.scaled(strip.width() * 2, strip.height() * 2).save(argv[1]);
    (void)argc;
    return 0;
}
