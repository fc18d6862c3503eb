// The help screen that the records panel's help button asks for: the game's own full-screen
// "help.bmp" slides in from the left over the menu and a return button from the right. The return
// button slides both out again; the screen then frees its picture and sprites and clears
// helpRequested, and the menu reopens the records panel on the same page. A game file without a
// help picture, or one that can no longer be opened, gets the program's own "no help" picture.
#include <math.h>
#include "scenes/menu.h"
#include "scenes/scenes.h"
#include "scenes/kit.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "pack/pack.h"
#include "sound/sound.h"
#include "task/task.h"

enum HelpStep { HELP_SLIDE_IN, HELP_WAIT, HELP_SLIDE_OUT, HELP_FREE, HELP_END };

static const char HELP_PICTURE[] = "help.bmp";
static const char NO_HELP_PICTURE[] = "help_none.bmp";  // of the program's own pack

//                                     priority image      x    y    w    h    visible
static const Placement PICTURE_ROW = {1000,    0,          0,   0,   640, 360, 0};
static const Placement RETURN_ROW  = {1100,    MI_RETURN,  533, 316, 97,  35,  0};

static const float SLIDE_FROM_PX = 640.0f;     // the picture starts one screen to the left
static const float SLIDE_IN_KEEP = 0.8f;       // share of the offset left after each tick
static const float SLIDE_IN_DONE_PX = 1.0f;
static const float SLIDE_OUT_ACCEL = 2.0f;

typedef struct HelpWork {
    ButtonPress press;  // counter: px the picture stands left of its place; the press frame while pressed
    float speed;        // px per tick of the slide out
    Image *picture;
    Sprite *button;
    Sprite *pictureSprite;
    Button returnButton;  // over the button sprite; lives and dies with the task
} HelpWork;
static_assert(sizeof(HelpWork) == 68, "help task work area");

static void Place(HelpWork *work) {
    MoveSprite(work->pictureSprite, (int32_t)-work->press.counter, PICTURE_ROW.y);
    MoveSprite(work->button, (int32_t)(RETURN_ROW.x + work->press.counter), RETURN_ROW.y);
}

static void __cdecl HelpSlideInStep(void) {
    HelpWork *work = (HelpWork *)CurrentWork;
    work->press.counter *= SLIDE_IN_KEEP;
    if (fabsf(work->press.counter) < SLIDE_IN_DONE_PX) {
        work->press.counter = 0;
        *CurrentStep += 1;
        return;
    }
    work->pictureSprite->visible = 1;
    work->button->visible = 1;
    work->pictureSprite->stretch = 0;
    work->button->stretch = 0;
    Place(work);
}

static void __cdecl HelpWaitStep(void) {
    HelpWork *work = (HelpWork *)CurrentWork;
    if (!RunButtons(&work->returnButton, 1, &work->press, MenuState.sounds[MS_NORM])) return;
    work->press.counter = 0;
    work->speed = 0;
    *CurrentStep += 1;
}

static void __cdecl HelpSlideOutStep(void) {
    HelpWork *work = (HelpWork *)CurrentWork;
    work->speed += SLIDE_OUT_ACCEL;
    work->press.counter += work->speed;
    if (work->press.counter > SLIDE_FROM_PX) {
        *CurrentStep += 1;
        return;
    }
    Place(work);
}

static void __cdecl HelpFreeStep(void) {
    HelpWork *work = (HelpWork *)CurrentWork;
    FreeImages(&work->picture, 1);
    FreeSprites(&work->pictureSprite, 1);
    FreeSprites(&work->button, 1);
    MenuState.helpRequested = 0;
    *CurrentStep += 1;
}

static const StepRoutine HELP_STEPS[] = {
    HelpSlideInStep, HelpWaitStep, HelpSlideOutStep, HelpFreeStep, KillCurrentTaskStep,
};
static_assert(sizeof HELP_STEPS / sizeof HELP_STEPS[0] == HELP_END + 1, "one routine per step");

// The game's picture when its file opens and carries a fit one (a missing, damaged or unfit picture
// raises no error); otherwise null.
static int LoadGameHelpPicture(void *picture) {
    const GameEntry *entry = CatalogueGame(MenuState.helpPage);
    if (!entry || !SetPack(entry->fileName)) return 0;
    *(Image **)picture = LoadGamePicture(HELP_PICTURE, PICTURE_ROW.w, PICTURE_ROW.h, 0);
    return 1;
}

// The program's own picture, from the menu's pack, where the game gives none.
static Image *LoadHelpPicture(void) {
    Image *picture = 0;
    LendPack(LoadGameHelpPicture, &picture);
    return picture ? picture : NewImage(NO_HELP_PICTURE);
}

void StartHelpScreen(void) {
    HelpWork *work = (HelpWork *)CreateTask(HELP_STEPS, SCENE_PRIORITY, TASK_ATTR_RUN, sizeof(HelpWork));
    work->picture = LoadHelpPicture();
    work->pictureSprite = PlaceSprite(&PICTURE_ROW, &work->picture);
    work->button = PlaceSprite(&RETURN_ROW, MenuState.images);
    work->press.counter = SLIDE_FROM_PX;
    SetUpMenuButton(&work->returnButton, MENU_BUTTON_RETURN, &RETURN_ROW, work->button);
    work->returnButton.live = 1;
}
