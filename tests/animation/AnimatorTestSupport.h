#pragma once
// Small GIFs for the animator tests, built with the test GIF assembler: a
// four-colour global table (red, green, blue, magenta), one graphic control
// block before every frame.

#include "GifBuilder.h"
#include "animation/GIFAnimator.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

namespace scindra::test {

enum Colour : uint8_t { R = 0, G = 1, B = 2, M = 3 };

inline const Palette kFourColours{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}};

inline QRgb RgbOf(char letter)
{
    switch (letter) {
    case 'R': return qRgb(255, 0, 0);
    case 'G': return qRgb(0, 255, 0);
    case 'B': return qRgb(0, 0, 255);
    case 'M': return qRgb(255, 0, 255);
    case 'Y': return qRgb(255, 255, 0);
    default: return qRgb(1, 2, 3);
    }
}

inline TColor ColorOf(char letter)
{
    const QRgb rgb = RgbOf(letter);
    return static_cast<TColor>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16);
}

// One frame: its rectangle's corner, its rows as letters of the palette,
// disposal, delay in hundredths, and the palette index that is transparent.
struct FrameSpec {
    uint16_t left = 0;
    uint16_t top = 0;
    std::vector<std::string> rows;
    int disposal = 1;
    uint16_t delay = 10;
    std::optional<uint8_t> transparent = M;
};

inline Pixels PixelsOf(const std::vector<std::string>& rows)
{
    Pixels pixels;
    pixels.height = static_cast<int>(rows.size());
    pixels.width = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    for (const std::string& row : rows)
        for (char letter : row)
            pixels.indices.push_back(letter == 'R' ? R : letter == 'G' ? G : letter == 'B' ? B : M);
    return pixels;
}

inline Bytes BuildGif(uint16_t width, uint16_t height, const std::vector<FrameSpec>& frames,
                      uint8_t backgroundIndex = B)
{
    GifBuilder gif;
    gif.Header("89a").Screen(width, height, kFourColours, backgroundIndex);
    for (const FrameSpec& frame : frames) {
        gif.Control({frame.disposal, frame.delay, frame.transparent});
        ImageSpec image;
        image.left = frame.left;
        image.top = frame.top;
        image.pixels = PixelsOf(frame.rows);
        image.lzw.codeSize = 2;
        gif.Image(image);
    }
    return gif.Trailer().Build();
}

// A plain frame of one colour all over, opaque.
inline FrameSpec Solid(int width, int height, char letter, uint16_t delay = 10)
{
    return FrameSpec{0, 0, std::vector<std::string>(height, std::string(width, letter)), 1, delay, std::nullopt};
}

inline void Load(TGIFAnimator& animator, const Bytes& bytes)
{
    TMemoryStream stream(bytes);
    animator.Image().ReadFromStream(stream);
}

// The pixels of an image as rows of letters (Y: the yellow parent, ?: other).
inline std::vector<std::string> LettersOf(const QImage& image, QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    std::vector<std::string> rows;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::string row;
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            char letter = '?';
            for (char candidate : std::string("RGBMY"))
                if ((RgbOf(candidate) & 0xFFFFFF) == pixel)
                    letter = candidate;
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace scindra::test
