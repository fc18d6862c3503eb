// High-score entry: after every game the collected total is taken over, and a score that reaches
// the game's top ten is inserted with its label and the player's name, asked for in dialog 114.
// Ranks stay sorted (never increasing); a new score goes above equal ones; rank 10 drops out.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "catalogue/highscore.h"
#include "catalogue/catalogue.h"
#include "launcher/launcher.h"
#include "shell/shell.h"
#include "gfx/gfx.h"
#include "scenes/scenes.h"

enum { RANKS = 10, NAME_READ_BYTES = 256 };

static char Congratulation[64];   // "<label>で<rank>位にランクイン！" shown by the dialog
static HFONT CongratulationFont;   // bold copy of the dialog font, alive while the dialog is

static int IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Copies a Shift-JIS text of at most `from` bytes (it need not be terminated there) into `to`
// bytes, cut where it does not fit without splitting a double-byte character; always terminated.
static void CopyCut(char *to, size_t toSize, const char *from, size_t fromSize) {
    size_t at = 0;
    while (at < fromSize && from[at]) {
        size_t width = IsLeadByte((unsigned char)from[at]) ? 2 : 1;
        if (at + width > toSize - 1 || at + width > fromSize) break;
        at += width;
    }
    memcpy(to, from, at);
    memset(to + at, 0, toSize - at);
}

static void SetBoldFont(HWND text) {
    LOGFONTA font;
    HFONT base = (HFONT)SendMessageA(text, WM_GETFONT, 0, 0);
    if (!base || !GetObjectA(base, sizeof font, &font)) return;
    font.lfWeight = FW_BOLD;
    CongratulationFont = CreateFontIndirectA(&font);
    SendMessageA(text, WM_SETFONT, (WPARAM)CongratulationFont, FALSE);
}

static void TakeName(HWND dialog) {
    char name[NAME_READ_BYTES];
    GetDlgItemTextA(dialog, IDC_NAME_EDIT, name, sizeof name);
    if (strlen(name) > PLAYER_NAME_BYTES_MAX) {
        MessageBoxA(dialog, "おなまえは全角６文字までです。", "エラー", MB_OK);
        return;
    }
    CopyCut(GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName, name, sizeof name);
    EndDialog(dialog, IDOK);
}

// The close box ends the dialog keeping the old name; Escape (IDCANCEL) does nothing.
static INT_PTR CALLBACK NameDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        SetBoldFont(GetDlgItem(dialog, IDC_NAME_CONGRATULATION));
        SetDlgItemTextA(dialog, IDC_NAME_CONGRATULATION, Congratulation);
        HWND edit = GetDlgItem(dialog, IDC_NAME_EDIT);
        char name[sizeof GameCatalogue.PlayerName + 1];
        CopyCut(name, sizeof name, GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName);
        SetWindowTextA(edit, name);
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) TakeName(dialog);
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        if (CongratulationFont) DeleteObject(CongratulationFont);
        CongratulationFont = 0;
        return FALSE;
    }
    return FALSE;
}

// Shows the name dialog over a still last frame without the drawn cursor. The frame is drawn from a
// cleared back buffer: drawn over the previous frame, the cursor that frame showed would stay.
static void AskName(void) {
    if (CursorSprite) CursorSprite->visible = 0;
    ClearBackBuffer();
    DrawSprites();
    PresentFrame();
    ShowCursor(TRUE);
    DialogBoxParamA((HINSTANCE)MainInstance, MAKEINTRESOURCEA(IDD_NAME_ENTRY), (HWND)MainWindow,
                    NameDialog, 0);
    ShowCursor(FALSE);
    ResetFrameClock();
}

void UpdateHighScore(int game) {
    GameCatalogue.ZumiTotal = GameResult.zumi;
    if (GameResult.score == 0 || game < 1 || game > GameCatalogue.GameCount) return;
    GameEntry *entry = &GameCatalogue.entries[game - 1];
    uint32_t score = GameResult.score;
    if (score < entry->rankScores[RANKS - 1]) return;
    int rank = 0;
    while (entry->rankScores[rank] > score) rank++;

    char label[sizeof GameResult.label];
    CopyCut(label, sizeof label, GameResult.label, sizeof GameResult.label);
    snprintf(Congratulation, sizeof Congratulation, "%sで%d位にランクイン！", label, rank + 1);
    AskName();

    for (int i = RANKS - 1; i > rank; i--) {
        entry->rankScores[i] = entry->rankScores[i - 1];
        memcpy(entry->rankNames[i], entry->rankNames[i - 1], sizeof entry->rankNames[i]);
        memcpy(entry->rankLabels[i], entry->rankLabels[i - 1], sizeof entry->rankLabels[i]);
    }
    entry->rankScores[rank] = score;
    CopyCut(entry->rankLabels[rank], sizeof entry->rankLabels[rank], label, sizeof label);
    CopyCut(entry->rankNames[rank], sizeof entry->rankNames[rank], GameCatalogue.PlayerName,
            sizeof GameCatalogue.PlayerName);
}
