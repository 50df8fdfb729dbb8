#include "gif/GIFRegistration.h"

#include "gif/GIFImage.h"
#include "gif/PictureRegistry.h"

namespace scindra {

TGIFRegistration::TGIFRegistration()
{
    TPictureRegistry::Register(kExtension, kDescription, [] { return std::make_unique<TGIFImage>(); });
}

TGIFRegistration::~TGIFRegistration()
{
    TPictureRegistry::Unregister(kExtension);
}

} // namespace scindra
