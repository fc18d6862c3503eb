// Plain stand-ins for the pictures of the menu's decorations, map side and information panel: each member at
// the size it is shown, one solid colour per member, so a drawn frame tells them apart.
#ifndef ROBINA_TEST_MENU_PICTURES_H
#define ROBINA_TEST_MENU_PICTURES_H

#include <string>
#include "pictures.h"

Rgb PictureColour(const std::string &name);  // never black, so every pixel is drawn
Members MenuPictures();                       // decorations, map, points, panel, waves, one game's pair

#endif
