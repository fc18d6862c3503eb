// High-score entry after a game: the collected total, the game's top-ten table and the name dialog.
#ifndef ROBINA_HIGHSCORE_H
#define ROBINA_HIGHSCORE_H

enum { IDD_NAME_ENTRY = 114, IDC_NAME_EDIT = 1002, IDC_NAME_CONGRATULATION = 1003,
       PLAYER_NAME_BYTES_MAX = 12 };

void UpdateHighScore(int game);  // game numbered from 1

#endif
