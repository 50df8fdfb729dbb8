// libFuzzer entry: any bytes go through ReadGIF, then every frame that was
// read is rendered. Our own failures are the expected outcome for most inputs;
// anything else (a crash, a sanitizer report, a foreign exception) is a find.
#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    scindra::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    scindra::TGIFImage image;
    try {
        image.ReadGIF(static_cast<int64_t>(size), stream, true);
    } catch (const scindra::Exception&) {
        // A failed read keeps the frames before the failure: render those.
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            (void)image.FrameAt(i)->RenderBitmap();
        } catch (const scindra::Exception&) {
        }
    }
    return 0;
}
