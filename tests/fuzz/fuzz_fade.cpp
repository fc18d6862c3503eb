// The fade rows for any row and any number of ticks: every position after t ticks of cover or
// uncover equals its closed form, a covering row never passes 0, and the wipe's end is seen on the
// watched row only.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include "fade/fade_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 7) return 0;
    const int row = (data[0] | data[1] << 8) % FADE_ROWS, ticks = data[2] % 64;
    const int64_t toward = row % 2 ? -1 : 1;
    int32_t cover = CoverStart(row), uncover = UncoverStart(row);
    if (cover != (row % 2 ? 999 - row : -640 - row) || uncover != (row % 2 ? 359 - row : -row)) abort();
    for (int t = 1; t <= ticks; t++) {
        cover = CoverMove(row, cover);
        uncover = UncoverMove(row, uncover);
        int64_t free = (row % 2 ? 999 - row : -640 - row) + toward * 32 * t;
        if (cover != (toward * free > 0 ? 0 : free)) abort();
        int64_t value = (row % 2 ? 359 - row : -row) + toward * 32 * t;
        if (uncover != value || CrossedZero(row, uncover) != (toward * value > 0)) abort();
    }
    // Any positions: only the watched row decides.
    int32_t x[FADE_ROWS];
    for (int r = 0; r < FADE_ROWS; r++) x[r] = data[3 + r % 4] * (r % 3 - 1);
    int32_t watched;
    memcpy(&watched, data + 3, 4);
    x[FADE_WATCHED_ROW] = watched;
    if (CoverClosed(x) != (watched == 0) || CoverOpen(x) != (watched >= 640)) abort();
    return 0;
}
