#include "controls/DirPictures.h"

#include <QBitmap>
#include <QImage>

namespace scindra {

namespace {

QPixmap LoadPicture(const char* name)
{
    const QImage image(QStringLiteral(":/scindra/dirs/%1.xpm").arg(QLatin1String(name)));
    return WithBottomLeftTransparent(image);
}

} // namespace

QPixmap WithBottomLeftTransparent(const QImage& image)
{
    if (image.isNull())
        return QPixmap();
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, argb.height() - 1);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return QPixmap::fromImage(argb);
}

QPixmap FolderPixmap(FolderPicture picture)
{
    switch (picture) {
    case FolderPicture::Open: return LoadPicture("openfolder");
    case FolderPicture::Closed: return LoadPicture("closedfolder");
    case FolderPicture::Current: return LoadPicture("currentfolder");
    }
    return QPixmap();
}

QPixmap VolumePixmap(VolumeKind kind)
{
    switch (kind) {
    case VolumeKind::Removable: return LoadPicture("floppy");
    case VolumeKind::Fixed: return LoadPicture("hard");
    case VolumeKind::CdRom: return LoadPicture("cdrom");
    case VolumeKind::Network: return LoadPicture("network");
    case VolumeKind::RamDisk: return LoadPicture("ram");
    }
    return QPixmap();
}

QPixmap DirectoryButtonGlyph()
{
    return LoadPicture("buttonb");
}

} // namespace scindra
