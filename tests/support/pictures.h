// Drawing-test support: BMP files made in memory, test packs written into the test's folder, and
// the back buffer read back as 8-bit red, green and blue.
#ifndef ROBINA_TEST_PICTURES_H
#define ROBINA_TEST_PICTURES_H

#include <stdint.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

typedef uint32_t Rgb;  // 0xRRGGBB
inline Rgb MakeRgb(int r, int g, int b) { return (Rgb)((r << 16) | (g << 8) | b); }

// A bottom-up 24-bit BMP of the given size with the pixels the function gives.
std::string Bmp24(int width, int height, const std::function<Rgb(int x, int y)> &pixel);
// An 8-bit BMP with a palette of up to 256 colours and one palette index per pixel.
std::string Bmp8(int width, int height, const std::vector<Rgb> &palette,
                 const std::function<int(int x, int y)> &index);

// An RVPX pack image holding the given members (name, plain bytes), in that order.
typedef std::vector<std::pair<std::string, std::string>> Members;
std::string BuildPack(const Members &members);
// Writes a game file of that name into the test program's folder: a pack of the given members, or
// the given bytes as they are (damaged packs).
void WriteGameFile(const std::string &name, const Members &members);
void WriteGameFile(const std::string &name, const std::string &bytes);

// Main window, display and sprite list, made once per test program.
void EnsureDisplay();

struct Image;
struct Sprite;
// A visible plain sprite showing the whole image with its top-left corner at (x, y).
Sprite *ShowSprite(Image *image, int x, int y, uint32_t priority = 100);

// The back buffer as locked right now; pixels converted from its own format to 8-bit channels.
// On a 16-bit back buffer a colour comes back only to within a step of its channel.
struct Frame {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    int tolerance[3] = {0, 0, 0};  // red, green, blue
    Rgb at(int x, int y) const { return pixels[(size_t)y * width + x]; }
    bool shows(int x, int y, Rgb colour) const { return matches(at(x, y), colour); }
    bool matches(Rgb seen, Rgb colour) const;
    int count(Rgb colour) const;  // pixels showing the colour
};
Frame ReadBackBuffer();
struct IDirectDrawSurface;
Frame ReadSurface(IDirectDrawSurface *surface);  // an image's surface, likewise
// One full frame: clear, draw the sprite list, read back.
Frame DrawFrame();

#endif
