// The program's modal dialogs over the running screen. Each opens over a still last frame without
// the drawn cursor, with the Windows cursor shown; no tick runs while it is open, and the frame
// clock restarts when it closes, so the time it was open is not caught up.
#ifndef ROBINA_DIALOGS_H
#define ROBINA_DIALOGS_H

#include <stddef.h>

// Opens dialog `id` of the program's resources with the window procedure `proc` (a DLGPROC) over a
// still frame; returns the dialog's result.
long ModalOverStillFrame(int id, void *proc);

// High-score name entry: "<label>で<rank>位にランクイン！" and the player's name, prefilled with
// the current one; OK takes a name of at most 12 bytes into the catalogue's PlayerName.
void AskPlayerName(const char *label, size_t labelSize, int rank);

// The version dialog: name and version, and the home-page link, which a click opens in the
// browser (closing the dialog).
void ShowVersionDialog(void);

// Sends the top score of game `game` (from 1) to the ranking page in the browser.
void OpenRankingPage(int game);

#endif
