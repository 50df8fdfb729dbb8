// libFuzzer entry: any bytes go through ReadGIF, then every frame that was
// read is rendered, however large it says it is: the image's bitmap budget
// is what keeps a hostile file's memory bounded, and the fuzzer must see it
// hold. Our own failures are the expected outcome for most inputs; anything
// else (a crash, a sanitizer report, a foreign exception, memory past the
// fuzzer's limit) is a find.
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
    bool readWhole = true;
    try {
        image.ReadGIF(static_cast<int64_t>(size), stream, false);
    } catch (const scindra::Exception&) {
        // A failed read keeps the frames before the failure: render those.
        readWhole = false;
    }
    if (readWhole && image.FrameCount() > 0) {
        // The path an ordinary load takes, with its removal of a failed first frame.
        scindra::TMemoryStream again(std::vector<uint8_t>(data, data + size));
        try {
            image.ReadGIF(static_cast<int64_t>(size), again, true);
        } catch (const scindra::Exception&) {
        }
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            (void)image.FrameAt(i)->RenderBitmap();
        } catch (const scindra::Exception&) {
        }
    }
    return 0;
}
