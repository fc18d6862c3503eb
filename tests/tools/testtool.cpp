// testtool.exe: what the end-to-end tests need from inside the Wine prefix.
//   testtool watch LOG [CAPTION=ID]...   answer every dialog and message box that appears: record its
//                                        caption, static texts and buttons as one JSON line in LOG
//                                        (UTF-8), then press the button ID given for its caption
//                                        (default 1, OK); ID 0 leaves that dialog open
//   testtool reg-get KEY NAME            print a value of HKCU\KEY as "TYPE HEXBYTES"
//   testtool reg-set KEY NAME HEXBYTES   store a REG_SZ value of HKCU\KEY with exactly those bytes
//   testtool reg-delete KEY              delete HKCU\KEY with everything below it
//   testtool hkcr-get KEY                print the default value of HKEY_CLASSES_ROOT\KEY (UTF-8)
//   testtool window TITLE ACTION         on the top-level window of that title: "minimize" it, press its
//                                        "close" box (SC_CLOSE), or print its "state" as
//                                        "iconic=0|1 foreground=0|1" (foreground: it or its pop-up)
//   testtool display-mode                print the display's current mode as "WIDTHxHEIGHTxBITS"
//   testtool look CAPTION                print each visible dialog of that caption as the watcher records
//                                        it (one JSON line each, its window first), pressing nothing
// A button's record says whether it is enabled and whether its text fits inside it in its own font.
// Windows texts are UTF-16 here and UTF-8 on the outside.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

static std::string Utf8(const std::wstring &text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, NULL, NULL);
    return out;
}

static std::string Json(const std::wstring &text) {
    std::string in = Utf8(text), out = "\"";
    for (char c : in) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if ((unsigned char)c < 0x20) { char b[8]; snprintf(b, sizeof b, "\\u%04x", c); out += b; }
        else out += c;
    }
    return out + "\"";
}

static std::wstring WindowText(HWND window) {
    wchar_t text[2048];
    GetWindowTextW(window, text, 2048);
    return text;
}

struct Snapshot {
    std::string texts, buttons, edits;
};
enum { STEADY_LOOK_MS = 50 };

// A push button draws its text inside its edge and focus frame: a text wider than that is cut.
static bool TextFits(HWND button, const std::wstring &text) {
    RECT client, need = {0, 0, 0, 0};
    GetClientRect(button, &client);
    HDC dc = GetDC(button);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(button, WM_GETFONT, 0, 0));
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(button, dc);
    int frame = 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
    return need.right + frame <= client.right;
}

static BOOL CALLBACK Collect(HWND child, LPARAM param) {
    Snapshot *snap = (Snapshot *)param;
    wchar_t cls[64];
    GetClassNameW(child, cls, 64);
    std::wstring text = WindowText(child);
    int id = GetDlgCtrlID(child);
    if (!lstrcmpiW(cls, L"Static")) {
        if (text.empty()) return TRUE;
        snap->texts += (snap->texts.empty() ? "" : ",") + Json(text);
    } else if (!lstrcmpiW(cls, L"Button")) {
        LONG style = GetWindowLongW(child, GWL_STYLE) & 0x0F;
        int checked = (int)SendMessageW(child, BM_GETCHECK, 0, 0);
        char head[128];
        snprintf(head, sizeof head, "{\"id\":%d,\"style\":%ld,\"checked\":%d,\"enabled\":%d,\"fits\":%d,\"text\":",
                 id, style, checked, IsWindowEnabled(child) ? 1 : 0, TextFits(child, text) ? 1 : 0);
        snap->buttons += (snap->buttons.empty() ? "" : ",") + std::string(head) + Json(text) + "}";
    } else if (!lstrcmpiW(cls, L"Edit")) {
        char head[32];
        snprintf(head, sizeof head, "{\"id\":%d,\"text\":", id);
        snap->edits += (snap->edits.empty() ? "" : ",") + std::string(head) + Json(text) + "}";
    }
    return TRUE;
}

static bool operator==(const Snapshot &a, const Snapshot &b) {
    return a.texts == b.texts && a.buttons == b.buttons && a.edits == b.edits;
}

// A dialog may still be filling its controls when it first shows: it is read once two looks a few
// milliseconds apart agree, however long a busy machine takes.
static Snapshot Steady(HWND window) {
    Snapshot last, now;
    EnumChildWindows(window, Collect, (LPARAM)&last);
    for (;;) {
        Sleep(STEADY_LOOK_MS);
        now = Snapshot();
        EnumChildWindows(window, Collect, (LPARAM)&now);
        if (now == last || !IsWindow(window)) return now;
        last = now;
    }
}

// A dialog's record as the watcher and "look" print it, once it holds still (without its braces).
static std::string Record(HWND window) {
    Snapshot snap = Steady(window);
    return "\"caption\":" + Json(WindowText(window)) + ",\"texts\":[" + snap.texts + "],\"buttons\":[" + snap.buttons +
           "],\"edits\":[" + snap.edits + "]";
}

struct Rule {
    std::wstring caption;
    int id;
};

static std::vector<HWND> handled;
static std::vector<Rule> rules;
static FILE *watchLog;

static BOOL CALLBACK Visit(HWND window, LPARAM) {
    wchar_t cls[64];
    GetClassNameW(window, cls, 64);
    if (lstrcmpW(cls, L"#32770") || !IsWindowVisible(window)) return TRUE;
    for (HWND seen : handled)
        if (seen == window) return TRUE;
    handled.push_back(window);
    std::string record = Record(window);
    std::wstring caption = WindowText(window);
    int press = IDOK;
    for (const Rule &rule : rules)
        if (rule.caption == caption) press = rule.id;
    fprintf(watchLog, "{%s,\"pressed\":%d}\n", record.c_str(), press);
    fflush(watchLog);
    if (press > 0) PostMessageW(window, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), (LPARAM)GetDlgItem(window, press));
    return TRUE;
}

static std::wstring lookFor;

static BOOL CALLBACK Show(HWND window, LPARAM) {
    wchar_t cls[64];
    GetClassNameW(window, cls, 64);
    if (lstrcmpW(cls, L"#32770") || !IsWindowVisible(window) || WindowText(window) != lookFor) return TRUE;
    printf("{\"window\":%lu,%s}\n", (unsigned long)(ULONG_PTR)window, Record(window).c_str());
    return TRUE;
}

static int Look(const wchar_t *caption) {
    lookFor = caption;
    EnumWindows(Show, 0);
    return 0;
}

static int Watch(int argc, wchar_t **argv) {
    watchLog = _wfopen(argv[2], L"ab");
    if (!watchLog) return 2;
    for (int i = 3; i < argc; i++) {
        std::wstring arg = argv[i];
        size_t eq = arg.rfind(L'=');
        if (eq != std::wstring::npos) rules.push_back({arg.substr(0, eq), _wtoi(arg.c_str() + eq + 1)});
    }
    for (;;) {
        EnumWindows(Visit, 0);
        std::vector<HWND> alive;
        for (HWND seen : handled)
            if (IsWindow(seen)) alive.push_back(seen);
        handled.swap(alive);
        Sleep(50);
    }
}

static int RegGet(const wchar_t *path, const wchar_t *name) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key)) return 1;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, NULL, &type, NULL, &size)) return 1;
    std::vector<BYTE> data(size + 1);
    // The narrow call returns the bytes as the program stored them (Shift-JIS for REG_SZ).
    std::string narrowName = [&] {
        int n = WideCharToMultiByte(932, 0, name, -1, NULL, 0, NULL, NULL);
        std::string s(n, '\0');
        WideCharToMultiByte(932, 0, name, -1, &s[0], n, NULL, NULL);
        return s;
    }();
    DWORD narrowSize = size + 1;
    if (RegQueryValueExA(key, narrowName.c_str(), NULL, &type, data.data(), &narrowSize)) return 1;
    printf("%lu ", type);
    for (DWORD i = 0; i < narrowSize; i++) printf("%02x", data[i]);
    printf("\n");
    RegCloseKey(key);
    return 0;
}

static int RegSet(const wchar_t *path, const wchar_t *name, const wchar_t *hex) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)) return 1;
    std::vector<BYTE> bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        wchar_t pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back((BYTE)wcstol(pair, NULL, 16));
    }
    int n = WideCharToMultiByte(932, 0, name, -1, NULL, 0, NULL, NULL);
    std::string narrowName(n, '\0');
    WideCharToMultiByte(932, 0, name, -1, &narrowName[0], n, NULL, NULL);
    LONG status = RegSetValueExA(key, narrowName.c_str(), 0, REG_SZ, bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
    return status ? 1 : 0;
}

static int HkcrGet(const wchar_t *path) {
    wchar_t value[1024];
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, path, value, &size)) return 1;
    printf("%s\n", Utf8(value).c_str());
    return 0;
}

// --- window actions (start-up tests: second instance, close boxes) ---
static int WindowAction(const wchar_t *title, const std::wstring &action) {
    HWND window = FindWindowW(NULL, title);
    if (!window) return 1;
    if (action == L"minimize") return ShowWindow(window, SW_MINIMIZE), 0;
    if (action == L"close") return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
    if (action != L"state") return 2;
    HWND front = GetForegroundWindow();
    int foreground = front == window || (front && GetWindow(front, GW_OWNER) == window);
    printf("iconic=%d foreground=%d\n", IsIconic(window) ? 1 : 0, foreground);
    return 0;
}
// --- end of window actions ---

// The mode Windows reports for the display: what full screen must leave alone.
static int DisplayMode(void) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(NULL, ENUM_CURRENT_SETTINGS, &mode)) return 1;
    printf("%lux%lux%lu\n", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
    return 0;
}

int wmain(int argc, wchar_t **argv) {
    if (argc < 2) return 2;
    std::wstring command = argv[1];
    if (command == L"watch" && argc >= 3) return Watch(argc, argv);
    if (command == L"reg-get" && argc == 4) return RegGet(argv[2], argv[3]);
    if (command == L"reg-set" && argc == 5) return RegSet(argv[2], argv[3], argv[4]);
    if (command == L"reg-delete" && argc == 3) return RegDeleteTreeW(HKEY_CURRENT_USER, argv[2]) ? 1 : 0;
    if (command == L"hkcr-get" && argc == 3) return HkcrGet(argv[2]);
    if (command == L"window" && argc == 4) return WindowAction(argv[2], argv[3]);
    if (command == L"display-mode") return DisplayMode();
    if (command == L"look" && argc == 3) return Look(argv[2]);
    fprintf(stderr, "testtool: unknown command\n");
    return 2;
}
