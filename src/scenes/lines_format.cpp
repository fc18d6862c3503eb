// The racing lines' motion (lines_format.h); the kit's line tasks show it.
#include <math.h>
#include "scenes/lines_format.h"

enum {
    LINE_STEP_PX = 64,             // leftwards, per tick
    LINE_START_X_RANGE = 600,      // the first x within plus or minus this
    LINE_START_HOLD_UPPER = 100,   // ticks a line may rest at the left edge in its first pass
    LINE_RESTART_HOLD_UPPER = 30,  // ... and in each later one
    LINE_ANGLE_UPPER = 628,        // angles are drawn in hundredths, 0 to 2 pi
    LINE_H_MIN = 1, LINE_H_MAX = 3,
};
static const double LINE_ANGLE_UNIT = 0.01;  // radians per hundredth
static const float LINE_ANGLE_STEP = 0.002f;
static const double LINE_Y_SWING = 170, LINE_Y_CENTRE = 180;

static float DrawAngle(LineDraw draw) {
    return (float)(draw(0, LINE_ANGLE_UPPER) * LINE_ANGLE_UNIT);
}

int32_t StartLine(LineMotion *line, LineDraw draw) {
    int32_t h = draw(LINE_H_MIN, LINE_H_MAX);
    line->angle = DrawAngle(draw);
    line->x = (float)draw(-LINE_START_X_RANGE, LINE_START_X_RANGE);
    line->hold = (float)draw(0, LINE_START_HOLD_UPPER);
    return h;
}

int32_t MoveLine(LineMotion *line, LineDraw draw) {
    line->angle += LINE_ANGLE_STEP;
    line->x -= LINE_STEP_PX;
    if (line->hold > 0 && line->x < 0) {
        line->x = 0;
        line->hold -= 1;
    }
    if (line->x >= -LINE_W) return 0;
    line->x = LINE_W;
    line->angle = DrawAngle(draw);
    line->hold = (float)draw(0, LINE_RESTART_HOLD_UPPER);
    return draw(LINE_H_MIN, LINE_H_MAX);
}

int32_t LineX(const LineMotion *line) {
    return (int32_t)line->x;
}

int32_t LineY(const LineMotion *line) {
    return (int32_t)(sin(line->angle) * LINE_Y_SWING + LINE_Y_CENTRE);
}
