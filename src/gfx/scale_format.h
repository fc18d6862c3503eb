// The nearest-neighbour enlargement that presents the play area at a whole-number factor: every
// pixel becomes a solid factor x factor block, whatever the pixel format. Portable: no Windows header.
#ifndef ROBINA_SCALE_FORMAT_H
#define ROBINA_SCALE_FORMAT_H

#include <stdint.h>

// width x height pixels of bytesPerPixel (2, 3 or 4) bytes from source, whose rows are sourcePitch
// bytes apart, into target, whose rows are targetPitch bytes apart and which has room for
// width * factor x height * factor pixels. Bytes of a row beyond its pixels are left as they are.
void ScaleNearest(const uint8_t *source, int32_t sourcePitch, int32_t width, int32_t height, int32_t bytesPerPixel,
                  int32_t factor, uint8_t *target, int32_t targetPitch);

#endif
