// Finds a window of a running setup.exe in the same Wine session, reports what it shows and
// clicks one of its buttons, as a user would.
//
//   window_driver.exe REPORT options|message|browser [BUTTON_ID]
//
// options: dialog 101; message: a message box; browser: the folder browser. REPORT (UTF-8)
// receives "caption=", "text=" (prompt, message or status line), "folder=" and
// "rect=left top right bottom". The click is posted, so that a handler that opens a modal
// window or takes its time does not hold up the driver. Exit code 0 when the window was found
// within 30 seconds, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string utf8(HWND window) {
    wchar_t text[1024] = L"";
    // Another process's edit control answers only WM_GETTEXT itself. A program that does not
    // answer leaves the text empty rather than holding up the driver.
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

// The browser's status line: the last static text that is not the title above the tree.
std::string statusLine(HWND browser) {
    std::string status;
    int statics = 0;
    for (HWND child = nullptr; (child = FindWindowExA(browser, child, "Static", nullptr));)
        if (statics++ > 0)
            status = utf8(child);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    Search search = {argv[2], nullptr};
    for (int i = 0; i < 600 && !search.found; ++i, Sleep(50))
        EnumWindows(match, (LPARAM)&search);
    if (!search.found)
        return 1;
    HWND window = search.found;
    Sleep(300); // let it paint before anyone looks at it

    std::string text = !strcmp(argv[2], "options")   ? utf8(GetDlgItem(window, 1004))
                       : !strcmp(argv[2], "message") ? utf8(GetDlgItem(window, 0xFFFF))
                                                     : statusLine(window);
    RECT frame;
    GetWindowRect(window, &frame);
    FILE* report = fopen(argv[1], "wb");
    if (report) {
        fprintf(report, "caption=%s\ntext=%s\nfolder=%s\nrect=%ld %ld %ld %ld\n",
                utf8(window).c_str(), text.c_str(), utf8(GetDlgItem(window, 1000)).c_str(),
                frame.left, frame.top, frame.right, frame.bottom);
        fclose(report);
    }
    if (argc > 3) {
        // A window under a modal one of its own takes no clicks until that one is gone.
        for (int i = 0; i < 100 && !IsWindowEnabled(window); ++i)
            Sleep(50);
        PostMessageA(GetDlgItem(window, atoi(argv[3])), BM_CLICK, 0, 0);
    }
    return 0;
}
