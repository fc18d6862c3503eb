// The scene sequence: the kept task that plays the front end in a fixed order, logo, title, menu,
// game, menu, game, ... for as long as the program runs (the quick start goes straight to the menu,
// leaving the screen uncovered). Scenes never call each other: each is started by one step here and
// signals its end through SceneDone; the sequence then clears what the scene left and starts the
// next. While a game runs, the sequence counts the player's clicks for the game's records. Each time
// the menu is entered the catalogue is brought up to date with the game folders, so a game added
// meanwhile is on the map without a restart.
#include "scenes/scenes.h"
#include "base/base.h"
#include "gfx/gfx.h"
#include "sound/sound.h"
#include "task/task.h"
#include "task/scene.h"
#include "fade/fade.h"
#include "catalogue/catalogue.h"
#include "launcher/launcher.h"
#include "pack/pack.h"

enum SequenceStep {
    SEQ_BEGIN,        // quick start: straight to the menu; otherwise the screen starts covered
    SEQ_LOGO,
    SEQ_LOGO_WAIT,
    SEQ_TITLE,
    SEQ_TITLE_WAIT,
    SEQ_MENU,
    SEQ_MENU_WAIT,
    SEQ_LAUNCH,
    SEQ_PLAY,         // counts clicks until the game has ended
    SEQ_PAUSE,        // one tick between the end of the game and its return
    SEQ_RETURN,
    SEQ_END,
};

enum { SEQUENCE_WORK_BYTES = 4 };

int ClearScene(void) {
    ClearSceneTasks();
    FreeSceneSprites();
    FreeSceneImages();
    return FreeSceneSounds();
}

static void Advance(void) {
    *CurrentStep += 1;
}

static void __cdecl BeginStep(void) {
    if (QuickStart) {
        *CurrentStep = SEQ_MENU;
        return;
    }
    FadeState = FADE_COVERED;
    Advance();
}

static void __cdecl WaitSceneStep(void) {
    if (!SceneDone) return;
    ClearScene();
    Advance();
}

static void __cdecl LogoStep(void) {
    SceneDone = 0;
    StartLogoScene();
    Advance();
}

static void __cdecl TitleStep(void) {
    SceneDone = 0;
    StartTitleScene();
    SceneShown = "title";
    Advance();
}

static void __cdecl MenuStep(void) {
    SceneDone = 0;
    RescanGameFiles();
    SetPack(MENU_PACK);
    StartMenuScene();
    SceneShown = "menu";
    Advance();
}

// A refused launch has shown its error box, which ends the program; the sequence waits meanwhile.
// A game file that went away while the map was shown is no fault of the program: the player hears
// so, and the menu comes back without it.
static void __cdecl LaunchStep(void) {
    SceneDone = 0;
    if (SelectedGame && !GameFileAtHand(SelectedGame)) {
        Log("launch refused: the file of %s is gone\n", CatalogueGame(SelectedGame)->fileName);
        NoticeBox("ゲームファイルが見つかりません。\n移動されたか、消されたようです。");
        *CurrentStep = SEQ_MENU;
        return;
    }
    LaunchGame();
    Advance();
}

static void CountClick(GameEntry *entry, int button) {
    if (MouseState.click[button] && entry->clickCount < COUNT_CAP) entry->clickCount += 1;
}

// The game's own tasks were freed by the end-of-game service, so there is no scene clear here.
static void __cdecl PlayStep(void) {
    if (GameEntry *entry = CatalogueGame(SelectedGame)) {
        CountClick(entry, BUTTON_LEFT);
        CountClick(entry, BUTTON_RIGHT);
    }
    if (SceneDone) Advance();
}

static void __cdecl PauseStep(void) {
    Advance();
}

static void __cdecl ReturnStep(void) {
    ReturnToMenu();
    *CurrentStep = SEQ_MENU;
}

static const StepRoutine SequenceSteps[] = {
    BeginStep,      // SEQ_BEGIN
    LogoStep,       // SEQ_LOGO
    WaitSceneStep,  // SEQ_LOGO_WAIT
    TitleStep,      // SEQ_TITLE
    WaitSceneStep,  // SEQ_TITLE_WAIT
    MenuStep,       // SEQ_MENU
    WaitSceneStep,  // SEQ_MENU_WAIT
    LaunchStep,     // SEQ_LAUNCH
    PlayStep,       // SEQ_PLAY
    PauseStep,      // SEQ_PAUSE
    ReturnStep,     // SEQ_RETURN
    KillCurrentTaskStep,  // SEQ_END
};
static_assert(sizeof SequenceSteps / sizeof SequenceSteps[0] == SEQ_END + 1, "one routine per step");

void StartSceneSequence(void) {
    CreateTask(SequenceSteps, SEQUENCE_PRIORITY, TASK_ATTR_RUN, SEQUENCE_WORK_BYTES);
    KeepLastTask();
}
