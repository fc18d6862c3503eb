// A game file offered from outside the game folders (a download in a folder with blanks and a
// Japanese name): the rule each kind of file breaks, a copy that is whole or not there at all, the
// offer as the running program makes it, and a path handed over by another start. The player's
// games folder is this program's own prefix's.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "harness.h"
#include "pictures.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "dialogs/dialogs.h"
#include "pack/pack.h"
#include "res/resource.h"
#include "shell/shell.h"

namespace {
std::wstring Wide(const std::string &ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring Downloads() {
    std::wstring folder = Wide(Folder()) + L"ダウンロード 置き場\\";
    CreateDirectoryW(folder.c_str(), NULL);
    return folder;
}

std::wstring Games() {
    wchar_t folder[PATH_CHARS] = L"";
    GamesFolder(folder, 0);
    return folder;
}

std::string Ini(const std::string &fileName, const std::string &extra = "") {
    return "[Robina]\r\nFILENAME=" + fileName + "\r\n" + extra + "GAMEID=gftest\r\nVER=100\r\nREQUIREVER=104\r\n"
           "MAP_POSX=10\r\nMAP_POSY=20\r\n";
}

std::string Game(const std::string &ini) {
    return BuildPack({{"game.ini", ini}, {"game.dll", "MZ not a library"},
                      {"sys_logo.bmp", Bmp24(64, 41, [](int x, int) { return MakeRgb(x * 4, 90, 200); })}});
}

void Put(const std::wstring &path, const std::string &bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD wrote = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &wrote, NULL);
    CloseHandle(file);
}

std::string Read(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, NULL), '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], (DWORD)bytes.size(), &got, NULL);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Sjis(const std::wstring &wide) {
    char text[2 * PATH_CHARS] = "";
    FromWide(wide.c_str(), text, sizeof text);
    return text;
}
}  // namespace

// Each kind of file names the rule it breaks, in the order the scan applies them; a name's case and a
// REQUIREVER of exactly this version break none.
TEST(GameFile, EachKindOfFileBreaksItsOwnRule) {
    const std::wstring down = Downloads();
    std::wstring big = down + L"GFBIG.VYG";
    HANDLE file = CreateFileW(big.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    SetFilePointer(file, GAME_FILE_BYTES_MAX + 1, NULL, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    CreateDirectoryW((down + L"gffolder.vyg").c_str(), NULL);
    struct Case {
        std::wstring name;
        std::string bytes;  // "" for none written
        int rule;
    } cases[] = {
        {L"GFGOOD.VYG", Game(Ini("GFGOOD.VYG")), GAME_FILE_FITS},
        {L"gfcase.Vyg", Game(Ini("GFCASE.VYG")), GAME_FILE_FITS},
        {L"GFREQ104.VYG", Game(Ini("GFREQ104.VYG", "REQUIREVER=104\r\n")), GAME_FILE_FITS},
        {L"gfmissing.vyg", "", GAME_FILE_MISSING},
        {L"gffolder.vyg", "", GAME_FILE_MISSING},
        {L"gfzoë.vyg", Game(Ini("GFZOE.VYG")), GAME_FILE_NAME_UNFIT},
        {L"GFBIG.VYG", "", GAME_FILE_TOO_LARGE},
        {L"GFTEXT.VYG", "RVPX but not a pack at all", GAME_FILE_NOT_PACK},
        {L"GFNOINI.VYG", BuildPack({{"game.dll", "MZ"}}), GAME_FILE_NO_INI},
        {L"GFOTHER (1).VYG", Game(Ini("GFOTHER.VYG")), GAME_FILE_NAME_MISMATCH},
        {L"GFLONG.VYG", Game(Ini("GF" + std::string(24, 'L') + ".VYG")), GAME_FILE_NAME_MISMATCH},
        {L"GF" + std::wstring(24, L'L') + L".VYG", Game(Ini("GF" + std::string(24, 'L') + ".VYG")),
         GAME_FILE_NAME_TOO_LONG},
        {L"GFNOID.VYG", Game(Ini("GFNOID.VYG", "GAMEID=default\r\n")), GAME_FILE_NO_ID},
        {L"GFREQ105.VYG", Game(Ini("GFREQ105.VYG", "REQUIREVER=105\r\n")), GAME_FILE_NEWER_SHELL},
        {L"GFMAP.VYG", Game(Ini("GFMAP.VYG", "MAP_POSY=0\r\n")), GAME_FILE_NO_MAP_POINT},
    };
    for (const Case &c : cases) {
        std::wstring path = down + c.name;
        if (!c.bytes.empty()) Put(path, c.bytes);
        GameFileFacts facts;
        EXPECT_EQ(CheckGameFile(path.c_str(), &facts), c.rule) << Sjis(c.name);
        EXPECT_STREQ(facts.entry.gameId, c.rule == GAME_FILE_FITS ? "gftest" : "");
        if (c.rule == GAME_FILE_NEWER_SHELL) {
            EXPECT_EQ(facts.requiredVersion, 105);
        }
        if (!c.bytes.empty()) DeleteFileW(path.c_str());
    }
    GameFileFacts facts;
    Put(down + L"GFNONAME.VYG", Game("[Robina]\r\nGAMEID=gftest\r\n"));
    EXPECT_EQ(CheckGameFile((down + L"GFNONAME.VYG").c_str(), &facts), GAME_FILE_NAME_MISMATCH);
    EXPECT_STREQ(facts.iniName, "");  // the message then says FILENAME is missing
    DeleteFileW((down + L"GFNONAME.VYG").c_str());
    DeleteFileW(big.c_str());
    RemoveDirectoryW((down + L"gffolder.vyg").c_str());
    SetPack(MENU_PACK);
}

// A copy ends whole under its name or leaves nothing; a name already taken is replaced only when asked.
TEST(GameFile, APlacedFileIsWholeOrNotThereAtAll) {
    const std::wstring down = Downloads(), target = down + L"GFPLACE.VYG", leftover = target + L".adding";
    const std::string first = "first bytes", second(200000, 's');
    uint32_t error = 0;
    DeleteFileW(target.c_str());
    EXPECT_EQ(PlaceGameFile(target.c_str(), (const uint8_t *)first.data(), (uint32_t)first.size(), 0, &error), COPY_DONE);
    EXPECT_EQ(Read(target), first);
    EXPECT_EQ(PlaceGameFile(target.c_str(), (const uint8_t *)second.data(), (uint32_t)second.size(), 0, &error),
              COPY_RENAME_FAILED);
    EXPECT_TRUE(error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) << error;
    EXPECT_EQ(Read(target), first);
    EXPECT_EQ(SameFileBytes(target.c_str(), (const uint8_t *)first.data(), (uint32_t)first.size()), 1);
    EXPECT_EQ(SameFileBytes(target.c_str(), (const uint8_t *)"firsT bytes", (uint32_t)first.size()), 0);
    EXPECT_EQ(SameFileBytes(target.c_str(), (const uint8_t *)second.data(), (uint32_t)second.size()), 0);
    EXPECT_EQ(PlaceGameFile(target.c_str(), (const uint8_t *)second.data(), (uint32_t)second.size(), 1, &error), COPY_DONE);
    EXPECT_EQ(Read(target), second);
    const std::wstring folderTarget = down + L"gfdir.vyg", nowhere = down + L"no folder\\GFPLACE.VYG";
    CreateDirectoryW(folderTarget.c_str(), NULL);
    EXPECT_EQ(PlaceGameFile(folderTarget.c_str(), (const uint8_t *)first.data(), 4, 1, &error), COPY_RENAME_FAILED);
    EXPECT_EQ(PlaceGameFile(nowhere.c_str(), (const uint8_t *)first.data(), 4, 1, &error), COPY_WRITE_FAILED);
    EXPECT_NE(error, 0u);
    // A temporary name one past the longest path is refused before anything is written.
    std::wstring deep = down + std::wstring(PATH_CHARS - 7 - down.size(), L'd'), shorter = deep.substr(0, deep.size() - 1);
    DeleteFileW(shorter.c_str());
    EXPECT_EQ(PlaceGameFile(deep.c_str(), (const uint8_t *)first.data(), 4, 0, &error), COPY_WRITE_FAILED);
    EXPECT_EQ(error, (uint32_t)ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(PlaceGameFile(shorter.c_str(), (const uint8_t *)first.data(), 4, 0, &error), COPY_DONE);
    DeleteFileW(shorter.c_str());
    for (const std::wstring &left : {leftover, folderTarget + L".adding", nowhere, deep + L".adding"})
        EXPECT_FALSE(Exists(left)) << Sjis(left);
    RemoveDirectoryW(folderTarget.c_str());
    DeleteFileW(target.c_str());
}

// The running program asks over its window. Cancel writes nothing (not even the folder); yes copies and
// says so; the same file again is "already added"; another version is shown beside the one there and
// replaces it only on yes, with cancelling the default; a refused file names its rule. Nothing leaks.
TEST(GameFile, TheRunningProgramAsksCopiesAndAsksAgainBeforeReplacing) {
    EnsureDisplay();
    const std::wstring down = Downloads(), games = Games(), added = games + L"GFOFFER.VYG";
    WIN32_FIND_DATAW found;  // what an interrupted run left
    HANDLE search = FindFirstFileW((games + L"*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        DeleteFileW((games + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryW(games.c_str());
    const std::string v100 = Game(Ini("GFOFFER.VYG")), v110 = Game(Ini("GFOFFER.VYG", "VER=110\r\n"));
    Put(down + L"GFOFFER.VYG", v100);
    Put(down + L"GFLATER.VYG", Game(Ini("GFLATER.VYG", "REQUIREVER=105\r\n")));
    struct Seen {
        std::string caption, text, ok;
        long defaultId, okStyle;
        bool picture;
    };
    std::vector<Seen> seen;
    int answer = IDCANCEL;
    BoxWatcher watcher([&](void *box, const BoxRecord &record) {
        HWND dialog = (HWND)box;
        char ok[64] = "";
        GetWindowTextSjis(GetDlgItem(dialog, IDOK), ok, sizeof ok);
        long defaultId = LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0));
        long okStyle = GetWindowLongW(GetDlgItem(dialog, IDOK), GWL_STYLE) & 0x0F;
        bool picture = SendDlgItemMessageW(dialog, IDC_ADD_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
        seen.push_back({record.caption, record.text, ok, defaultId, okStyle, picture});
        int press = GetDlgItem(dialog, IDC_ADD_QUESTION) ? answer : IDOK;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), (LPARAM)GetDlgItem(dialog, press));
    });
    const std::string question = "このファイルはポモのロビナ用のゲームファイルです。";
    const std::string folder = Sjis(games.substr(0, games.size() - 1));

    EXPECT_EQ(OfferGameFile((down + L"GFOFFER.VYG").c_str()), GAME_FILE_CANCELLED);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "ポモのロビナ　ゲームの追加");
    EXPECT_EQ(seen[0].text.find(question), 0u) << Readable(seen[0].text);
    EXPECT_NE(seen[0].text.find("gftest　ver1.00（GFOFFER.VYG）"), std::string::npos) << Readable(seen[0].text);
    EXPECT_NE(seen[0].text.find(folder + "\n"), std::string::npos) << Readable(seen[0].text);
    EXPECT_EQ(seen[0].ok + std::to_string(seen[0].defaultId) + std::to_string(seen[0].okStyle) +
                  std::to_string(seen[0].picture), "追加する111");
    EXPECT_FALSE(Exists(games));
    // The first dialog and the first box of each icon made what the system keeps for every later one:
    // leaks are counted from here.
    for (unsigned icon : {MB_ICONINFORMATION, MB_ICONWARNING}) MessageOverStillFrame(L"", PRODUCT_TITLE, icon);
    seen.clear();
    SetPack(MENU_PACK);
    ReleasePackCache();
    const int blocks = LiveBlocks;
    const long gdi = ReadProcessFigures().gdi;

    answer = IDOK;
    EXPECT_EQ(OfferGameFile((down + L"GFOFFER.VYG").c_str()), GAME_FILE_ADDED);
    EXPECT_EQ(Read(added), v100);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, "「GFOFFER.VYG」を追加しました。\n次に地図を開いたときから遊べます。");

    EXPECT_EQ(OfferGameFile((down + L"GFOFFER.VYG").c_str()), GAME_FILE_ALREADY_ADDED);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].text, "「GFOFFER.VYG」は、もう追加されています。\n\n" + Sjis(added));

    Put(down + L"GFOFFER.VYG", v110);
    for (int replace : {IDCANCEL, IDOK}) {
        answer = replace;
        EXPECT_EQ(OfferGameFile((down + L"GFOFFER.VYG").c_str()), replace == IDOK ? GAME_FILE_ADDED : GAME_FILE_CANCELLED);
        EXPECT_EQ(Read(added), replace == IDOK ? v110 : v100);
        }
    ASSERT_EQ(seen.size(), 6u);
    const std::string &both = seen[3].text;
    EXPECT_LT(both.find("いまあるもの：gftest ver1.00"), both.find("開いたもの　：gftest ver1.10")) << Readable(both);
    EXPECT_EQ(seen[3].ok + std::to_string(seen[3].defaultId) + std::to_string(seen[3].okStyle), "置き換える20");

    EXPECT_EQ(OfferGameFile((down + L"GFLATER.VYG").c_str()), GAME_FILE_REFUSED);
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[6].text, "「GFLATER.VYG」は追加できません。\n\n"
                            "このゲームには、ポモのロビナ ver1.05 以上が必要です（これは ver1.04 です）。");
    EXPECT_FALSE(Exists(games + L"GFLATER.VYG") || Exists(added + L".adding"));
    // A file that is not there is named by its whole path; one too long for any path, as it was given.
    wchar_t full[PATH_CHARS];
    GetFullPathNameW(L"gfnowhere.vyg", PATH_CHARS, full, NULL);
    const std::wstring tooLong = down + std::wstring(PATH_CHARS, L'x') + L".vyg";
    for (const auto &given : {std::make_pair(std::wstring(L"gfnowhere.vyg"), std::wstring(full)),
                              std::make_pair(tooLong, tooLong)}) {
        EXPECT_EQ(OfferGameFile(given.first.c_str()), GAME_FILE_REFUSED);
        const std::string &text = seen.back().text;
        EXPECT_EQ(text.substr(text.find("\n\n") + 2), "ファイルが見つかりません。\n" + Sjis(given.second));
    }
    SetPack(MENU_PACK);
    ReleasePackCache();
    EXPECT_EQ(LiveBlocks, blocks);
    EXPECT_EQ(ReadProcessFigures().gdi, gdi);
    DeleteFileW(added.c_str());
}

// Only a whole, terminated path of the right kind is taken, one at a time; asking about it leaves the
// pack that was current (here a game's, as during play) exactly as it was.
TEST(GameFile, AHandedOverPathIsTakenWholeAndOnceAndThePackWaitsAside) {
    EnsureDisplay();
    const std::wstring path = Downloads() + L"GFHANDED.VYG";
    std::wstring tooLong(PATH_CHARS, L'a');
    struct Case {
        ULONG_PTR kind;
        std::wstring text;
        DWORD bytes;  // 0: the text and its terminator
        int taken;
    } cases[] = {
        {0x52564700, path, 0, 0},
        {0x52564701, path, 1, 0},
        {0x52564701, path, (DWORD)(path.size() * sizeof(wchar_t)), 0},  // no terminator
        {0x52564701, path + L'\0' + L"x", 0, 0},
        {0x52564701, L"", 0, 0},
        {0x52564701, tooLong, 0, 0},
        {0x52564701, path, 0, 1},
        {0x52564701, path, 0, 0},  // one is waiting already
    };
    HandedGameFile[0] = 0;
    for (const Case &c : cases) {
        COPYDATASTRUCT data = {c.kind, c.bytes ? c.bytes : (DWORD)((c.text.size() + 1) * sizeof(wchar_t)),
                               (void *)c.text.c_str()};
        EXPECT_EQ(TakeHandedGameFile(&data), c.taken) << c.kind << " " << data.cbData;
    }
    EXPECT_EQ(std::wstring(HandedGameFile), path);
    Put(path, Game(Ini("GFHANDED.VYG")));
    const std::wstring playing = Downloads() + L"GFPLAYING.VYG";
    Put(playing, BuildPack({{"game.ini", Ini("GFPLAYING.VYG")}}));
    ASSERT_EQ(SetPackFile(playing.c_str()), 1);
    DeleteFileW(playing.c_str());  // the pack's bytes outlive its file
    BoxWatcher cancel(IDCANCEL);
    OfferHandedGameFile();
    EXPECT_EQ(cancel.boxes.size(), 1u);
    EXPECT_EQ(HandedGameFile[0], 0);
    EXPECT_STREQ(CurrentPackName(), "GFPLAYING.VYG");
    EXPECT_EQ(HasGameId("gftest"), 1);
    SetPack(MENU_PACK);
    DeleteFileW(path.c_str());
}

// Each refusal says, after the file's name, which rule the file breaks, and nothing is copied: the
// reason is the player's only way to mend the file.
TEST(GameFile, EachRefusalSaysWhichRuleAndCopiesNothing) {
    EnsureDisplay();
    const std::wstring down = Downloads(), games = Games();
    const std::string longName = "GF" + std::string(24, 'L') + ".VYG";
    struct Case {
        std::wstring name;
        std::string bytes;
        std::string reason;
    } cases[] = {
        {L"gfzoë.vyg", Game(Ini("GFZOE.VYG")),
         "ファイル名に、ポモのロビナが扱えない文字が入っています。\nファイル名を変えてから、もう一度開いてください。"},
        {L"GFLOCKED.VYG", Game(Ini("GFLOCKED.VYG")),
         "ファイルを読めません。ほかのプログラムが使っていないか、確かめてください。"},
        {L"GFTEXT.VYG", "RVPX but not a pack at all",
         "ポモのロビナのゲームファイル（RVPXパック）ではありません。\n壊れているか、別の種類のファイルです。"},
        {L"GFNOINI.VYG", BuildPack({{"game.dll", "MZ"}}), "ゲームファイルの中に game.ini がありません。"},
        {L"GFOTHER (1).VYG", Game(Ini("GFOTHER.VYG")),
         "ファイル名が、game.ini の FILENAME「GFOTHER.VYG」と違います。\n"
         "ファイル名を「GFOTHER.VYG」に直してから、もう一度開いてください。"},
        {L"GFNONAME.VYG", Game("[Robina]\r\nGAMEID=gftest\r\n"),
         "game.ini に FILENAME（ゲームファイルの名前）がありません。"},
        {std::wstring(longName.begin(), longName.end()), Game(Ini(longName)),
         "game.ini の FILENAME「" + longName + "」が長すぎます（半角29文字まで）。"},
        {L"GFNOID.VYG", Game(Ini("GFNOID.VYG", "GAMEID=default\r\n")), "game.ini の GAMEID がないか、使えない値です。"},
        {L"GFMAP.VYG", Game(Ini("GFMAP.VYG", "MAP_POSY=0\r\n")),
         "game.ini に地図の位置（MAP_POSX、MAP_POSY）がありません。"},
    };
    BoxWatcher watcher;
    for (const Case &c : cases) {
        const std::wstring path = down + c.name;
        Put(path, c.bytes);
        // Another program holds the file open and shares nothing.
        HANDLE held = c.name == L"GFLOCKED.VYG" ? CreateFileW(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL)
                                               : INVALID_HANDLE_VALUE;
        const size_t before = watcher.boxes.size();
        EXPECT_EQ(OfferGameFile(path.c_str()), GAME_FILE_REFUSED) << Sjis(c.name);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        ASSERT_EQ(watcher.boxes.size(), before + 1) << Sjis(c.name);
        const std::string &text = watcher.boxes.back().text;
        EXPECT_NE(text.find("」は追加できません。\n\n"), std::string::npos) << Readable(text);
        EXPECT_EQ(text.substr(text.find("\n\n") + 2), c.reason) << Readable(text);
        EXPECT_FALSE(Exists(games + c.name) || Exists(games + c.name + L".adding")) << Sjis(c.name);
        DeleteFileW(path.c_str());
    }
    SetPack(MENU_PACK);
}

// The question takes the keyboard on its default button (adding: 追加する; replacing: the cancel),
// and its window's close button is a cancel: nothing is copied.
TEST(GameFile, TheQuestionFocusesItsDefaultButtonAndClosingItCancels) {
    EnsureDisplay();
    const std::wstring down = Downloads(), games = Games(), added = games + L"GFFOCUS.VYG";
    DeleteFileW(added.c_str());
    Put(down + L"GFFOCUS.VYG", Game(Ini("GFFOCUS.VYG")));
    std::vector<int> focused;
    int press = IDCANCEL;
    BoxWatcher watcher([&](void *box, const BoxRecord &) {
        HWND dialog = (HWND)box;
        if (!GetDlgItem(dialog, IDC_ADD_QUESTION)) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
            return;
        }
        Later([&focused, &press, dialog] {
            focused.push_back(GetDlgCtrlID(GetFocus()));
            // A close that is not heard would leave the yes after it to add the file.
            if (press == IDCLOSE) PostMessageW(dialog, WM_CLOSE, 0, 0);
            int button = press == IDCLOSE ? IDOK : press;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
        });
    });
    press = IDCLOSE;
    EXPECT_EQ(OfferGameFile((down + L"GFFOCUS.VYG").c_str()), GAME_FILE_CANCELLED);
    EXPECT_FALSE(Exists(added));
    press = IDOK;
    EXPECT_EQ(OfferGameFile((down + L"GFFOCUS.VYG").c_str()), GAME_FILE_ADDED);
    Put(down + L"GFFOCUS.VYG", Game(Ini("GFFOCUS.VYG", "VER=110\r\n")));
    press = IDCLOSE;
    EXPECT_EQ(OfferGameFile((down + L"GFFOCUS.VYG").c_str()), GAME_FILE_CANCELLED);
    EXPECT_EQ(Read(added), Game(Ini("GFFOCUS.VYG")));
    EXPECT_EQ(focused, (std::vector<int>{IDOK, IDOK, IDCANCEL}));
    DeleteFileW(added.c_str());
    DeleteFileW((down + L"GFFOCUS.VYG").c_str());
    SetPack(MENU_PACK);
}

// A file handed over while the menu is shown: the menu's own pack (in the program's resources) still
// reads afterwards, as the game's pack does during play.
TEST(GameFile, AHandOverDuringTheMenuLeavesTheMenuPackReadable) {
    EnsureDisplay();
    const std::wstring path = Downloads() + L"GFMENU.VYG";
    Put(path, Game(Ini("GFMENU.VYG")));
    ASSERT_EQ(SetPack(MENU_PACK), 1);
    ASSERT_EQ(HasMember("fade.bmp"), 1);
    HandedGameFile[0] = 0;
    COPYDATASTRUCT data = {0x52564701, (DWORD)((path.size() + 1) * sizeof(wchar_t)), (void *)path.c_str()};
    ASSERT_EQ(TakeHandedGameFile(&data), 1);
    BoxWatcher cancel(IDCANCEL);
    OfferHandedGameFile();
    EXPECT_EQ(cancel.boxes.size(), 1u);
    EXPECT_STREQ(CurrentPackName(), MENU_PACK);
    EXPECT_EQ(HasMember("fade.bmp"), 1);
    EXPECT_EQ(HasMember("game.ini"), 0);
    DeleteFileW(path.c_str());
}

// A file directly in the program's folder or the games folder (its folder in any case, as the file
// system compares) is already there and starts the program as a plain start; one in a folder below
// them, beside them or with no folder at all is offered.
TEST(GameFile, OnlyAFileDirectlyInAGameFolderIsAlreadyThere) {
    wchar_t program[PATH_CHARS];
    ASSERT_TRUE(ModuleDirectory(program));
    const std::wstring module = program, games = Games();
    std::wstring upper = module;
    for (wchar_t &c : upper) c = towupper(c);
    const std::wstring beside = module.substr(0, module.size() - 1) + L"2\\";
    struct Case {
        std::wstring path;
        int there;
    } cases[] = {
        {module + L"KINOMI.VYG", 1},
        {upper + L"kinomi.vyg", 1},
        {games + L"ゲーム.vyg", 1},
        {games + L"sub\\KINOMI.VYG", 0},
        {beside + L"KINOMI.VYG", 0},
        {Downloads() + L"KINOMI.VYG", 0},
        {L"KINOMI.VYG", 0},
    };
    for (const Case &c : cases) EXPECT_EQ(InGameFolders(c.path.c_str()), c.there) << Sjis(c.path);
}

namespace {
LRESULT CALLBACK TakingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) return TakeHandedGameFile((const void *)lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

// A start hands its file over only to a running program that takes it: the whole path, up to the
// longest one, reaches it; with one already waiting, or no program running, the start keeps its file
// (and asks about it itself).
TEST(GameFile, AHandOverSucceedsOnlyWhereThePathIsTakenWhole) {
    WNDCLASSW cls = {};
    cls.lpfnWndProc = TakingWindowProc;
    cls.hInstance = GetModuleHandleW(NULL);
    cls.lpszClassName = L"GFTakingWindow";
    RegisterClassW(&cls);
    HWND running = CreateWindowW(L"GFTakingWindow", L"", WS_OVERLAPPED, 0, 0, 80, 60, NULL, NULL, cls.hInstance, NULL);
    ASSERT_TRUE(running);
    const std::wstring longest(PATH_CHARS - 1, L'l');
    struct Case {
        std::wstring path;
        bool waiting;  // a path handed over before is not yet asked about
        int handed;
    } cases[] = {
        {L"a", false, 1},
        {Downloads() + L"GFHAND.VYG", false, 1},
        {longest, false, 1},
        {longest + L"l", false, 0},
        {Downloads() + L"GFHAND.VYG", true, 0},
    };
    for (const Case &c : cases) {
        wcscpy(HandedGameFile, c.waiting ? L"C:\\waiting.vyg" : L"");
        EXPECT_EQ(HandGameFileOver(L"GFTakingWindow", c.path.c_str()), c.handed) << c.path.size();
        EXPECT_EQ(std::wstring(HandedGameFile), c.waiting ? L"C:\\waiting.vyg" : c.handed ? c.path : L"");
    }
    DestroyWindow(running);
    HandedGameFile[0] = 0;
    EXPECT_EQ(HandGameFileOver(L"GFTakingWindow", L"C:\\nobody.vyg"), 0);
    EXPECT_EQ(HandedGameFile[0], 0);
}
