#pragma once
// Small GIFs for the animator tests, built with the test GIF assembler: a
// four-colour global table (red, green, blue, magenta), one graphic control
// block before every frame. Pictures are written as rows of letters.

#include "GifBuilder.h"
#include "animation/GIFAnimator.h"
#include "rtl/TMemoryStream.h"

#include <QImage>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace scindra::test {

using Rows = std::vector<std::string>;
enum Colour : uint8_t { R = 0, G = 1, B = 2, M = 3 };

// The palette's letters in index order, then Y, the yellow of the parent
// window, and ? for any other colour.
inline const std::string kLetters = "RGBMY?";
inline const QRgb kRgb[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
                            qRgb(255, 255, 0)};
inline const Palette kFourColours{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}};

// One frame: its rectangle's corner, its rows, disposal, delay in
// hundredths, and the palette index that is transparent.
struct FrameSpec {
    uint16_t left = 0;
    uint16_t top = 0;
    Rows rows;
    int disposal = 1;
    uint16_t delay = 10;
    std::optional<uint8_t> transparent = M;
};

inline ImageBlock BlockOf(const FrameSpec& frame)
{
    ImageBlock image;
    image.left = frame.left;
    image.top = frame.top;
    image.pixels.height = static_cast<int>(frame.rows.size());
    image.pixels.width = static_cast<int>(frame.rows.front().size());
    for (const std::string& row : frame.rows)
        for (char letter : row)
            image.pixels.indices.push_back(static_cast<uint8_t>(kLetters.find(letter)));
    image.lzw.codeSize = 2;
    return image;
}

inline Bytes BuildGif(uint16_t width, uint16_t height, const std::vector<FrameSpec>& frames)
{
    GifBuilder gif;
    gif.Header("89a").Screen(width, height, kFourColours, B);
    for (const FrameSpec& frame : frames)
        gif.Control({frame.disposal, frame.delay, frame.transparent}).Image(BlockOf(frame));
    return gif.Trailer().Build();
}

// A plain opaque frame of one colour all over.
inline FrameSpec Solid(int width, int height, char letter, uint16_t delay = 10)
{
    return FrameSpec{0, 0, Rows(height, std::string(width, letter)), 1, delay, std::nullopt};
}

inline void Load(TGIFAnimator& animator, const Bytes& bytes)
{
    TMemoryStream stream(bytes);
    animator.Image().ReadFromStream(stream);
}

// The pixels of an image (or of `area` in it) as letters, '?' for any other colour.
inline Rows LettersOf(const QImage& image, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area;
    Rows rows(size_t(area.height()));
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            rows[size_t(y)] += kLetters[size_t(std::find(std::begin(kRgb), std::end(kRgb),
                                                         image.pixel(area.topLeft() + QPoint(x, y)) | 0xFF000000) -
                                               std::begin(kRgb))];
    return rows;
}

} // namespace scindra::test
