#include "LogoArt.h"

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>

namespace scindra::logo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSuper = 4; // subpixels per pixel along each axis

// sin by its Taylor series after folding into [-pi/2, pi/2]: only additions
// and multiplications, so the result is the same on every processor.
double Sine(double a)
{
    while (a > kPi)
        a -= 2 * kPi;
    while (a < -kPi)
        a += 2 * kPi;
    if (a > kPi / 2)
        a = kPi - a;
    else if (a < -kPi / 2)
        a = -kPi - a;
    double term = a, sum = a;
    for (int n = 1; n < 12; ++n) {
        term *= -a * a / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}
double Cosine(double a) { return Sine(a + kPi / 2); }

struct Point {
    double x, y;
};

// A pen stroke along a centre line, in design units (baseline at y = 0, the
// x-height at -10, capitals and ascenders at -15, y growing downwards).
struct Stroke {
    std::vector<Point> line;
    double width;
};

constexpr double kPen = 2.5;
constexpr double kThinPen = 0.9;

// Points along a circular arc; angles in degrees, counter-clockwise on screen.
std::vector<Point> Arc(double cx, double cy, double r, double start, double sweep)
{
    const int steps = std::max(2, int(std::abs(sweep) / 15) + 1);
    std::vector<Point> points;
    for (int i = 0; i <= steps; ++i) {
        const double a = (start + sweep * i / steps) * kPi / 180;
        points.push_back({cx + r * Cosine(a), cy - r * Sine(a)});
    }
    return points;
}

std::vector<Point> Line(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y1}}; }

std::vector<Point> Join(std::vector<Point> a, const std::vector<Point>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Glyph {
    double advance;
    std::vector<Stroke> strokes;
};

std::vector<Glyph> Lettering()
{
    const double p = kPen, t = kThinPen;
    return {
        {8.6, {{Join(Arc(4.2, -11.3, 3.6, 35, 235), Arc(4.2, -3.8, 3.8, 90, -245)), p}}},        // S
        {8.0, {{Arc(4.6, -5, 4.4, 50, 260), p}}},                                                   // c
        {3.2, {{Line(1.4, -10, 1.4, 0), p}, {{{1.4, -14.2}}, p * 1.1}}},                          // i
        {8.8, {{Line(1.4, -10, 1.4, 0), p}, {Join(Arc(4.5, -6.2, 3.1, 180, -180), Line(7.6, -6.2, 7.6, 0)), p}}}, // n
        {9.6, {{Arc(4.4, -5, 4.1, 0, 360), p}, {Line(8.5, -15, 8.5, 0), p}}},                     // d
        {6.4, {{Line(1.4, -10, 1.4, 0), p}, {Arc(4.6, -6.6, 3.2, 180, -100), p}}},                // r
        {9.4, {{Arc(4.3, -5, 4.0, 0, 360), p}, {Line(8.3, -10, 8.3, 0), p}}},                     // a
        {7.2, {{Arc(3.6, -11.4, 3.3, 0, 360), t},                                                   // (R)
               {Line(2.5, -9.6, 2.5, -13.2), t},
               {Join(Line(2.5, -13.2, 3.8, -13.2), Join(Arc(3.8, -12.3, 0.9, 90, -180), Line(3.8, -11.4, 2.5, -11.4))), t},
               {Line(3.6, -11.4, 4.9, -9.6), t}}},
    };
}

// The lettering laid out from x = 0, one stroke list for the whole word.
struct Layout {
    std::vector<Stroke> strokes;
    double width;
};

Layout LayOut()
{
    Layout layout{{}, 0};
    for (const Glyph& glyph : Lettering()) {
        for (Stroke stroke : glyph.strokes) {
            for (Point& point : stroke.line)
                point.x += layout.width;
            layout.strokes.push_back(std::move(stroke));
        }
        layout.width += glyph.advance + 0.9;
    }
    layout.width -= 0.9;
    return layout;
}

// Where design units land in subpixels for one angle of the turn.
struct View {
    double scaleX, scaleY;       // subpixels per design unit
    double centerX, baselineY;   // design centre and baseline in subpixels
    double designCenter;         // the turning axis in design units
    double turn;                 // cosine of the angle: the horizontal squeeze
    double shift = 0;            // extra horizontal offset in subpixels (the extruded side)

    QPointF Map(Point p) const
    {
        return {centerX + (p.x - designCenter) * scaleX * turn + shift, baselineY + p.y * scaleY};
    }
};

// Fills a stroke as quadrilaterals along its segments and round discs at its
// points: the outline of a round pen.
void FillStroke(QPainter& painter, const Stroke& stroke, const View& view, double widen)
{
    const double r = (stroke.width + widen) / 2;
    constexpr int kDiscSides = 16;
    static const std::array<Point, kDiscSides> unit = [] {
        std::array<Point, kDiscSides> u{};
        for (int i = 0; i < kDiscSides; ++i)
            u[i] = {Cosine(2 * kPi * i / kDiscSides), Sine(2 * kPi * i / kDiscSides)};
        return u;
    }();
    for (const Point& c : stroke.line) {
        QPolygonF disc;
        for (const Point& u : unit)
            disc << view.Map({c.x + r * u.x, c.y + r * u.y});
        painter.drawPolygon(disc, Qt::WindingFill);
    }
    for (size_t i = 1; i < stroke.line.size(); ++i) {
        const Point a = stroke.line[i - 1], b = stroke.line[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        double length = dx * dx + dy * dy;
        if (length == 0)
            continue;
        // A square root by Newton's method keeps to the basic operations too.
        double root = length > 1 ? length : 1;
        for (int k = 0; k < 40; ++k)
            root = (root + length / root) / 2;
        const double nx = -dy / root * r, ny = dx / root * r;
        QPolygonF quad;
        quad << view.Map({a.x + nx, a.y + ny}) << view.Map({b.x + nx, b.y + ny}) << view.Map({b.x - nx, b.y - ny})
             << view.Map({a.x - nx, a.y - ny});
        painter.drawPolygon(quad, Qt::WindingFill);
    }
}

// A one-bit coverage map of the strokes at subpixel resolution.
QImage Mask(const std::vector<Stroke>& strokes, const std::vector<View>& views, double widen)
{
    QImage mask(kWidth * kSuper, kHeight * kSuper, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const View& view : views)
        for (const Stroke& stroke : strokes)
            FillStroke(painter, stroke, view, widen);
    painter.end();
    return mask;
}

bool Covered(const QImage& mask, int x, int y) { return (mask.pixel(x, y) & 0xFF) != 0; }

struct Color {
    double r, g, b;
};

Color Mix(Color a, Color b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// Chrome: a sky reflected above a sharp horizon, warm ground below.
Color ChromeRamp(double v)
{
    static const struct {
        double at;
        Color color;
    } stops[] = {{0.00, {60, 82, 140}},   {0.22, {175, 205, 240}}, {0.46, {250, 252, 255}}, {0.50, {70, 55, 48}},
                 {0.60, {130, 104, 84}}, {0.84, {232, 212, 182}}, {1.00, {255, 246, 228}}};
    v = std::clamp(v, 0.0, 1.0);
    for (size_t i = 1; i < std::size(stops); ++i)
        if (v <= stops[i].at)
            return Mix(stops[i - 1].color, stops[i].color, (v - stops[i - 1].at) / (stops[i].at - stops[i - 1].at));
    return stops[std::size(stops) - 1].color;
}

uint8_t Channel(double v) { return uint8_t(std::clamp(int(v + 0.5), 0, 255)); }

} // namespace

std::vector<RGBTriple> DrawFrame(int index)
{
    const Layout layout = LayOut();
    const double angle = 2 * kPi * index / kFrames;
    const double turn = Cosine(angle), side = Sine(angle);
    const double facing = turn < 0 ? -turn : turn;

    View front{kSuper * 0.93, kSuper * 1.45, kSuper * kWidth / 2.0, kSuper * 38.0, layout.width / 2, turn};
    // The lettering is a sheet 3 pixels thick: its edge shows while it turns.
    std::vector<View> edge;
    for (int step = 0; step <= 3 * kSuper; ++step) {
        View v = front;
        v.shift = -side * step;
        edge.push_back(v);
    }
    const QImage face = Mask(layout.strokes, {front}, 0);
    const QImage rim = Mask(layout.strokes, {front}, 0.7);
    const QImage body = Mask(layout.strokes, edge, 0.4);

    // The letters stand between the cap line and the baseline.
    const double top = front.baselineY - 15.5 * front.scaleY, bottom = front.baselineY + 1.3 * front.scaleY;
    const double glint = kSuper * (kWidth / 2.0 - 30 * side); // a highlight sweeping across
    const double light = (0.5 + 0.5 * facing) * (turn < 0 ? 0.82 : 1.0);
    const Color panel{146, 201, 201};
    const Color rimColor{34, 36, 52};

    std::vector<RGBTriple> pixels(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            Color sum{0, 0, 0};
            int touched = 0;
            for (int sy = y * kSuper; sy < (y + 1) * kSuper; ++sy)
                for (int sx = x * kSuper; sx < (x + 1) * kSuper; ++sx) {
                    Color c = panel;
                    if (Covered(face, sx, sy)) {
                        c = ChromeRamp((sy - top) / (bottom - top));
                        c = {c.r * light, c.g * light, c.b * light};
                        const double d = (sx - glint) / (6.0 * kSuper);
                        const double shine = d * d < 1 ? (1 - d * d) * (1 - d * d) * 0.7 : 0;
                        c = Mix(c, {255, 255, 255}, shine);
                    } else if (Covered(rim, sx, sy)) {
                        c = rimColor;
                    } else if (Covered(body, sx, sy)) {
                        const double shade = 0.45 + 0.4 * (side < 0 ? -side : side);
                        c = Mix({70, 74, 96}, {150, 156, 182}, shade * (1 - (sy - top) / (bottom - top) * 0.5));
                    } else {
                        continue;
                    }
                    ++touched;
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            if (touched == 0) {
                pixels[size_t(y) * kWidth + x] = kTransparent;
                continue;
            }
            const int uncovered = kSuper * kSuper - touched;
            const double n = kSuper * kSuper;
            pixels[size_t(y) * kWidth + x] = {Channel((sum.r + panel.r * uncovered) / n),
                                              Channel((sum.g + panel.g * uncovered) / n),
                                              Channel((sum.b + panel.b * uncovered) / n)};
        }
    return pixels;
}

} // namespace scindra::logo
