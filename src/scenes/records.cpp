// The records panel and the help screen that the menu opens from the information point. This is
// where the panel (pages of the player's records, top-ten tables, the five buttons) and the help
// picture will be built. Until then both close at once: the menu sees the panel closed in its next
// turn and slides the map group back in.
#include "scenes/menu.h"

void OpenRecordsPanel(void) {
    MenuState.panelClosed = 1;
}

void StartHelpScreen(void) {
    MenuState.helpRequested = 0;
}
