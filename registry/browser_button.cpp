#include "registry/browser_button.h"

#include <windows.h>

#include "registry/registry_values.h"

namespace {

const char ExtensionsPath[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const char ButtonKey[] = "{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}";
// The browser's class for buttons that run a program.
const char RunProgramClass[] = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";

bool writeButtonValues(HKEY extensions, const char* programPath, const char* iconLocation,
                       const char* buttonText) {
    HKEY button;
    if (RegCreateKeyExA(extensions, ButtonKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &button,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool written = setTextValue(button, "Exec", programPath) &&
                   setTextValue(button, "Icon", iconLocation) &&
                   setTextValue(button, "HotIcon", iconLocation) &&
                   setTextValue(button, "ButtonText", buttonText) &&
                   setTextValue(button, "clsid", RunProgramClass) &&
                   setTextValue(button, "Default Visible", "Yes");
    RegCloseKey(button);
    return written;
}

bool hasButtonKey(HKEY extensions) {
    HKEY button;
    if (RegOpenKeyExA(extensions, ButtonKey, 0, KEY_READ, &button) != ERROR_SUCCESS)
        return false;
    RegCloseKey(button);
    return true;
}

} // namespace

bool hasBrowserButton() {
    HKEY extensions = openMachineKey(ExtensionsPath, KEY_READ);
    if (!extensions)
        return false;
    bool found = hasButtonKey(extensions);
    RegCloseKey(extensions);
    return found;
}

bool writeBrowserButton(const char* programPath, const char* iconLocation, const char* buttonText,
                        int create) {
    if (create && (!programPath || !iconLocation || !buttonText))
        return false;
    HKEY extensions;
    // A system without the browser's extension key has no toolbar to put a button on.
    if (create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, ExtensionsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &extensions, nullptr) != ERROR_SUCCESS
               : RegOpenKeyExA(HKEY_LOCAL_MACHINE, ExtensionsPath, 0, KEY_ALL_ACCESS,
                               &extensions) != ERROR_SUCCESS)
        return true;
    bool done =
        create ? writeButtonValues(extensions, programPath, iconLocation, buttonText)
               : !hasButtonKey(extensions) || RegDeleteKeyA(extensions, ButtonKey) == ERROR_SUCCESS;
    RegCloseKey(extensions);
    return done;
}
