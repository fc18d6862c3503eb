// Adding a game file that was opened from outside the game folders, dialog 125: the file is judged
// by the scan's rules first (a refusal names the rule and copies nothing), the player is asked with
// the game's own picture, its name and the folder, and only then is it copied. A file of the same
// name already there is either the same bytes (said so, nothing asked) or shown beside the new one
// before it is replaced. The bytes judged are the bytes written: they are held from the check on.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include "dialogs/dialogs.h"
#include "base/base.h"
#include "catalogue/catalogue.h"
#include "pack/pack.h"
#include "res/resource.h"

static const char GAME_PICTURE[] = "sys_logo.bmp";

typedef struct Offer {
    wchar_t path[PATH_CHARS];       // the file opened, as a full path
    const wchar_t *shownPath;       // the same, or as it was given when it is too long for a path
    const wchar_t *name;            // its name, inside shownPath
    GameFileFacts facts;
    wchar_t existing[PATH_CHARS];   // a file of the same name in a game folder; "" when none
    GameFileFacts existingFacts;
    int existingFits;               // 1: the file there is a game by the same rules
    wchar_t folder[PATH_CHARS];     // where the file goes, with a backslash at the end
    wchar_t shownFolder[PATH_CHARS];  // the same as the player reads it, without
    uint8_t *bytes;                 // the file as judged, taken from the pack reader (Alloc)
    uint32_t size;
} Offer;

static Offer *Current;     // the offer the dialog asks about
static HBITMAP Picture;    // the game's picture scaled to the dialog, while the dialog is open
static HBITMAP Original;   // the picture as the game file holds it, until the dialog takes it

static int Tell(const wchar_t *text, uint32_t icon) {
    if (MainWindow) return MessageOverStillFrame(text, PRODUCT_TITLE, icon | MB_OK);
    return ShowWideMessage(NULL, text, PRODUCT_TITLE, icon | MB_OK | MB_SETFOREGROUND);
}

static void RefusalReason(const Offer *offer, int rule, wchar_t *reason, int chars) {
    const GameFileFacts *f = &offer->facts;
    wchar_t iniName[INI_VALUE_BYTES];
    ToWide(f->iniName, iniName, INI_VALUE_BYTES);
    switch (rule) {
    case GAME_FILE_MISSING:
        FormatWide(reason, chars, "ファイルが見つかりません。\n%ls", offer->shownPath);
        return;
    case GAME_FILE_NAME_UNFIT:
        FormatWide(reason, chars, "ファイル名に、ポモのロビナが扱えない文字が入っています。\n"
                                  "ファイル名を変えてから、もう一度開いてください。");
        return;
    case GAME_FILE_TOO_LARGE:
        FormatWide(reason, chars, "ファイルが大きすぎます（%d MB まで）。", GAME_FILE_BYTES_MAX >> 20);
        return;
    case GAME_FILE_UNREADABLE:
        FormatWide(reason, chars, "ファイルを読めません。ほかのプログラムが使っていないか、確かめてください。");
        return;
    case GAME_FILE_NOT_PACK:
        FormatWide(reason, chars, "ポモのロビナのゲームファイル（RVPXパック）ではありません。\n"
                                  "壊れているか、別の種類のファイルです。");
        return;
    case GAME_FILE_NO_INI:
        FormatWide(reason, chars, "ゲームファイルの中に game.ini がありません。");
        return;
    case GAME_FILE_NAME_MISMATCH:
        if (!iniName[0]) {
            FormatWide(reason, chars, "game.ini に FILENAME（ゲームファイルの名前）がありません。");
            return;
        }
        FormatWide(reason, chars, "ファイル名が、game.ini の FILENAME「%ls」と違います。\n"
                                  "ファイル名を「%ls」に直してから、もう一度開いてください。", iniName, iniName);
        return;
    case GAME_FILE_NAME_TOO_LONG:
        FormatWide(reason, chars, "game.ini の FILENAME「%ls」が長すぎます（半角29文字まで）。", iniName);
        return;
    case GAME_FILE_NO_ID:
        FormatWide(reason, chars, "game.ini の GAMEID がないか、使えない値です。");
        return;
    case GAME_FILE_NEWER_SHELL:
        FormatWide(reason, chars, "このゲームには、ポモのロビナ ver%d.%02d 以上が必要です（これは ver%d.%02d です）。",
                   (int)(f->requiredVersion / 100), (int)(f->requiredVersion % 100), (int)(ShellVersion / 100),
                   (int)(ShellVersion % 100));
        return;
    default:
        FormatWide(reason, chars, "game.ini に地図の位置（MAP_POSX、MAP_POSY）がありません。");
    }
}

static void TellRefusal(const Offer *offer, int rule) {
    static const char *const ruleNames[] = {"fits", "missing", "name unfit", "too large", "unreadable", "not a pack",
                                            "no game.ini", "FILENAME differs", "FILENAME too long", "no GAMEID",
                                            "REQUIREVER", "no map point"};
    Log("game file refused (%s): %s\n", ruleNames[rule], ShownPath(offer->shownPath));
    wchar_t reason[MESSAGE_CHARS], text[MESSAGE_CHARS];
    RefusalReason(offer, rule, reason, MESSAGE_CHARS);
    FormatWide(text, MESSAGE_CHARS, "「%ls」は追加できません。\n\n%ls", offer->name, reason);
    Tell(text, MB_ICONWARNING);
}

static const char *FailedStep(int step) {
    if (step == COPY_FOLDER_FAILED) return "ゲームフォルダを作れませんでした。";
    if (step == COPY_WRITE_FAILED) return "フォルダに書き込めませんでした。";
    return "フォルダで、ファイルに名前を付けられませんでした。";
}

static const char *FailureCause(uint32_t error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "ディスクの空きが足りません。";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return "このフォルダには書き込めません（書き込みの権限がないか、読み取り専用です）。";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "ほかのプログラムがファイルを使っています。";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "そのあいだに、同じ名前のファイルができていました。";
    }
    return "";
}

static void TellCopyFailure(const Offer *offer, int step, uint32_t error) {
    wchar_t what[TITLE_CHARS], cause[TITLE_CHARS], text[MESSAGE_CHARS];
    ToWide(FailedStep(step), what, TITLE_CHARS);
    const char *known = FailureCause(error);
    if (known[0])
        ToWide(known, cause, TITLE_CHARS);
    else
        FormatWide(cause, TITLE_CHARS, "（エラー %d）", (int)error);
    FormatWide(text, MESSAGE_CHARS, "「%ls」を追加できませんでした。何もコピーしていません。\n\n%ls\n%ls\n\n%ls",
               offer->name, what, cause, offer->shownFolder);
    Tell(text, MB_ICONWARNING);
}

// "mogura ver1.10, 1,234,567 バイト, 2024/05/01 12:34" of a game file.
static void DescribeFile(const wchar_t *path, const GameFileFacts *facts, int fits, wchar_t *text, int chars) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    SYSTEMTIME utc = {}, local = {};
    if (GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
        FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
        SystemTimeToTzSpecificLocalTime(NULL, &utc, &local);
    }
    wchar_t gameId[sizeof facts->entry.gameId];
    ToWide(facts->entry.gameId, gameId, sizeof facts->entry.gameId);
    unsigned long bytes = data.nFileSizeLow;
    wchar_t game[TITLE_CHARS];
    if (fits)
        FormatWide(game, TITLE_CHARS, "%ls ver%d.%02d", gameId, (int)(facts->readVersion / 100),
                   (int)(facts->readVersion % 100));
    else
        FormatWide(game, TITLE_CHARS, "ゲームとして読めないファイル");
    FormatWide(text, chars, "%ls　%lu バイト　%04d/%02d/%02d %02d:%02d", game, bytes, local.wYear, local.wMonth,
               local.wDay, local.wHour, local.wMinute);
}

// The first line is the notice a game file has always been answered with.
static void ComposeQuestion(const Offer *offer, wchar_t *text, int chars) {
    wchar_t fileName[sizeof offer->facts.entry.fileName], opened[TITLE_CHARS], there[TITLE_CHARS];
    ToWide(offer->facts.entry.fileName, fileName, sizeof offer->facts.entry.fileName);
    if (!offer->existing[0]) {
        wchar_t gameId[sizeof offer->facts.entry.gameId];
        ToWide(offer->facts.entry.gameId, gameId, sizeof offer->facts.entry.gameId);
        FormatWide(text, chars, "このファイルはポモのロビナ用のゲームファイルです。\n\n"
                                "ゲーム：%ls　ver%d.%02d（%ls）\n追加先（あなたのゲームフォルダ）：\n%ls\n\n"
                                "このゲームを追加しますか？",
                   gameId, (int)(offer->facts.readVersion / 100), (int)(offer->facts.readVersion % 100), fileName,
                   offer->shownFolder);
        return;
    }
    DescribeFile(offer->path, &offer->facts, 1, opened, TITLE_CHARS);
    DescribeFile(offer->existing, &offer->existingFacts, offer->existingFits, there, TITLE_CHARS);
    FormatWide(text, chars, "このファイルはポモのロビナ用のゲームファイルです。\n"
                            "同じ名前のゲームファイル「%ls」が、もうあります。\n\n"
                            "いまあるもの：%ls\n開いたもの　：%ls\n\n場所：%ls\n\n置き換えますか？",
               fileName, there, opened, offer->shownFolder);
}

// The picture is made to fit the control, drawn down with averaging: a plain shrink drops the thin
// strokes of the title written in it.
static HBITMAP FitPicture(HWND control) {
    BITMAP size;
    RECT box;
    if (!Original || !GetObjectW(Original, sizeof size, &size) || !GetClientRect(control, &box)) return 0;
    int width = box.right, height = size.bmHeight * box.right / size.bmWidth;
    if (height > box.bottom) {
        height = box.bottom;
        width = size.bmWidth * box.bottom / size.bmHeight;
    }
    HDC screen = GetDC(control), from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP fitted = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldFrom = SelectObject(from, Original), oldTo = SelectObject(to, fitted);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, NULL);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    ReleaseDC(control, screen);
    return fitted;
}

static void OpenAddDialog(HWND dialog) {
    wchar_t text[MESSAGE_CHARS];
    ComposeQuestion(Current, text, MESSAGE_CHARS);
    SetDlgItemTextW(dialog, IDC_ADD_QUESTION, text);
    HWND picture = GetDlgItem(dialog, IDC_ADD_PICTURE);
    Picture = FitPicture(picture);
    if (Picture) SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)Picture);
    // Replacing a file of the player's is never one key press away: there, cancelling is the default.
    HWND focus = GetDlgItem(dialog, IDOK);
    if (Current->existing[0]) {
        SetWindowTextSjis(focus, "置き換える");
        SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
        SendMessageW(focus, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        focus = GetDlgItem(dialog, IDCANCEL);
        SendMessageW(focus, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
    SetFocus(focus);
}

static INT_PTR CALLBACK AddDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OpenAddDialog(dialog);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        if (Picture) DeleteObject(Picture);
        Picture = 0;
        return FALSE;
    }
    return FALSE;
}

static void TakePicture(void) {
    Original = 0;
    if (!HasMember(GAME_PICTURE)) return;
    const wchar_t *path = ExtractMember(GAME_PICTURE);
    if (path) Original = (HBITMAP)LoadImageW(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    DeleteExtracted();
}

static int Ask(Offer *offer) {
    Current = offer;
    INT_PTR answer;
    if (MainWindow)
        answer = ModalOverStillFrame(IDD_ADD_GAME, (void *)AddDialog);
    else
        answer = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ADD_GAME), NULL, AddDialog, 0);
    Current = 0;
    Log("game file %s: %s\n", ShownPath(offer->path), answer == IDOK ? "the player said yes" : "the player declined");
    return answer == IDOK;
}

// What is already in a game folder under the file's name, read before the file itself is judged:
// the file judged last stays the current pack, and its bytes are the ones kept.
static void LookForExisting(Offer *offer) {
    int32_t where = GAME_FOLDER_PLAYER;
    offer->existing[0] = 0;
    if (FindGameFile(offer->name, offer->existing, &where)) {
        offer->existingFits = CheckGameFile(offer->existing, &offer->existingFacts) == GAME_FILE_FITS;
        wcscpy(offer->folder, offer->existing);
        wchar_t *name = wcsrchr(offer->folder, L'\\');
        if (name) name[1] = 0;
    } else {
        GamesFolder(offer->folder, 0);
    }
    wcscpy(offer->shownFolder, offer->folder);
    size_t length = wcslen(offer->shownFolder);
    if (length > 1 && offer->shownFolder[length - 1] == L'\\') offer->shownFolder[length - 1] = 0;
}

static int Copy(Offer *offer) {
    uint32_t error = 0;
    int step = COPY_FOLDER_FAILED;
    wchar_t target[PATH_CHARS];
    if (offer->existing[0]) {
        step = PlaceGameFile(offer->existing, offer->bytes, offer->size, 1, &error);
    } else if (!GamesFolder(offer->folder, 1)) {
        error = GetLastError();
    } else if (!FormatWide(target, PATH_CHARS, "%ls%ls", offer->folder, offer->name)) {
        error = ERROR_FILENAME_EXCED_RANGE;
    } else {
        step = PlaceGameFile(target, offer->bytes, offer->size, 0, &error);
    }
    if (step == COPY_DONE) return 1;
    TellCopyFailure(offer, step, error);
    return 0;
}

static int Decide(Offer *offer) {
    wchar_t text[MESSAGE_CHARS];
    if (offer->existing[0] && SameFileBytes(offer->existing, offer->bytes, offer->size)) {
        FormatWide(text, MESSAGE_CHARS, "「%ls」は、もう追加されています。\n\n%ls", offer->name, offer->existing);
        Log("game file %s: already added\n", ShownPath(offer->path));
        Tell(text, MB_ICONINFORMATION);
        return GAME_FILE_ALREADY_ADDED;
    }
    if (!Ask(offer)) return GAME_FILE_CANCELLED;
    if (!Copy(offer)) return GAME_FILE_NOT_COPIED;
    if (MainWindow) {
        FormatWide(text, MESSAGE_CHARS, "「%ls」を追加しました。\n次に地図を開いたときから遊べます。", offer->name);
        Tell(text, MB_ICONINFORMATION);
    }
    return GAME_FILE_ADDED;
}

int OfferGameFile(const wchar_t *path) {
    Offer *offer = (Offer *)Alloc((int32_t)sizeof(Offer));
    int outcome = GAME_FILE_REFUSED;
    const wchar_t *name = 0;
    offer->shownPath = offer->path;
    if (FullGamePath(path, offer->path) && (name = wcsrchr(offer->path, L'\\'))) {
        offer->name = name + 1;
        LookForExisting(offer);
        int rule = CheckGameFile(offer->path, &offer->facts);
        if (rule != GAME_FILE_FITS) {
            TellRefusal(offer, rule);
        } else {
            TakePicture();
            if ((offer->bytes = TakeGameFileBytes(&offer->size))) outcome = Decide(offer);
        }
    } else {
        offer->shownPath = offer->name = path;
        TellRefusal(offer, GAME_FILE_MISSING);
    }
    if (offer->bytes) Free(offer->bytes);
    Free(offer);
    if (Original) DeleteObject(Original);
    Original = 0;
    return outcome;
}
