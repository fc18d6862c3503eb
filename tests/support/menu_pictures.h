// Plain stand-ins for the pictures the menu's map side and information panel load: each member at
// the size it is shown, one solid colour per member, so a drawn frame tells them apart.
#ifndef ROBINA_TEST_MENU_PICTURES_H
#define ROBINA_TEST_MENU_PICTURES_H

#include <string>
#include "pictures.h"

Rgb PictureColour(const std::string &name);  // never black, so every pixel is drawn
Members MenuPictures();                       // map, points, panel, waves, background, one game's pair

#endif
