#include <stdio.h>
#include "menu_pictures.h"

namespace {
struct PictureSize {
    const char *name;
    int width, height;
};
// Numbered members ("point%d.bmp" 1 to 8, ...) are listed by their pattern and count.
struct PictureSeries {
    const char *pattern;
    int count, width, height;
};
const PictureSize Pictures[] = {
    {"menu_bg.bmp", 640, 360},         {"map.bmp", 354, 308},
    {"text.bmp", 273, 121},            {"text_logo.bmp", 311, 44},
    {"bgline.bmp", 640, 3},
    {"b_version.bmp", 31, 33},         {"b_version_over.bmp", 31, 33},
    {"logo_robina.bmp", 256, 164},     {"logo_island.bmp", 256, 164},
    {"states_none.bmp", 256, 100},     {"states_annaijyo.bmp", 256, 100},
    {"destpoint0.bmp", 8, 8},          {"name_tekuai.bmp", 92, 20},
    {"name_tabisaki.bmp", 92, 20},     {"sys_logo.bmp", 256, 164},
    {"sys_states.bmp", 256, 100},      {"point_ti_gakkou.bmp", 40, 40},
    {"point_ti_hatsudensyo.bmp", 40, 40}, {"point_ti_jinjya.bmp", 40, 40},
    {"point_ti_kajyuen.bmp", 40, 40},  {"point_ti_kuwabatake.bmp", 40, 40},
    {"point_ti_onsen.bmp", 40, 40},    {"point_ti_denpa.bmp", 40, 40},
    {"point_ti_pomo.bmp", 40, 40},     {"point_ti_post.bmp", 40, 40},
    {"point_ti_recycle.bmp", 40, 40},  {"point_ti_smoke.bmp", 40, 40},
    {"point_ti_tera.bmp", 40, 40},
};
const PictureSeries Series[] = {
    {"point%d.bmp", 8, 32, 32},
    {"point_ti%d.bmp", 8, 32, 32},
    {"wave%d.bmp", 3, 394, 360},
};

void AddPicture(Members &members, const std::string &name, int width, int height) {
    Rgb colour = PictureColour(name);
    members.push_back({name, Bmp24(width, height, [colour](int, int) { return colour; })});
}
}  // namespace

Rgb PictureColour(const std::string &name) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
    return (hash & 0xFFFFFF) | 0x404040;  // every channel at least 64: never black
}

Members MenuPictures() {
    Members members;
    for (const PictureSize &picture : Pictures)
        AddPicture(members, picture.name, picture.width, picture.height);
    for (const PictureSeries &series : Series) {
        for (int n = 1; n <= series.count; n++) {
            char name[32];
            snprintf(name, sizeof name, series.pattern, n);
            AddPicture(members, name, series.width, series.height);
        }
    }
    return members;
}
