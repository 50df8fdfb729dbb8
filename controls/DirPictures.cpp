#include "controls/DirPictures.h"

#include "controls/BottomLeftTransparency.h"

#include <QBitmap>
#include <QImage>

namespace scindra {

namespace {

QPixmap LoadPicture(const char* name)
{
    const QImage image(QStringLiteral(":/scindra/dirs/%1.xpm").arg(QLatin1String(name)));
    return QPixmap::fromImage(WithBottomLeftTransparent(image));
}

} // namespace

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
