#pragma once
// Wuffs' GIF decoder as a peer of the decode benchmark, behind a plain C
// function so that the benchmark itself never includes Wuffs.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Decodes every frame of the GIF in memory into one indexed canvas of the
// logical screen's size. Returns the number of frames, or -1 when Wuffs
// fails; `checksum` receives a sum over the canvas so the work stays
// observable.
int WuffsDecodeEveryFrame(const uint8_t* gif, size_t size, uint64_t* checksum);

#ifdef __cplusplus
}
#endif
