// Cost of building the menu (StartMenuScene) with 30 installed game files of a realistic size,
// beside a plain read of the same files' bytes, and the parts the build is made of.
#include <windows.h>
#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>
#include "bench_clock.h"
#include "harness.h"
#include "pictures.h"
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "base/base.h"
#include "fade/fade.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "sound/sound.h"
#include "task/task.h"

// The version dialog, which the map uses, and the ranking page, which the records panel opens, are
// not linked into this program: one is modal, the other opens the browser.
void ShowVersionDialog(void) {}
void OpenRankingPage(int) {}

namespace {
enum { GAMES = 30, REPETITIONS = 9 };

template <class F> double MedianMs(F work, void (*after)(void) = 0) {
    return MedianUs(REPETITIONS, work, after) / 1000;
}

// What a game file holds besides its two menu pictures: its library, help picture and sounds.
std::string Filler(size_t bytes, int seed) {
    std::string data(bytes, 0);
    for (size_t i = 0; i < bytes; i++) data[i] = (char)((i * 31 + seed * 7) ^ (i >> 9));
    return data;
}

std::string FileName(int g) {
    char name[16];
    snprintf(name, sizeof name, "BENCH%02d.VYG", g);
    return name;
}

void WriteGames() {
    memset(&GameCatalogue, 0, sizeof GameCatalogue);
    GameCatalogue.GameCount = GAMES;
    for (int g = 1; g <= GAMES; g++) {
        auto pattern = [g](int x, int y) { return MakeRgb(x * g & 255, y * 3 & 255, (x ^ y) & 255); };
        WriteGameFile(FileName(g), {{"game.ini", "[Robina]\r\n"},
                                    {"game.dll", Filler(300 * 1024, g)},
                                    {"sys_logo.bmp", Bmp24(256, 164, pattern)},
                                    {"sys_states.bmp", Bmp24(256, 100, pattern)},
                                    {"help.bmp", Bmp24(640, 360, pattern)},
                                    {"se.wav", Filler(400 * 1024, g + 1)}});
        GameEntry *entry = &GameCatalogue.entries[g - 1];
        snprintf(entry->fileName, sizeof entry->fileName, "%s", FileName(g).c_str());
        entry->mapX = 20 + g * 10;
        entry->mapY = 40 + g * 8;
    }
}

std::string FolderPath(const std::string &name) {
    wchar_t wide[PATH_CHARS];
    char folder[2 * PATH_CHARS] = "";
    if (ModuleDirectory(wide)) FromWide(wide, folder, sizeof folder);
    return folder + name;
}

size_t ReadWhole(const std::string &path, std::vector<char> &buffer) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
    DWORD size = GetFileSize(file, 0), got = 0;
    buffer.resize(size);
    ReadFile(file, buffer.data(), size, &got, 0);
    CloseHandle(file);
    return got;
}

void ClearMenu() {
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    FreeSceneSounds();
    SetPack(MENU_PACK);
}

void Report(const char *what, double ms) {
    printf("%-44s %9.1f ms\n", what, ms);
}
}  // namespace

int main() {
    // Timed as players run it: without the debug marker (the test support makes one), so no log.
    DeleteFileA("debughqx.bin");
    EnsureDisplay();
    InitSound();
    InitTaskList();
    SetPack(MENU_PACK);
    StartFadeTask();
    StartCursorTask();
    WriteGames();

    size_t bytes = 0;
    std::vector<char> buffer;
    double plain = MedianMs([&] {
        bytes = 0;
        for (int g = 1; g <= GAMES; g++) bytes += ReadWhole(FolderPath(FileName(g)), buffer);
    });
    printf("%d game files, %.1f MB in all; surfaces in %s memory\n", GAMES, bytes / 1048576.0,
           SystemMemorySurfaces ? "system" : "video");
    Report("plain read of the game files", plain);
    Report("StartMenuScene, 30 games", MedianMs(StartMenuScene, ClearMenu));
    Report("  of which SetPack of each game file", MedianMs([] {
        for (int g = 1; g <= GAMES; g++) SetPack(GameCatalogue.entries[g - 1].fileName);
    }));
    Report("  of which SetPack and the two pictures", MedianMs([] {
        for (int g = 1; g <= GAMES; g++) {
            SetPack(GameCatalogue.entries[g - 1].fileName);
            NewImage("sys_logo.bmp");
            NewImage("sys_states.bmp");
        }
    }, ClearMenu));
    Report("  of which SetPack and 60 temporary files", MedianMs([] {
        for (int g = 1; g <= GAMES; g++) {
            SetPack(GameCatalogue.entries[g - 1].fileName);
            for (const char *name : {"sys_logo.bmp", "sys_states.bmp"}) {
                ExtractMember(name);
                DeleteExtracted();
            }
        }
    }));
    GameCatalogue.GameCount = 0;
    Report("StartMenuScene, no game", MedianMs(StartMenuScene, ClearMenu));
    for (int g = 1; g <= GAMES; g++) DeleteFileA(FolderPath(FileName(g)).c_str());
    FreeAllTasks();
    FreeSpriteList();
    ReleaseSnd();
    rlDDRelease();
    return 0;
}
