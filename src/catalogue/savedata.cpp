// The player's main record, each game's record and the user identity, kept as checksummed record
// texts: records in the configuration key, the identity in the system folder's profile file (or,
// when that folder cannot be written, in the configuration key). A record that cannot be read is
// replaced by a fresh one at once, its bytes kept beside it first; decoded text fields are always cut
// within their widths.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include "catalogue/catalogue.h"
#include "base/base.h"

// The bytes of a plain main record, in stored order.
typedef struct MainSaveRecord {
    uint32_t userId;
    char tag[20];
    uint8_t version;        // low byte of ShellVersion
    uint8_t ignored[3];
    int32_t zumiTotal;
    char playerName[20];
} MainSaveRecord;

// The bytes of a plain game record: header, then the entry's saved part.
typedef struct GameSaveRecord {
    uint32_t userId;
    char gameId[20];
    uint8_t version;
    uint8_t ignored[3];
    uint8_t saved[GAME_SAVED_BYTES];
} GameSaveRecord;

static_assert(sizeof(MainSaveRecord) == MAIN_RECORD_BYTES, "main record layout");
static_assert(sizeof(GameSaveRecord) == GAME_RECORD_BYTES, "game record layout");

static const char RecordTag[] = "RBSV";
static const char IdentityFile[] = "\\wtconf.ini";
static const char IdentityFallbackValue[] = "RBSVUSER";  // identity when the system folder refuses it

enum { KEPT_REPLACED_RECORDS = 3 };  // "<name>.bad1" (the latest) to "<name>.bad3"

static uint8_t VersionDecade(uint32_t version) { return (uint8_t)(version / 10 * 10); }

static void MainValueName(char *name, size_t size) {
    snprintf(name, size, "%s%d", RecordTag, VersionDecade((uint32_t)ShellVersion));
}

static void GameValueName(const GameEntry *entry, char *name, size_t size) {
    snprintf(name, size, "%s%d", entry->gameId, VersionDecade(entry->version));
}

static void *SavedPart(GameEntry *entry) { return &entry->playCount; }

// Copies a text into a field of the given width, zero-filling the rest and always terminating.
static void PutText(char *field, size_t width, const char *text) {
    memset(field, 0, width);
    for (size_t i = 0; i + 1 < width && text[i]; i++) field[i] = text[i];
}

static void EndText(char *field, size_t width) { field[width - 1] = 0; }

static void EndSavedTexts(GameEntry *entry) {
    for (int i = 0; i < RANK_COUNT; i++) {
        EndText(entry->rankNames[i], sizeof entry->rankNames[i]);
        EndText(entry->rankLabels[i], sizeof entry->rankLabels[i]);
    }
}

void EncodeRecord(const void *plain, int32_t n, char *text) {
    EncodeRecordWithKey(plain, n, (uint8_t)Random(RECORD_KEY_LOW, RECORD_KEY_HIGH), text);
}

static int WriteRecord(const char *name, const void *plain, int32_t n) {
    char *text = (char *)Alloc(RECORD_TEXT_BYTES(n));
    EncodeRecord(plain, n, text);
    int written = WriteConfig(name, text, RECORD_TEXT_BYTES(n));
    Free(text);
    return written;
}

// 1 when the named value holds a record of n bytes whose checksum matches; 0 when it is missing or
// of another size (*damaged stays 0) or damaged (*damaged := 1).
static int ReadRecord(const char *name, void *plain, int32_t n, int *damaged) {
    char text[RECORD_TEXT_BYTES(GAME_RECORD_BYTES)];
    *damaged = 0;
    if (!ReadConfig(name, text, RECORD_TEXT_BYTES(n))) return 0;
    if (DecodeRecord(text, n, plain)) return 1;
    *damaged = 1;
    return 0;
}

// A value about to be replaced by a fresh record keeps its bytes as "<name>.bad1", the older ones
// moving one number up, so that the scores in it can still be recovered by hand. A record made
// where there was none moves nothing: the backups stay as they are.
static void KeepReplacedRecord(const char *name) {
    if (!HasConfig(name)) return;
    char from[80], to[80];
    for (int n = KEPT_REPLACED_RECORDS; n > 1; n--) {
        snprintf(from, sizeof from, "%s.bad%d", name, n - 1);
        snprintf(to, sizeof to, "%s.bad%d", name, n);
        CopyConfig(from, to);
    }
    snprintf(to, sizeof to, "%s.bad1", name);
    if (CopyConfig(name, to)) Log("replaced record %s kept as %s\n", name, to);
}

static void LoadMainRecord(void) {
    char name[32];
    MainValueName(name, sizeof name);
    MainSaveRecord record;
    int damaged;
    if (ReadRecord(name, &record, MAIN_RECORD_BYTES, &damaged)) {
        if (VersionDecade(record.version) == VersionDecade((uint32_t)ShellVersion) &&
            memcmp(record.tag, RecordTag, sizeof RecordTag) == 0) {
            GameCatalogue.UserId = record.userId;
            GameCatalogue.ZumiTotal = record.zumiTotal;
            EndText(record.playerName, sizeof record.playerName);
            PutText(GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName, record.playerName);
            return;
        }
        NoticeBox("メインセーブデータ不正");
    } else if (damaged) {
        NoticeBox("メインセーブデータが破損しています。");
    }
    GameCatalogue.UserId = GetUserIdentity();
    GameCatalogue.ZumiTotal = 0;
    PutText(GameCatalogue.PlayerName, sizeof GameCatalogue.PlayerName, "あなた");
    KeepReplacedRecord(name);
    SaveRecord(0);
}

static void LoadGameRecord(int32_t game) {
    GameEntry *entry = &GameCatalogue.entries[game - 1];
    char name[64];
    GameValueName(entry, name, sizeof name);
    Log("load data %s\n", name);
    GameSaveRecord record;
    int damaged;
    if (ReadRecord(name, &record, GAME_RECORD_BYTES, &damaged)) {
        if (VersionDecade(record.version) == VersionDecade(entry->version) &&
            strncmp(record.gameId, entry->gameId, sizeof record.gameId) == 0 &&
            record.userId == GameCatalogue.UserId) {
            memcpy(SavedPart(entry), record.saved, GAME_SAVED_BYTES);
            EndSavedTexts(entry);
            return;
        }
        NoticeBox("ゲームセーブデータ不正");
    } else if (damaged) {
        NoticeBox("ゲームセーブデータが破損しています。");
    }
    memset(SavedPart(entry), 0, GAME_SAVED_BYTES);
    KeepReplacedRecord(name);
    SaveRecord(game);
}

int RecordTakenBy(const GameEntry *entry) {
    char name[64], other[64];
    GameValueName(entry, name, sizeof name);
    for (int32_t g = 1; g <= GameCatalogue.GameCount; g++) {
        GameValueName(&GameCatalogue.entries[g - 1], other, sizeof other);
        if (strcmp(name, other) == 0) return g;
    }
    return 0;
}

// Game numbers past the catalogue's entries name no game: their record is neither read nor written.
void LoadRecord(int32_t game) {
    if (game == 0)
        LoadMainRecord();
    else if (CatalogueGame(game))
        LoadGameRecord(game);
}

void SaveRecord(int32_t game) {
    char name[64];
    if (game == 0) {
        MainSaveRecord record;
        memset(&record, 0, sizeof record);
        record.userId = GameCatalogue.UserId;
        PutText(record.tag, sizeof record.tag, RecordTag);
        record.version = (uint8_t)ShellVersion;
        record.zumiTotal = GameCatalogue.ZumiTotal;
        PutText(record.playerName, sizeof record.playerName, GameCatalogue.PlayerName);
        MainValueName(name, sizeof name);
        WriteRecord(name, &record, MAIN_RECORD_BYTES);
    } else if (GameEntry *entry = CatalogueGame(game)) {
        GameSaveRecord record;
        memset(&record, 0, sizeof record);
        record.userId = GameCatalogue.UserId;
        PutText(record.gameId, sizeof record.gameId, entry->gameId);
        record.version = entry->version;
        memcpy(record.saved, SavedPart(entry), GAME_SAVED_BYTES);
        memset(record.saved + offsetof(GameEntry, rankPad) - offsetof(GameEntry, playCount), 0,
               sizeof entry->rankPad);
        GameValueName(entry, name, sizeof name);
        WriteRecord(name, &record, GAME_RECORD_BYTES);
    }
}

// The system folder's path stays wide: it need not have a Shift-JIS form.
static void IdentityPath(wchar_t *path) {
    wchar_t file[TITLE_CHARS];
    ToWide(IdentityFile, file, TITLE_CHARS);
    UINT length = GetSystemDirectoryW(path, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS) path[0] = 0;
    wcscat(path, file);
}

static int DecodeIdentity(const char *text, uint32_t *id) {
    return strlen(text) >= 2 && DecodeRecord(text, IDENTITY_RECORD_BYTES, id);
}

uint32_t GetUserIdentity(void) {
    wchar_t path[PATH_CHARS + TITLE_CHARS], tag[TITLE_CHARS], wide[MAX_PATH] = L"";
    IdentityPath(path);
    ToWide(RecordTag, tag, TITLE_CHARS);
    GetPrivateProfileStringW(L"USER", tag, L"0", wide, MAX_PATH - 1, path);
    // Zero-filled, so a short text is followed by zeros up to the 19 bytes the decoder reads.
    char text[2 * MAX_PATH] = "";
    FromWide(wide, text, sizeof text);
    uint32_t id = 0;
    if (DecodeIdentity(text, &id)) return id;
    // One byte more than the stored text, so a value without its final zero still ends in one.
    enum { KEPT_BYTES = RECORD_TEXT_BYTES(IDENTITY_RECORD_BYTES) };
    char kept[KEPT_BYTES + 1] = "";
    if (ReadConfig(IdentityFallbackValue, kept, KEPT_BYTES) && DecodeIdentity(kept, &id)) return id;
    id = GetTickCount();
    EncodeRecord(&id, IDENTITY_RECORD_BYTES, kept);
    ToWide(kept, wide, MAX_PATH);
    if (!WritePrivateProfileStringW(L"USER", tag, wide, path))
        WriteConfig(IdentityFallbackValue, kept, KEPT_BYTES);
    return id;
}
