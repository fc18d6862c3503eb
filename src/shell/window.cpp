// Main window and mouse input.
#include <windows.h>
#include "shell/shell.h"

void *MainInstance = 0;
void *MainWindow = 0;
int32_t FullScreen = 0;
int32_t WindowActive = 0;
MouseRecord MouseState;
