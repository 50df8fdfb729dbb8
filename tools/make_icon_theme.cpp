// Writes the program icon into a freedesktop icon theme folder: one PNG per
// size under <N>x<N>/apps/ and an SVG under scalable/apps/, all made from the
// 32 x 32 scissors of assets/scindra_icon.xpm, so the desktop shows the very
// picture the window carries.
//
// Usage: scindra_make_icon_theme <theme folder> <icon name> <size>...

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <numeric>

#include "assets/scindra_icon.xpm"

namespace {

// Pixel art keeps its hard edges when it grows by whole steps. Any other size
// is first blown up, pixel by pixel, to a common multiple of both sizes, then
// area-averaged down: every output pixel is the mean of the source pixels it
// covers, with no blur beyond that.
QImage Scaled(const QImage& source, int size)
{
    const int common = std::lcm(source.width(), size);
    const QImage grown = source.scaled(common, common, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (common == size)
        return grown;
    return grown.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// One rectangle per run of equal pixels along a row; transparent pixels are
// left out. crispEdges keeps the runs from showing seams at any scale.
QString Svg(const QImage& image)
{
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << image.width() << "\" height=\""
        << image.height() << "\" viewBox=\"0 0 " << image.width() << ' ' << image.height()
        << "\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            const QRgb colour = image.pixel(x, y);
            int end = x + 1;
            while (end < image.width() && image.pixel(end, y) == colour)
                ++end;
            if (qAlpha(colour) != 0)
                out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << end - x
                    << "\" height=\"1\" fill=\"" << QColor(colour).name() << "\"/>\n";
            x = end;
        }
    }
    out << "</svg>\n";
    return svg;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme folder> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QImage icon = QImage(scindra_icon_xpm).convertToFormat(QImage::Format_ARGB32);

    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(folder, name);
        if (size <= 0 || !QDir().mkpath(folder) || !Scaled(icon, size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write the %s pixel icon %s\n", argv[i], qPrintable(path));
            return 1;
        }
    }
    const QString folder = theme + QStringLiteral("/scalable/apps");
    const QString path = QStringLiteral("%1/%2.svg").arg(folder, name);
    if (!QDir().mkpath(folder) || !WriteFile(path, Svg(icon).toUtf8())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
