// Drives and reads the windows of a running setup.exe from a second process, the way a person
// would see them (Wine's null display driver or an X display):
//
//   ui_driver click TITLE ID [CONTROL]   wait for the window TITLE that holds control ID and click
//                                        CONTROL (default ID) with BM_CLICK
//   ui_driver read TITLE ID              print the window's controls: id, class, text, state
//   ui_driver settext TITLE ID TEXT      set the text of control ID
//   ui_driver syscommand TITLE ID CMD    send WM_SYSCOMMAND CMD (decimal) to the window
//   ui_driver box CAPTION [BUTTON]       wait for a message box, print "text|icon|buttons", and
//                                        press BUTTON (default: the box's first button)
//   ui_driver absent TITLE ID MS         exit 0 if no such window shows within MS milliseconds
//
// Windows are matched by exact title and by holding a child with the given id (the options
// dialog holds 1000, a message box 65535); an ID of -1 matches any window of that title, shown
// or hidden, as the setup run's own search does. Exit 0 on success,
// 1 when the window never came (20 s), 2 on bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
    const char* title;
    int childId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
    Search* search = (Search*)data;
    char title[512] = "";
    if (!IsWindowVisible(window) ||
        !SendMessageA(window, WM_GETTEXT, sizeof title, (LPARAM)title) ||
        strcmp(title, search->title) != 0 || !GetDlgItem(window, search->childId))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND findWindow(const char* title, int childId) {
    if (childId < 0) // any top-level window of that title, shown or not
        return FindWindowA(nullptr, title);
    Search search = {title, childId, nullptr};
    EnumWindows(matchWindow, (LPARAM)&search);
    return search.found;
}

HWND waitWindow(const char* title, int childId, DWORD timeout = 20000) {
    for (DWORD waited = 0; waited <= timeout; waited += 20) {
        if (HWND window = findWindow(title, childId))
            return window;
        Sleep(20);
    }
    return nullptr;
}

// Whether the box shows an icon. Which icon cannot be told from another process under Wine
// (icon handles are private to their process); the driver tests check the box type itself.
const char* iconName(HWND box) {
    HWND icon = GetDlgItem(box, 1088);
    if (!icon)
        icon = GetDlgItem(box, 20);
    return icon && SendMessageA(icon, STM_GETICON, 0, 0) ? "icon" : "none";
}

BOOL CALLBACK listControl(HWND control, LPARAM) {
    char text[512] = "", kind[64] = "";
    // GetWindowText would not ask a window of another process for its text.
    SendMessageA(control, WM_GETTEXT, sizeof text, (LPARAM)text);
    GetClassNameA(control, kind, sizeof kind);
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    std::printf("%d|%s|%s|%s|%s|%s|%d\n", GetDlgCtrlID(control), kind, text,
                IsWindowVisible(control) ? "visible" : "hidden",
                IsWindowEnabled(control) ? "enabled" : "disabled",
                (style & ES_READONLY) && !strcmp(kind, "Edit") ? "readonly" : "-",
                (int)SendMessageA(control, BM_GETCHECK, 0, 0));
    return TRUE;
}

int box(const char* caption, int button) {
    HWND window = waitWindow(caption, 0xFFFF);
    if (!window)
        return 1;
    char text[1024] = "";
    SendDlgItemMessageA(window, 0xFFFF, WM_GETTEXT, sizeof text, (LPARAM)text);
    std::string buttons;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
        if (HWND b = GetDlgItem(window, id); b && IsWindowVisible(b)) {
            buttons += buttons.empty() ? "" : ",";
            buttons += std::to_string(id);
            if (!button)
                button = id;
        }
    std::printf("%s|%s|%s\n", text, iconName(window), buttons.c_str());
    std::fflush(stdout);
    SendMessageA(GetDlgItem(window, button), BM_CLICK, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    std::string command = argv[1];
    const char* title = argv[2];
    if (command == "box")
        return box(title, argc > 3 ? std::atoi(argv[3]) : 0);
    if (argc < 4)
        return 2;
    int id = std::atoi(argv[3]);
    if (command == "absent") {
        DWORD timeout = argc > 4 ? (DWORD)std::atoi(argv[4]) : 2000;
        return waitWindow(title, id, timeout) ? 1 : 0;
    }
    HWND window = waitWindow(title, id);
    if (!window)
        return 1;
    if (command == "click") {
        int control = argc > 4 ? std::atoi(argv[4]) : id;
        SendMessageA(GetDlgItem(window, control), BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "read") {
        EnumChildWindows(window, listControl, 0);
        return 0;
    }
    if (command == "settext" && argc > 4) {
        SetDlgItemTextA(window, id, argv[4]);
        return 0;
    }
    if (command == "syscommand" && argc > 4) {
        PostMessageA(window, WM_SYSCOMMAND, (WPARAM)std::atoi(argv[4]), 0);
        return 0;
    }
    return 2;
}
