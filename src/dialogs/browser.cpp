// The hand-off of a web address to the user's browser, shared by the version and ranking dialogs.
#include <windows.h>
#include <shellapi.h>
#include "dialogs/dialogs.h"
#include "base/base.h"

// In full screen the desktop comes forward first, so the browser is not hidden behind the
// exclusive display. What the shell answers is not looked at: a missing browser is not reported.
void OpenInBrowser(void *owner, const char *address) {
    if (FullScreen) SetForegroundWindow(GetDesktopWindow());
    wchar_t wide[MESSAGE_CHARS];
    if (ToWide(address, wide, MESSAGE_CHARS)) ShellExecuteW((HWND)owner, NULL, wide, NULL, NULL, SW_SHOWNORMAL);
}
