// The menu scene's shared state, read and written by the menu's own tasks (menu.cpp), the map, the
// information panel and the wave (map.cpp), and later the records panel and the help screen.
#ifndef ROBINA_MENU_H
#define ROBINA_MENU_H

#include <stdint.h>
#include "robina_game.h"
#include "catalogue/catalogue.h"
#include "scenes/kit.h"

// The menu's own images, in the order StartMenuScene loads them.
enum MenuImage {
    MI_BG, MI_MAP, MI_TEXT, MI_TEXT_LOGO, MI_BGLINE, MI_VERSION, MI_VERSION_OVER, MI_VERSION_WINDOW,
    MI_TEXTLIST, MI_TEXTLIST2, MI_LOGO_ZUMI, MI_ZUMI_ALL, MI_ZUMI1, MI_ZUMI10, MI_ZUMI100, MI_ZUMI1000,
    MI_ZUMI10000, MI_LIST_WINDOW,
    // The panel buttons' pictures (menu.cpp's MENU_BUTTON_IMAGES gives each its five): base and over of
    // each button, then the press frames 1 to 3, each for the five buttons. MI_BUTTONS and
    // MI_BUTTON_DOWNS name the first picture of each group.
    MI_LEFT, MI_BUTTONS = MI_LEFT, MI_LEFT_OVER, MI_RIGHT, MI_RIGHT_OVER, MI_RANKING, MI_RANKING_OVER,
    MI_RETURN, MI_RETURN_OVER, MI_HELP, MI_HELP_OVER,
    MI_LEFT_DOWN1, MI_BUTTON_DOWNS = MI_LEFT_DOWN1, MI_RIGHT_DOWN1, MI_RANKING_DOWN1, MI_RETURN_DOWN1, MI_HELP_DOWN1,
    MI_LEFT_DOWN2, MI_RIGHT_DOWN2, MI_RANKING_DOWN2, MI_RETURN_DOWN2, MI_HELP_DOWN2,
    MI_LEFT_DOWN3, MI_RIGHT_DOWN3, MI_RANKING_DOWN3, MI_RETURN_DOWN3, MI_HELP_DOWN3,
    MI_LIST_HEAD,
    MI_LIST_ROWS,                                    // "list01.bmp" to "list10.bmp", one per rank
    // Neutral pictures for a game's own, a logo and a status board for each reason: the game file
    // did not open, it holds no such picture, its picture was refused (GamePictureFault's order).
    MI_LOGO_NONE = MI_LIST_ROWS + RANK_COUNT,        // "sys_logo_none.bmp"
    MI_STATES_NONE,                                  // "sys_states_none.bmp"
    MI_LOGO_MISSING, MI_STATES_MISSING, MI_LOGO_REFUSED, MI_STATES_REFUSED,
    MI_COUNT
};
// The five panel buttons, one row each of the menu's table of button pictures.
enum MenuButtonArt {  // not MB_*: windows.h owns those names
    MENU_BUTTON_LEFT, MENU_BUTTON_RIGHT, MENU_BUTTON_RANKING, MENU_BUTTON_RETURN, MENU_BUTTON_HELP, MENU_BUTTON_COUNT
};
// The menu's sounds, in load order.
enum MenuSound { MS_BGM, MS_INTRO, MS_LOC, MS_NORM, MS_NOTIFY, MS_COUNT };

// hover codes: 0 nothing, 1 the information point, k >= 2 the destination point of game k - 1
enum { HOVER_NOTHING = 0, HOVER_INFORMATION = 1, HOVER_FIRST_GAME = 2 };

typedef struct MenuStateRecord {
    Image *gameLogo[MAX_GAMES];    // "sys_logo.bmp" of game g at g - 1; null when its file failed
    Image *gameStatus[MAX_GAMES];  // "sys_states.bmp" likewise
    int32_t gameLogoFault[MAX_GAMES];    // GamePictureFault of a null gameLogo; GAME_PICTURE_FIT: no file
    int32_t gameStatusFault[MAX_GAMES];  // likewise for gameStatus
    Image *images[MI_COUNT];
    Sound *sounds[MS_COUNT];
    Sprite *background;
    int32_t closing;               // 1: every menu task frees its sprites and ends at its next turn
    int32_t busy;                  // 1 while the map group is not at rest; the map ignores the mouse
    float slide;                   // px: map side moved left and panel right by this; 0 at rest, 400 away
    uint8_t hover;                 // what the mouse is over on the map (HOVER_*)
    int32_t prevHover;             // hover of the previous tick; -1 at map creation
    int32_t panelClosed;           // 1 once the records panel has slid away and freed its sprites
    int32_t helpRequested;         // 1: the records panel asked for the help screen
    int32_t helpPage;              // records page whose game's help is shown
    int32_t recordsPage;           // 0 overall page, k >= 1 game k; kept across visits
    int32_t redrawCountdown;       // ticks to the records panel's next text redraw
    int32_t bgmDelay;              // ticks counted by the wave task before the music starts
} MenuStateRecord;

extern MenuStateRecord MenuState;

// A button of the records panel or the help screen resting at rest: its five images are those of the
// menu's button art, its box is rest's; not yet live.
void SetUpMenuButton(Button *button, int art, const Placement *rest, Sprite *sprite);

// Images a game file could not give are shown with pictures of the program's own.
Image *GameLogoImage(int game);    // game from 1; never null while the menu is built
Image *GameStatusImage(int game);

// --- map, information panel, wave (map.cpp) ---
void CreateInformationPanel(void);
void CreateMapTask(void);          // also creates the wave task

// --- records panel and help screen (records.cpp, help.cpp) ---
void OpenRecordsPanel(void);
void StartHelpScreen(void);

#endif
