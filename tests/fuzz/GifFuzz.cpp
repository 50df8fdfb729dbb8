// libFuzzer entry: any bytes go through ReadGIF, then every frame that was
// read is rendered. Our own failures are the expected outcome for most inputs;
// anything else (a crash, a sanitizer report, a foreign exception) is a find.
#include "gif/GIFImage.h"
#include "rtl/Exception.h"
#include "rtl/TMemoryStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// A frame of more pixels than this is not rendered: allocating and clearing
// up to 256 MiB for every such input would cut the fuzzer's speed tenfold,
// and the decoder writes into a large bitmap exactly as into a small one.
// The test suite renders large and refused sizes on purpose.
constexpr int64_t kMaxFuzzPixels = int64_t{1} << 22;

bool WorthRendering(scindra::TGIFFrame& frame)
{
    const auto& item = frame.Item();
    return int64_t{item.PixelWidth} * int64_t{item.PixelHeight} <= kMaxFuzzPixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    scindra::TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    scindra::TGIFImage image;
    // The first frame is rendered by ReadGIF itself only when it is small.
    bool decodeFirst = true;
    try {
        image.ReadGIF(static_cast<int64_t>(size), stream, false);
    } catch (const scindra::Exception&) {
        // A failed read keeps the frames before the failure: render those.
        decodeFirst = false;
    }
    if (decodeFirst && image.FrameCount() > 0 && WorthRendering(*image.FrameAt(0))) {
        // The path an ordinary load takes, with its removal of a failed first frame.
        scindra::TMemoryStream again(std::vector<uint8_t>(data, data + size));
        try {
            image.ReadGIF(static_cast<int64_t>(size), again, true);
        } catch (const scindra::Exception&) {
        }
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        scindra::TGIFFrame& frame = *image.FrameAt(i);
        if (!WorthRendering(frame))
            continue;
        try {
            (void)frame.RenderBitmap();
        } catch (const scindra::Exception&) {
        }
    }
    return 0;
}
