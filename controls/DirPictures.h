#pragma once
// The pictures of the directory dialog and of the directory edit's button,
// compiled in from assets/. Each picture's bottom-left pixel gives the colour
// that is drawn transparent.

#include "platform/MountedVolumes.h"

#include <QPixmap>

namespace scindra {

enum class FolderPicture { Open, Closed, Current };

// 16 x 15.
QPixmap FolderPixmap(FolderPicture picture);

// 16 x 11.
QPixmap VolumePixmap(VolumeKind kind);

// "Button picture B", 32 x 16: the normal image and its disabled twin side by side.
QPixmap DirectoryButtonGlyph();

} // namespace scindra
