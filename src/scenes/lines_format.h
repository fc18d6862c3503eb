// The motion of the racing lines that cross the title's and the menu's backgrounds, with no Windows
// call: a line races right to left across the play area at a height that follows a slow sine, and
// rests a while at the left edge before a pass ends. The numbers are drawn from the caller's
// generator in one order: at the start height, angle, x and rest; at each new pass angle, rest and
// height.
#ifndef ROBINA_LINES_FORMAT_H
#define ROBINA_LINES_FORMAT_H

#include <stdint.h>

enum { LINE_W = 640 };  // px: a line is as wide as the play area

typedef int32_t (*LineDraw)(int32_t lower, int32_t upper);  // a number of lower to upper, both included

typedef struct LineMotion {
    float x;
    float hold;    // ticks still to rest at the left edge
    float angle;   // radians; the line's height on screen follows its sine
} LineMotion;

int32_t StartLine(LineMotion *line, LineDraw draw);  // the line's first height, 1 to 3 px
int32_t MoveLine(LineMotion *line, LineDraw draw);   // one tick; a new pass's height, or 0 for the same
int32_t LineX(const LineMotion *line);
int32_t LineY(const LineMotion *line);

#endif
