// Numbers of the program's resources: dialogs, their controls, icons and the bitmap. The resource
// script and the code both include this file, so no number is written twice.
#ifndef ROBINA_RESOURCE_H
#define ROBINA_RESOURCE_H

// icons and the picture of the start-up and version dialogs
#define IDI_PROGRAM 120
#define IDI_GAME_FILE 121
#define IDI_HIGH_SCORE 122
#define IDB_STARTUP 118

// start-up settings dialog
#define IDD_SETTINGS 124
#define IDC_DRAW_STANDARD 1007
#define IDC_DRAW_VRAM 1008
#define IDC_SCREEN_WINDOW 1012
#define IDC_SCREEN_FULL 1013
#define IDC_SCREEN_SCALE 1014

// high-score name entry
#define IDD_NAME_ENTRY 114
#define IDC_NAME_EDIT 1002
#define IDC_NAME_CONGRATULATION 1003

// version dialog
#define IDD_VERSION 116
#define IDC_VERSION_LINK 1004
#define IDC_VERSION_TEXT 1005

// ranking page address for developers (the test dialog)
#define IDD_RANKING_ADDRESS 123
#define IDC_RANKING_ADDRESS 1006

// adding a game file: its picture, the question, the two answers
#define IDD_ADD_GAME 125
#define IDC_ADD_PICTURE 1009
#define IDC_ADD_QUESTION 1010

#endif
