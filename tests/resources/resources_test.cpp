// The resources linked into setup.exe: string tables and options dialog in every language,
// the progress window, the icon and the manifest, read back through the Win32 loader.
#define UNICODE // RT_* and the manifest id as wide resource names
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "languages.h"
#include "resources/resource_ids.h"

namespace {

const UINT kStringIds[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19};

HMODULE self() {
    return GetModuleHandleW(nullptr);
}

// Raw bytes of one resource in exactly the given language; empty when there is none.
std::vector<BYTE> resourceBytes(LPCWSTR type, LPCWSTR name, LANGID language) {
    HRSRC found = FindResourceExW(self(), type, name, language);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(self(), found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    return std::vector<BYTE>(data, data + SizeofResource(self(), found));
}

// One string of a language's table, read from its block of 16; nullopt when the block or
// the string does not exist.
std::optional<std::wstring> tableString(LANGID language, UINT id) {
    std::vector<BYTE> block = resourceBytes(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    size_t words = block.size() / sizeof(WCHAR);
    const WCHAR* p = reinterpret_cast<const WCHAR*>(block.data());
    size_t at = 0;
    for (UINT i = 0; i < id % 16; ++i) {
        if (at >= words)
            return std::nullopt;
        at += p[at] + 1;
    }
    if (at >= words || p[at] == 0 || at + 1 + p[at] > words)
        return std::nullopt;
    return std::wstring(p + at + 1, p[at]);
}

// A dialog template, either form, as the loader sees it.
struct DialogItem {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring className;
    std::wstring text;
};
struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    bool hasMenu = false, hasClass = false;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring face;
    std::vector<DialogItem> items;
};

struct TemplateReader {
    const BYTE* data;
    size_t size;
    size_t at = 0;
    bool failed = false;

    template <typename T> T read() {
        T value{};
        if (at + sizeof(T) > size) {
            failed = true;
            return value;
        }
        memcpy(&value, data + at, sizeof(T));
        at += sizeof(T);
        return value;
    }
    std::wstring string() {
        std::wstring text;
        for (WCHAR c = read<WCHAR>(); c != 0 && !failed; c = read<WCHAR>())
            text += c;
        return text;
    }
    // Name or ordinal; ordinals of the predefined control classes become their names.
    std::wstring nameOrOrdinal(bool* present = nullptr) {
        WORD first = read<WORD>();
        if (present)
            *present = first != 0;
        if (first == 0)
            return L"";
        if (first == 0xFFFF) {
            switch (WORD ordinal = read<WORD>()) {
            case 0x80:
                return L"Button";
            case 0x81:
                return L"Edit";
            case 0x82:
                return L"Static";
            default:
                return L"#" + std::to_wstring(ordinal);
            }
        }
        at -= sizeof(WORD);
        return string();
    }
    void alignDword() { at = (at + 3) & ~size_t(3); }
    // The style of the dialog or of an item: the extended form has a help id and the extended
    // style before it, the plain form the extended style after it.
    DWORD style(bool extended) {
        if (extended) {
            read<DWORD>(); // help id
            read<DWORD>(); // extended style
            return read<DWORD>();
        }
        DWORD value = read<DWORD>();
        read<DWORD>(); // extended style
        return value;
    }
};

std::optional<DialogTemplate> parseDialog(const std::vector<BYTE>& bytes) {
    TemplateReader in{bytes.data(), bytes.size()};
    DialogTemplate dialog;
    WORD count = 0;
    dialog.extended = bytes.size() >= 4 && bytes[2] == 0xFF && bytes[3] == 0xFF;
    if (dialog.extended) {
        in.read<WORD>(); // version
        in.read<WORD>(); // signature
    }
    dialog.style = in.style(dialog.extended);
    count = in.read<WORD>();
    dialog.x = in.read<short>();
    dialog.y = in.read<short>();
    dialog.cx = in.read<short>();
    dialog.cy = in.read<short>();
    in.nameOrOrdinal(&dialog.hasMenu);
    in.nameOrOrdinal(&dialog.hasClass);
    dialog.caption = in.string();
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = in.read<WORD>();
        if (dialog.extended) {
            in.read<WORD>(); // weight
            in.read<BYTE>(); // italic
            in.read<BYTE>(); // charset
        }
        dialog.face = in.string();
    }
    for (WORD i = 0; i < count && !in.failed; ++i) {
        in.alignDword();
        DialogItem item;
        item.style = in.style(dialog.extended);
        item.x = in.read<short>();
        item.y = in.read<short>();
        item.cx = in.read<short>();
        item.cy = in.read<short>();
        item.id = dialog.extended ? in.read<DWORD>() : in.read<WORD>();
        item.className = in.nameOrOrdinal();
        item.text = in.nameOrOrdinal();
        in.at += in.read<WORD>(); // creation data
        dialog.items.push_back(item);
    }
    if (in.failed || in.at > bytes.size())
        return std::nullopt;
    return dialog;
}

// The options dialog as designed: the same in every language, apart from the texts.
struct ExpectedControl {
    DWORD id;
    const wchar_t* className;
    DWORD style;
    short x, y, cx, cy;
};
const ExpectedControl kOptionsControls[] = {
    {IDC_FOLDER_PROMPT, L"Static", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 7, 7, 277, 8},
    {IDC_FOLDER, L"Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_LEFT, 17, 22, 207,
     14},
    {IDC_BROWSE, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 234, 22, 50, 14},
    {IDC_DESKTOP_ICON, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_3STATE, 17, 40, 207, 10},
    {IDC_START_MENU_ICON, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_3STATE, 17, 52, 207,
     10},
    {IDOK, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 174, 69, 50, 14},
    {IDCANCEL, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 234, 69, 50, 14},
};
const DWORD kOptionsStyle =
    DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;

INT_PTR CALLBACK quietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

std::wstring windowText(HWND window) {
    WCHAR text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring className(HWND window) {
    WCHAR name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

// Width in pixels of the text in the control's own font.
int textWidth(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
}

int zeroWidth(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    INT width = 0;
    GetCharWidth32W(dc, L'0', L'0', &width);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return width;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int clientWidth(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return client.right - client.left;
}

// The ANSI code page of a language, for a primary-language-only id that of its main country.
UINT ansiCodePage(LANGID language) {
    if (SUBLANGID(language) == SUBLANG_NEUTRAL)
        language = MAKELANGID(PRIMARYLANGID(language), SUBLANG_DEFAULT);
    WCHAR digits[8] = {};
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE, digits, 8);
    return static_cast<UINT>(wcstoul(digits, nullptr, 10));
}

// The text in the code page; nullopt unless it converts there and back unchanged, without a
// default character.
std::optional<std::string> inCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty())
        return std::string();
    BOOL usedDefault = FALSE;
    char bytes[1024];
    int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                     static_cast<int>(text.size()), bytes, sizeof bytes, nullptr,
                                     &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    WCHAR back[1024];
    int backLength = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, back, 1024);
    if (std::wstring(back, backLength > 0 ? backLength : 0) != text)
        return std::nullopt;
    return std::string(bytes, length);
}

// The program's text buffers, NUL included.
const size_t kTextBufferSize = 260;

TEST(StringTable, EveryLanguageHoldsEveryString) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        for (UINT id : kStringIds) {
            std::optional<std::wstring> text = tableString(language.id, id);
            ASSERT_TRUE(text.has_value()) << "string " << id;
            EXPECT_FALSE(text->empty()) << "string " << id;
        }
        for (UINT absent : {0u, 1u, 17u})
            EXPECT_FALSE(tableString(language.id, absent)) << absent;
    }
}

TEST(StringTable, FailureMessageTakesExactlyOneStepName) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        std::wstring pattern = tableString(language.id, IDS_FAILED_IN_OPERATION).value_or(L"");
        size_t conversions = 0;
        for (size_t at = pattern.find(L'%'); at != std::wstring::npos;
             at = pattern.find(L'%', at + 1)) {
            ++conversions;
            EXPECT_EQ(L's', at + 1 < pattern.size() ? pattern[at + 1] : 0) << "at " << at;
        }
        EXPECT_EQ(1u, conversions);
        // Every message the driver composes fits its ANSI text buffer.
        size_t at = pattern.find(L"%s");
        ASSERT_NE(std::wstring::npos, at);
        for (UINT step = IDS_STEP_INITIALIZATION; step <= IDS_STEP_REGISTRATION; ++step) {
            std::wstring message = pattern;
            message.replace(at, 2, tableString(language.id, step).value_or(L"?"));
            std::optional<std::string> ansi = inCodePage(message, ansiCodePage(language.id));
            ASSERT_TRUE(ansi) << "step " << step;
            EXPECT_LT(ansi->size(), kTextBufferSize) << "step " << step;
        }
    }
}

TEST(StringTable, TextsSurviveTheLanguagesAnsiCodePage) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        UINT codePage = ansiCodePage(language.id);
        ASSERT_NE(0u, codePage);
        for (UINT id : kStringIds) {
            std::optional<std::string> ansi =
                inCodePage(tableString(language.id, id).value_or(L""), codePage);
            ASSERT_TRUE(ansi) << "string " << id << " in code page " << codePage;
            EXPECT_LT(ansi->size(), kTextBufferSize) << "string " << id;
        }
        std::optional<DialogTemplate> dialog =
            parseDialog(resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_OPTIONS), language.id));
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(inCodePage(dialog->caption, codePage));
        for (const DialogItem& item : dialog->items)
            EXPECT_TRUE(inCodePage(item.text, codePage)) << "control " << item.id;
    }
}

TEST(OptionsDialog, TemplateHasTheSameLayoutInEveryLanguage) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        std::optional<DialogTemplate> dialog =
            parseDialog(resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_OPTIONS), language.id));
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->extended);
        EXPECT_EQ(kOptionsStyle, dialog->style);
        EXPECT_EQ(291, dialog->cx);
        EXPECT_EQ(90, dialog->cy);
        EXPECT_FALSE(dialog->hasMenu);
        EXPECT_FALSE(dialog->hasClass);
        EXPECT_FALSE(dialog->caption.empty());
        EXPECT_EQ(8, dialog->pointSize);
        EXPECT_EQ(L"MS Sans Serif", dialog->face);
        ASSERT_EQ(std::size(kOptionsControls), dialog->items.size());
        for (size_t i = 0; i < dialog->items.size(); ++i) {
            const DialogItem& item = dialog->items[i];
            const ExpectedControl& expected = kOptionsControls[i];
            SCOPED_TRACE(expected.id);
            EXPECT_EQ(expected.id, item.id);
            EXPECT_EQ(0, _wcsicmp(expected.className, item.className.c_str()));
            EXPECT_EQ(expected.style, item.style);
            EXPECT_EQ(expected.x, item.x);
            EXPECT_EQ(expected.y, item.y);
            EXPECT_EQ(expected.cx, item.cx);
            EXPECT_EQ(expected.cy, item.cy);
            if (expected.id == IDC_FOLDER)
                EXPECT_TRUE(item.text.empty());
            else if (expected.id == IDC_FOLDER_PROMPT)
                EXPECT_EQ(L"IDS_GETFOLDER_TITLE", item.text);
            else
                EXPECT_FALSE(item.text.empty());
        }
    }
}

TEST(OptionsDialog, ControlsSitWhereTheTemplatePutsThem) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        std::vector<BYTE> bytes =
            resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_OPTIONS), language.id);
        ASSERT_FALSE(bytes.empty());
        HWND dialog = CreateDialogIndirectParamW(
            self(), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), nullptr, quietDialogProc, 0);
        ASSERT_NE(nullptr, dialog);

        int children = 0;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            ++children;
        EXPECT_EQ(static_cast<int>(std::size(kOptionsControls)), children);

        for (const ExpectedControl& expected : kOptionsControls) {
            SCOPED_TRACE(expected.id);
            HWND control = GetDlgItem(dialog, expected.id);
            ASSERT_NE(nullptr, control);
            EXPECT_EQ(0, _wcsicmp(expected.className, className(control).c_str()));
            LONG style = GetWindowLongW(control, GWL_STYLE);
            EXPECT_TRUE(style & WS_VISIBLE);
            EXPECT_EQ(expected.style & WS_TABSTOP, static_cast<DWORD>(style) & WS_TABSTOP);
            if (expected.id == IDC_FOLDER)
                EXPECT_FALSE(style & ES_AUTOHSCROLL);
            if (expected.className[0] == L'B')
                EXPECT_EQ(expected.style & BS_TYPEMASK, static_cast<DWORD>(style) & BS_TYPEMASK);

            // Position and size are converted from dialog units separately.
            RECT want = {expected.x, expected.y, expected.cx, expected.cy};
            MapDialogRect(dialog, &want);
            RECT have = {};
            GetWindowRect(control, &have);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&have), 2);
            EXPECT_EQ(want.left, have.left);
            EXPECT_EQ(want.top, have.top);
            EXPECT_EQ(want.right, have.right - have.left);
            EXPECT_EQ(want.bottom, have.bottom - have.top);
        }

        DestroyWindow(dialog);
    }
}

TEST(ProgressDialog, EnglishOnlyWithAProgressBar) {
    for (const ResourceLanguage& language : resourceLanguages) {
        SCOPED_TRACE(language.name);
        bool present =
            FindResourceExW(self(), RT_DIALOG, MAKEINTRESOURCEW(IDD_PROGRESS), language.id);
        EXPECT_EQ(language.id == 0x0409, present);
    }
    std::optional<DialogTemplate> progress =
        parseDialog(resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_PROGRESS), 0x0409));
    ASSERT_TRUE(progress);
    EXPECT_FALSE(progress->extended);
    EXPECT_EQ(static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP), progress->style);
    EXPECT_EQ(236, progress->cx);
    EXPECT_EQ(49, progress->cy);
    EXPECT_EQ(8, progress->pointSize);
    EXPECT_EQ(L"MS Sans Serif", progress->face);
    ASSERT_EQ(1u, progress->items.size());
    const DialogItem& bar = progress->items[0];
    EXPECT_EQ(static_cast<DWORD>(IDC_PROGRESS), bar.id);
    EXPECT_EQ(0, _wcsicmp(L"msctls_progress32", bar.className.c_str()));
    EXPECT_EQ(L"Progress1", bar.text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER), bar.style);
    EXPECT_EQ(17, bar.x);
    EXPECT_EQ(17, bar.y);
    EXPECT_EQ(201, bar.cx);
    EXPECT_EQ(15, bar.cy);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    HWND window =
        CreateDialogParamW(self(), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, quietDialogProc, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(IsWindowVisible(window));
    HWND control = GetDlgItem(window, IDC_PROGRESS);
    ASSERT_NE(nullptr, control);
    EXPECT_EQ(L"msctls_progress32", className(control));
    DestroyWindow(window);
}

// The icon group: a 16-colour and a 32-bit entry at 16 and 32 pixels, each with a working mask.
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

const COLORREF kVgaColours[] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

// Pixel of the icon drawn over a plain background.
COLORREF drawnPixel(HICON icon, int size, COLORREF background, int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, size, size};
    FillRect(dc, &all, brush);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixel;
}

TEST(Icon, PaletteAndTrueColourEntriesWithMasks) {
    std::vector<BYTE> group = resourceBytes(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_SETUP), 0x0409);
    ASSERT_GE(group.size(), 6u);
    WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    const GroupIconEntry* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + 6);

    for (int size : {16, 32}) {
        for (WORD bits : {4, 32}) {
            SCOPED_TRACE(testing::Message() << size << " pixels, " << bits << " bits");
            const GroupIconEntry* entry = nullptr;
            for (WORD i = 0; i < count; ++i)
                if (entries[i].width == size && entries[i].height == size &&
                    entries[i].bitCount == bits)
                    entry = &entries[i];
            ASSERT_NE(nullptr, entry);
            std::vector<BYTE> image = resourceBytes(RT_ICON, MAKEINTRESOURCEW(entry->id), 0x0409);
            ASSERT_EQ(entry->bytesInRes, image.size());
            const BITMAPINFOHEADER* header =
                reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
            EXPECT_EQ(bits, header->biBitCount);
            EXPECT_EQ(size * 2, header->biHeight); // colour rows and mask rows
            if (bits == 4) {
                const RGBQUAD* palette =
                    reinterpret_cast<const RGBQUAD*>(image.data() + header->biSize);
                int colours = header->biClrUsed ? header->biClrUsed : 16;
                for (int c = 0; c < colours; ++c) {
                    COLORREF colour =
                        RGB(palette[c].rgbRed, palette[c].rgbGreen, palette[c].rgbBlue);
                    EXPECT_NE(std::end(kVgaColours),
                              std::find(std::begin(kVgaColours), std::end(kVgaColours), colour))
                        << "palette entry " << c << " is " << std::hex << colour;
                }
            }
            HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()),
                                                  TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
            ASSERT_NE(nullptr, icon);
            // The top left corner is background, the middle of the box's front is the icon.
            EXPECT_EQ(RGB(255, 255, 255), drawnPixel(icon, size, RGB(255, 255, 255), 0, 0));
            EXPECT_EQ(RGB(0, 0, 0), drawnPixel(icon, size, RGB(0, 0, 0), 0, 0));
            int x = size * 11 / 32, y = size * 22 / 32;
            COLORREF onWhite = drawnPixel(icon, size, RGB(255, 255, 255), x, y);
            EXPECT_EQ(onWhite, drawnPixel(icon, size, RGB(0, 0, 0), x, y));
            EXPECT_NE(RGB(255, 255, 255), onWhite);
            DestroyIcon(icon);
        }
    }
}

TEST(Manifest, IdentityArchitectureAndCommonControls) {
    std::vector<BYTE> bytes =
        resourceBytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, 0x0409);
    ASSERT_FALSE(bytes.empty());

    // The loader parses it into an activation context whose identity is the product's.
    ACTCTXW request = {sizeof request};
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = self();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(self(), path, MAX_PATH);
    request.lpSource = path;
    HANDLE context = CreateActCtxW(&request);
    ASSERT_NE(INVALID_HANDLE_VALUE, context) << GetLastError();

    DWORD index = 1; // the first assembly is the manifest's own
    SIZE_T needed = 0;
    QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0,
                 &needed);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext,
                             buffer.data(), needed, &needed));
    const auto* assembly =
        reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity;
#ifdef _WIN64
    const wchar_t* architecture = L"processorArchitecture=\"amd64\"";
#else
    const wchar_t* architecture = L"processorArchitecture=\"x86\"";
#endif
    EXPECT_EQ(0u, identity.find(L"NRX.Kestrane.Quolen,")) << identity;
    EXPECT_NE(std::wstring::npos, identity.find(architecture)) << identity;
    EXPECT_NE(std::wstring::npos, identity.find(L"version=\"1.0.0.0\"")) << identity;
    ReleaseActCtx(context);

    std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos,
              text.find("<description>Kestrane Software Installer</description>"));

    // This program carries the same manifest, so the loader gave it common controls 6.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
    std::wstring comctl = path;
    for (WCHAR& c : comctl)
        c = towlower(c);
    EXPECT_NE(std::wstring::npos,
              comctl.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."))
        << std::string(comctl.begin(), comctl.end());
}

// The tests below run once per locale, with ZEL_EXPECT_LANGUAGE naming the table the loader
// must choose there: the fonts, and so the text widths, are those a user of that language sees.
std::optional<LANGID> localeLanguage() {
    const char* text = std::getenv("ZEL_EXPECT_LANGUAGE");
    if (!text)
        return std::nullopt;
    return static_cast<LANGID>(strtoul(text, nullptr, 16));
}

TEST(UnderLocale, LoaderPicksTheTablesOfTheUserLanguage) {
    std::optional<LANGID> expected = localeLanguage();
    if (!expected)
        GTEST_SKIP() << "runs under the locale that ZEL_EXPECT_LANGUAGE names";
    SCOPED_TRACE(testing::Message() << "user language " << std::hex << GetUserDefaultUILanguage());
    for (UINT id : kStringIds) {
        std::wstring want = tableString(*expected, id).value_or(L"");
        WCHAR wide[512] = {};
        LoadStringW(self(), id, wide, 512);
        EXPECT_EQ(want, wide) << "string " << id;
        // The program reads the ANSI form, in the code page of this locale.
        char narrow[512] = {};
        LoadStringA(self(), id, narrow, 512);
        char converted[512] = {};
        WideCharToMultiByte(CP_ACP, 0, want.c_str(), -1, converted, 512, nullptr, nullptr);
        EXPECT_STREQ(converted, narrow) << "string " << id;
    }
    std::optional<DialogTemplate> dialog =
        parseDialog(resourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_OPTIONS), *expected));
    ASSERT_TRUE(dialog);
    ASSERT_EQ(std::size(kOptionsControls), dialog->items.size());
    HWND window =
        CreateDialogParamW(self(), MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, quietDialogProc, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(dialog->caption, windowText(window));
    EXPECT_EQ(dialog->items[2].text, windowText(GetDlgItem(window, IDC_BROWSE)));
    DestroyWindow(window);
}

TEST(UnderLocale, DialogTextsFitTheirControls) {
    std::optional<LANGID> language = localeLanguage();
    if (!language)
        GTEST_SKIP() << "runs under the locale that ZEL_EXPECT_LANGUAGE names";
    HWND dialog =
        CreateDialogParamW(self(), MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, quietDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    // What the user reads must not be cut: the folder prompts on their one line, the
    // check boxes beside their box, the buttons inside their edges.
    HWND prompt = GetDlgItem(dialog, IDC_FOLDER_PROMPT);
    for (UINT id : {IDS_FOLDER_PROMPT, IDS_FRESH_FOLDER_PROMPT}) {
        std::wstring text = tableString(*language, id).value_or(L"");
        EXPECT_LE(textWidth(prompt, text), clientWidth(prompt)) << "string " << id;
    }
    for (int id : {IDC_DESKTOP_ICON, IDC_START_MENU_ICON}) {
        HWND box = GetDlgItem(dialog, id);
        // The box glyph and the gap after it, as the button control lays them out.
        int room = clientWidth(box) - (MulDiv(12, screenDpi(), 96) + 1) - zeroWidth(box) / 2;
        EXPECT_LE(textWidth(box, windowText(box)), room) << "check box " << id;
    }
    for (int id : {IDC_BROWSE, IDOK, IDCANCEL}) {
        HWND button = GetDlgItem(dialog, id);
        int room = clientWidth(button) - 2 * 3; // the 3-D edge and a pixel on each side
        EXPECT_LE(textWidth(button, windowText(button)), room) << "button " << id;
    }
    DestroyWindow(dialog);
}

} // namespace
