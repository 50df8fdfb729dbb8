// Writing GIF files: not built yet, every entry point refuses.

#include "gif/GIFImage.h"

#include "rtl/Exception.h"

namespace scindra {

void TGIFImage::WriteGIF(TStream&, bool) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFImage::EncodeFrames(bool) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFImage::WriteToStream(TStream&) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFImage::SaveToFile(const std::string&) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFImage::WriteStoredData(TStream&) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFImage::WriteToClipboard(QMimeData&) { throw EInvalidGraphicOperation::EncodingError(); }

void TGIFFrame::EncodeDIB(TStream&) { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFFrame::EncodeFromBitmap() { throw EInvalidGraphicOperation::EncodingError(); }
void TGIFFrame::PrepareExtensions() { throw EInvalidGraphicOperation::EncodingError(); }

} // namespace scindra
