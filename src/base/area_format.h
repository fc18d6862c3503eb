// The play area every sprite and row is placed on, in pixels, and the taller screen of full-screen
// mode, on which the play area lies one band below the top. Shared by the portable rules and the
// Windows code. Portable: no Windows header.
#ifndef ROBINA_AREA_FORMAT_H
#define ROBINA_AREA_FORMAT_H

enum { PLAY_WIDTH = 640, PLAY_HEIGHT = 360, FULL_HEIGHT = 480, FULL_BAND = 60 };

#endif
