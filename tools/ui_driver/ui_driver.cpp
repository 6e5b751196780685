// Finds a window of a running setup.exe from a second process in the same Wine session, reports
// what it shows and clicks its buttons, as a person at the machine would:
//
//   ui_driver WINDOW ACTION ...
//
// WINDOW: options (dialog 101), message (a message box), browser (the folder browser), or
// title=TEXT (any top-level window of that title, shown or hidden, as FindWindow finds it).
// ACTIONs, done in order:
//   read       print caption=, text= (prompt, message or status line), folder=, rect=, icon=,
//              then control=ID|CLASS|TEXT|visible/hidden|enabled/disabled|readonly/-|CHECK
//              for every control (texts in UTF-8)
//   click ID   post BM_CLICK to control ID, once the window takes input
//   absent MS  succeed only if no such window shows within MS milliseconds
// Exit 0 on success, 1 when the window never came (30 s), 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string utf8(HWND window) {
    wchar_t text[1024] = L"";
    // GetWindowText does not ask another process's window; one that does not answer leaves
    // the text empty rather than holding up the driver.
    DWORD_PTR length;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &length);
    char bytes[4096] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

bool hasChild(HWND window, int id) {
    return GetDlgItem(window, id) != nullptr;
}

struct Search {
    const char* kind;
    HWND found;
};

BOOL CALLBACK match(HWND window, LPARAM data) {
    Search* search = (Search*)data;
    char windowClass[64] = "";
    GetClassNameA(window, windowClass, sizeof windowClass);
    if (strcmp(windowClass, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    bool tree = FindWindowExA(window, nullptr, "SysTreeView32", nullptr) != nullptr;
    bool options = hasChild(window, 1000) && hasChild(window, 1004);
    if ((!strcmp(search->kind, "options") && options) ||
        (!strcmp(search->kind, "message") && hasChild(window, 0xFFFF) && !options && !tree) ||
        (!strcmp(search->kind, "browser") && tree)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find(const char* kind) {
    if (!strncmp(kind, "title=", 6))
        return FindWindowA(nullptr, kind + 6);
    Search search = {kind, nullptr};
    EnumWindows(match, (LPARAM)&search);
    return search.found;
}

HWND waitFor(const char* kind, DWORD milliseconds) {
    for (DWORD waited = 0;; waited += 50) {
        if (HWND window = find(kind))
            return window;
        if (waited >= milliseconds)
            return nullptr;
        Sleep(50);
    }
}

// The browser's status line: the last static text that is not the title above the tree.
std::string statusLine(HWND browser) {
    std::string status;
    int statics = 0;
    for (HWND child = nullptr; (child = FindWindowExA(browser, child, "Static", nullptr));)
        if (statics++ > 0)
            status = utf8(child);
    return status;
}

// Whether a message box shows an icon. Which one cannot be told from another process under
// Wine (icon handles are private to their process); the driver's own tests check the type.
const char* icon(HWND box) {
    HWND picture = GetDlgItem(box, 1088) ? GetDlgItem(box, 1088) : GetDlgItem(box, 20);
    return picture && SendMessageA(picture, STM_GETICON, 0, 0) ? "yes" : "no";
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
    char kind[64] = "";
    GetClassNameA(control, kind, sizeof kind);
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    std::printf("control=%d|%s|%s|%s|%s|%s|%d\n", GetDlgCtrlID(control), kind,
                utf8(control).c_str(), IsWindowVisible(control) ? "visible" : "hidden",
                IsWindowEnabled(control) ? "enabled" : "disabled",
                !strcmp(kind, "Edit") && (style & ES_READONLY) ? "readonly" : "-",
                (int)SendMessageA(control, BM_GETCHECK, 0, 0));
    return TRUE;
}

void read(HWND window, const char* kind) {
    Sleep(300); // let it paint before anyone looks at it
    std::string text = !strcmp(kind, "options")   ? utf8(GetDlgItem(window, 1004))
                       : !strcmp(kind, "message") ? utf8(GetDlgItem(window, 0xFFFF))
                       : !strcmp(kind, "browser") ? statusLine(window)
                                                  : "";
    RECT frame;
    GetWindowRect(window, &frame);
    std::printf("caption=%s\ntext=%s\nfolder=%s\nrect=%ld %ld %ld %ld\nicon=%s\n",
                utf8(window).c_str(), text.c_str(), utf8(GetDlgItem(window, 1000)).c_str(),
                frame.left, frame.top, frame.right, frame.bottom, icon(window));
    EnumChildWindows(window, printControl, 0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const char* kind = argv[1];
    if (!strcmp(argv[2], "absent"))
        return argc > 3 && !waitFor(kind, (DWORD)atoi(argv[3])) ? 0 : 1;
    HWND window = waitFor(kind, 30000);
    if (!window)
        return 1;
    for (int i = 2; i < argc; ++i) {
        if (!strcmp(argv[i], "read")) {
            read(window, kind);
        } else if (!strcmp(argv[i], "click") && i + 1 < argc) {
            // A window under a modal one of its own takes no clicks until that one is gone;
            // the click is posted so that a handler opening a window does not hold us up.
            for (int wait = 0; wait < 100 && !IsWindowEnabled(window); ++wait)
                Sleep(50);
            PostMessageA(GetDlgItem(window, atoi(argv[++i])), BM_CLICK, 0, 0);
        } else {
            return 2;
        }
    }
    return 0;
}
