// The built setup.exe, run for real as its own process in the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const char ResultKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";

std::string besideTest(const char* name) {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

DWORD runProgram(const std::string& program, const std::string& arguments) {
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string resultValue(DWORD* type) {
    char data[64] = {};
    DWORD size = sizeof data - 1;
    *type = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ResultKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(none)";
    LONG status = RegQueryValueExA(key, "Setup", nullptr, type, (BYTE*)data, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? data : "(none)";
}

TEST(SetupExe, SilentUninstallWithNothingInstalledEndsWithInitialization) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ResultKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Setup");
        RegCloseKey(key);
    }
    EXPECT_EQ(8u, runProgram(besideTest("setup.exe"), "/S /U"));
    DWORD type;
    EXPECT_EQ("0008", resultValue(&type));
    EXPECT_EQ((DWORD)REG_SZ, type);
}

} // namespace
