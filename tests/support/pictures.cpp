// Drawing-test support: BMP bytes, test game files and reading the back buffer back.
#include <windows.h>
#include <ddraw.h>
#include <stdio.h>
#include "harness.h"
#include "pictures.h"
#include "gfx/gfx.h"
#include "pack/pack_format.h"
#include "base/base.h"

namespace {
void Put16(std::string &out, uint32_t v) {
    out += (char)(v & 0xFF);
    out += (char)((v >> 8) & 0xFF);
}
void Put32(std::string &out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
std::string BmpHeaders(int width, int height, int bits, int paletteSize, uint32_t imageSize) {
    std::string out = "BM";
    uint32_t offset = 14 + 40 + 4 * paletteSize;
    Put32(out, offset + imageSize);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, paletteSize);
    Put32(out, 0);
    return out;
}
int Stride(int width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}
}  // namespace

std::string Bmp24(int width, int height, const std::function<Rgb(int, int)> &pixel) {
    int stride = Stride(width, 24);
    std::string out = BmpHeaders(width, height, 24, 0, stride * height);
    for (int y = height - 1; y >= 0; y--) {
        std::string row;
        for (int x = 0; x < width; x++) {
            Rgb c = pixel(x, y);
            row += (char)(c & 0xFF);
            row += (char)((c >> 8) & 0xFF);
            row += (char)((c >> 16) & 0xFF);
        }
        row.resize(stride, 0);
        out += row;
    }
    return out;
}

std::string Bmp8(int width, int height, const std::vector<Rgb> &palette, const std::function<int(int, int)> &index) {
    int stride = Stride(width, 8);
    std::string out = BmpHeaders(width, height, 8, (int)palette.size(), stride * height);
    for (Rgb c : palette) Put32(out, c);
    for (int y = height - 1; y >= 0; y--) {
        std::string row;
        for (int x = 0; x < width; x++) row += (char)index(x, y);
        row.resize(stride, 0);
        out += row;
    }
    return out;
}

std::string BuildPack(const Members &members) {
    std::vector<const char *> names;
    std::vector<uint32_t> sizes;
    for (const auto &member : members) {
        names.push_back(member.first.c_str());
        sizes.push_back((uint32_t)member.second.size());
    }
    int32_t count = (int32_t)members.size();
    std::string image(PackDirectoryBytes(names.data(), count), '\0');
    WritePackDirectory((uint8_t *)&image[0], names.data(), sizes.data(), count);
    for (const auto &member : members) {
        size_t at = image.size();
        image.resize(at + member.second.size());
        ScramblePackData((uint8_t *)&image[at], (const uint8_t *)member.second.data(), member.second.size());
    }
    return image;
}

void WriteGameFile(const std::string &name, const std::string &bytes) {
    FILE *file = fopen((Folder() + name).c_str(), "wb");
    if (!file) return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

void WriteGameFile(const std::string &name, const Members &members) {
    WriteGameFile(name, BuildPack(members));
}

Sprite *ShowSprite(Image *image, int x, int y, uint32_t priority) {
    Sprite *sprite = NewSprite(priority);
    sprite->image = image;
    sprite->srcRight = image->width;
    sprite->srcBottom = image->height;
    sprite->x = x;
    sprite->y = y;
    sprite->visible = 1;
    return sprite;
}

void EnsureDisplay() {
    if (BackBuffer) return;
    EnsureMainWindow();
    InitDisplay();
    if (!SpriteList) InitSpriteList();
}

namespace {
int Tolerance(uint32_t mask) {
    while (mask && !(mask & 1)) mask >>= 1;
    return mask >= 255 || !mask ? 0 : 255 / (int)mask + 1;
}
int Expand(uint32_t pixel, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) shift++;
    uint32_t max = mask >> shift;
    return (int)(((pixel & mask) >> shift) * 255 / max);
}
}  // namespace

Frame ReadBackBuffer() {
    return ReadSurface(BackBuffer);
}

Frame ReadSurface(IDirectDrawSurface *surface) {
    Frame frame;
    DDSURFACEDESC desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    if (!surface || surface->Lock(NULL, &desc, DDLOCK_WAIT | DDLOCK_READONLY, NULL) != DD_OK) return frame;
    frame.width = desc.dwWidth;
    frame.height = desc.dwHeight;
    const DDPIXELFORMAT &format = desc.ddpfPixelFormat;
    int bytes = format.dwRGBBitCount / 8;
    frame.tolerance[0] = Tolerance(format.dwRBitMask);
    frame.tolerance[1] = Tolerance(format.dwGBitMask);
    frame.tolerance[2] = Tolerance(format.dwBBitMask);
    frame.pixels.resize((size_t)frame.width * frame.height);
    for (int y = 0; y < frame.height; y++) {
        const uint8_t *row = (const uint8_t *)desc.lpSurface + (size_t)y * desc.lPitch;
        for (int x = 0; x < frame.width; x++) {
            uint32_t pixel = 0;
            memcpy(&pixel, row + x * bytes, bytes);
            frame.pixels[(size_t)y * frame.width + x] =
                MakeRgb(Expand(pixel, format.dwRBitMask), Expand(pixel, format.dwGBitMask),
                        Expand(pixel, format.dwBBitMask));
        }
    }
    surface->Unlock(NULL);
    return frame;
}

Frame DrawFrame() {
    ClearBackBuffer();
    DrawSprites();
    return ReadBackBuffer();
}

bool Frame::matches(Rgb seen, Rgb colour) const {
    for (int c = 0; c < 3; c++) {
        int shift = 16 - 8 * c;
        int difference = (int)((seen >> shift) & 0xFF) - (int)((colour >> shift) & 0xFF);
        if (difference > tolerance[c] || -difference > tolerance[c]) return false;
    }
    return true;
}

int Frame::count(Rgb colour) const {
    int n = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) n += shows(x, y, colour);
    return n;
}
