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

// Writes an RVPX game file of that name into the test program's folder, holding the given members.
typedef std::vector<std::pair<std::string, std::string>> Members;
void WriteGameFile(const std::string &name, const Members &members);

// Main window, display and sprite list, made once per test program.
void EnsureDisplay();

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
// One full frame: clear, draw the sprite list, read back.
Frame DrawFrame();

#endif
