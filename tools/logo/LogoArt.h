#pragma once
// The pictures of the About window's logo: the word "Scindra" and a
// registered sign in brushed chrome, turning once about its vertical axis.
//
// Everything is computed from our own glyph outlines with plain arithmetic
// (no fonts, no library trigonometry), and QPainter only fills aliased
// polygons, so the pixels come out the same on every machine.

#include "gif/ColorReduction.h"

#include <vector>

namespace scindra::logo {

constexpr int kWidth = 70;
constexpr int kHeight = 52;
constexpr int kFrames = 22;
// The colour of the pixels the lettering does not touch.
constexpr RGBTriple kTransparent{4, 2, 4};

// One frame, rows top-down, kWidth x kHeight.
std::vector<RGBTriple> DrawFrame(int index);

} // namespace scindra::logo
