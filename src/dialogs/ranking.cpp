// Registration of a game's top score on the ranking page: the game record is read again, its top
// score packed with the player's identity into the registration packet, and the page's address
// with the packet's digits opened in the browser. Holding the developer chord (Ctrl + U) when the
// ranking is asked for opens dialog 123 first, where another page's address can be set.
#include <windows.h>
#include <string.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "catalogue/ranking_format.h"
#include "res/resource.h"

static const char RankingAddress[] = "http://ranking.robina.example/robina/ranking/regist.asp";
enum { CHORD_LETTER = 'U', KEY_DOWN = 0x8000 };

static char TestAddress[RANKING_BASE_MAX_BYTES + 1];  // set by dialog 123; empty until then

static int ChordHeld(void) {
    return (GetAsyncKeyState(VK_CONTROL) & KEY_DOWN) && (GetAsyncKeyState(CHORD_LETTER) & KEY_DOWN);
}

static void TakeTestAddress(HWND dialog) {
    if (!TakeDialogText(dialog, IDC_RANKING_ADDRESS, TestAddress, RANKING_BASE_MAX_BYTES,
                        "ＵＲＬに使えない文字が入っています", "ＵＲＬが長すぎます"))
        return;
    EndDialog(dialog, IDOK);
}

// Only OK ends it: Escape (IDCANCEL) and a close request (Alt+F4) are ignored.
static INT_PTR CALLBACK TestAddressDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDC_RANKING_ADDRESS));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) TakeTestAddress(dialog);
        return TRUE;
    case WM_CLOSE:
        return TRUE;
    }
    return FALSE;
}

static void DrawNoise(uint8_t *bytes, size_t count) {
    for (size_t i = 0; i < count; i++) bytes[i] = (uint8_t)Random(0, 255);
}

// The random bytes and the key are drawn in packet order: head, middle, the key, then the tail.
static uint8_t PackEntry(const GameEntry *entry, uint8_t *packet) {
    RankingPacketFields fields;
    DrawNoise(fields.head, sizeof fields.head);
    fields.shellVersion = (uint8_t)ShellVersion;
    fields.userId = GameCatalogue.UserId;
    PutRankingGameId(fields.gameId, entry->gameId, sizeof entry->gameId);
    fields.version = entry->version;
    fields.topScore = entry->rankScores[0];
    fields.zumiTotal = GameCatalogue.ZumiTotal;
    DrawNoise(fields.middle, sizeof fields.middle);
    uint8_t key = (uint8_t)Random(RANKING_KEY_LOW, RANKING_KEY_HIGH);
    DrawNoise(fields.tail, sizeof fields.tail);
    PackRankingPacket(&fields, packet);
    return key;
}

void OpenRankingPage(int game) {
    if (game < 1) {
        ErrorBox("不正ゲームナンバー");
        return;
    }
    GameEntry *entry = CatalogueGame(game);
    if (!entry) {
        Log("ranking refused: game %d of %d\n", game, GameCatalogue.GameCount);
        return;
    }
    if (entry->rankScores[0] == 0) return;
    LoadRecord(game);
    // A record found damaged on the reload is reset: there is no score left to send.
    if (entry->rankScores[0] == 0) return;
    uint8_t packet[RANKING_PACKET_BYTES];
    uint8_t key = PackEntry(entry, packet);
    const char *base = RankingAddress;
    if (ChordHeld()) {
        ModalOverStillFrame(IDD_RANKING_ADDRESS, (void *)TestAddressDialog);
        base = TestAddress;
    }
    char address[RANKING_ADDRESS_BYTES];
    if (!ComposeRankingAddress(address, sizeof address, base, strlen(base) + 1, packet, key)) return;
    Log("ranking: %s\n", address);
    OpenInBrowser(MainWindow, address);
}
