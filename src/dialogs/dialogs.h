// The program's modal dialogs over the running screen. Each opens over a still last frame without
// the drawn cursor, with the Windows cursor shown; no tick runs while it is open, and the frame
// clock restarts when it closes, so the time it was open is not caught up.
#ifndef ROBINA_DIALOGS_H
#define ROBINA_DIALOGS_H

#include <stddef.h>

// Opens dialog `id` of the program's resources with the window procedure `proc` (a DLGPROC) over a
// still frame; returns the dialog's result.
long ModalOverStillFrame(int id, void *proc);

// A message box (MessageBoxW's flags and answer) over a still frame, owned by the main window.
int MessageOverStillFrame(const wchar_t *text, const char *caption, unsigned flags);

// Gives a control (an HWND) a copy of its font, underlined and/or of another weight (0: as it is);
// returns the copy (an HFONT), which the dialog deletes when it closes; null when none was made.
void *CopyControlFont(void *control, int underline, int weight);

// Reads the text of control `id` of a dialog into `text` (maxBytes + 1 bytes) in Shift-JIS. A text
// with a character that has no Shift-JIS form, or longer than maxBytes, is refused with the message
// `unfit` or `tooLong` in a box over the dialog, which stays open: 0.
int TakeDialogText(void *dialog, int id, char *text, size_t maxBytes, const char *unfit, const char *tooLong);

// High-score name entry: "<label>で<rank>位にランクイン！" and the player's name, prefilled with
// the current one; OK takes a name of at most 12 bytes into the catalogue's PlayerName.
void AskPlayerName(const char *label, size_t labelSize, int rank);

// The version dialog: name and version, and the home-page link, which a click opens in the
// browser (closing the dialog).
void ShowVersionDialog(void);

// Hands an address to the browser through the Windows shell, owner the given window (an HWND). In
// full screen the desktop comes forward first, so the browser is not hidden behind the display.
void OpenInBrowser(void *owner, const char *address);

// Sends the top score of game `game` (from 1) to the ranking page in the browser; nothing when the
// game has no score. Below 1 is a fatal error ("不正ゲームナンバー"); past the catalogue, refused.
void OpenRankingPage(int game);

// Offers a game file opened from outside the game folders (a path as the command line gave it):
// judged, asked about, copied. Over the running program when there is one (MainWindow), else
// with no owner. Returns what became of it.
enum GameFileOutcome {
    GAME_FILE_ADDED, GAME_FILE_ALREADY_ADDED, GAME_FILE_CANCELLED, GAME_FILE_REFUSED, GAME_FILE_NOT_COPIED
};
int OfferGameFile(const wchar_t *path);

#endif
