// The high-score name entry, dialog 114: the congratulation in bold and the player's name.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "base/text_format.h"
#include "catalogue/catalogue.h"
#include "res/resource.h"

static char Congratulation[64];   // "<label>で<rank>位にランクイン！" shown by the dialog
static HFONT CongratulationFont;   // bold copy of the dialog font, alive while the dialog is

static void TakeName(HWND dialog) {
    char name[PLAYER_NAME_BYTES_MAX + 1];
    if (!TakeDialogText(dialog, IDC_NAME_EDIT, name, PLAYER_NAME_BYTES_MAX, "おなまえに使えない文字が入っています。",
                        "おなまえは全角６文字までです。"))
        return;
    CutText(GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName, name, sizeof name);
    EndDialog(dialog, IDOK);
}

static void OpenNameDialog(HWND dialog) {
    CongratulationFont = (HFONT)CopyControlFont(GetDlgItem(dialog, IDC_NAME_CONGRATULATION), 0, FW_BOLD);
    SetWindowTextSjis(GetDlgItem(dialog, IDC_NAME_CONGRATULATION), Congratulation);
    HWND edit = GetDlgItem(dialog, IDC_NAME_EDIT);
    char name[sizeof GameCatalogue.PlayerName + 1];
    CutText(name, sizeof name, GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName);
    SetWindowTextSjis(edit, name);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

// The close box ends the dialog keeping the old name; Escape (IDCANCEL) does nothing.
static INT_PTR CALLBACK NameDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OpenNameDialog(dialog);
        return FALSE;  // the focus is set
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

void AskPlayerName(const char *label, size_t labelSize, int rank) {
    char shown[RANK_LABEL_BYTES];
    CutText(shown, sizeof shown, label, labelSize);
    snprintf(Congratulation, sizeof Congratulation, "%sで%d位にランクイン！", shown, rank);
    ModalOverStillFrame(IDD_NAME_ENTRY, (void *)NameDialog);
}
