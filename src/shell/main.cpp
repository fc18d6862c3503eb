// Entry point of Robina.exe.
#include <windows.h>
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    MainInstance = instance;
    Log("ポモのロビナ ver1.04 start\n");
    Log("アプリ終了 メモリ解放忘れ%d\n", (int)LiveBlocks);
    return 0;
}
