// Compiled only into the decode benchmark, as C, from the copy of Wuffs
// beside the repository (../shared/peers/wuffs).
#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__GIF
#define WUFFS_CONFIG__MODULE__LZW
#include "wuffs-v0.3.c"

#include "WuffsPeer.h"

#include <stdlib.h>

int WuffsDecodeEveryFrame(const uint8_t* gif, size_t size, uint64_t* checksum)
{
    int frames = -1;
    uint8_t* canvas = NULL;
    uint8_t* work = NULL;
    wuffs_gif__decoder* decoder = wuffs_gif__decoder__alloc();
    if (!decoder)
        return -1;
    wuffs_base__io_buffer source = wuffs_base__ptr_u8__reader((uint8_t*)gif, size, true);
    wuffs_base__image_config image;
    if (wuffs_gif__decoder__decode_image_config(decoder, &image, &source).repr)
        goto done;
    const uint32_t width = wuffs_base__pixel_config__width(&image.pixcfg);
    const uint32_t height = wuffs_base__pixel_config__height(&image.pixcfg);
    wuffs_base__pixel_config__set(&image.pixcfg, WUFFS_BASE__PIXEL_FORMAT__INDEXED__BGRA_BINARY,
                                  WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, width, height);
    // The palette (1,024 bytes) comes first, then the indices.
    const size_t canvasBytes = 1024 + (size_t)width * height;
    const size_t workBytes = (size_t)wuffs_gif__decoder__workbuf_len(decoder).max_incl;
    canvas = malloc(canvasBytes);
    work = malloc(workBytes ? workBytes : 1);
    wuffs_base__pixel_buffer pixels;
    if (!canvas || !work ||
        wuffs_base__pixel_buffer__set_from_slice(&pixels, &image.pixcfg, wuffs_base__make_slice_u8(canvas, canvasBytes)).repr)
        goto done;
    int count = 0;
    uint64_t sum = 0;
    for (;;) {
        wuffs_base__frame_config frame;
        const wuffs_base__status status = wuffs_gif__decoder__decode_frame_config(decoder, &frame, &source);
        if (status.repr == wuffs_base__note__end_of_data)
            break;
        if (status.repr ||
            wuffs_gif__decoder__decode_frame(decoder, &pixels, &source, WUFFS_BASE__PIXEL_BLEND__SRC,
                                             wuffs_base__make_slice_u8(work, workBytes), NULL).repr)
            goto done;
        sum += canvas[1024 + ((size_t)width * height) / 2];
        ++count;
    }
    *checksum += sum;
    frames = count;
done:
    free(work);
    free(canvas);
    free(decoder);
    return frames;
}
