#include <gtest/gtest.h>

#include <string>

#include "registry/browser_button.h"
#include "tests/registry/registry_readback.h"

namespace {

const char Extensions[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const char Button[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions\\{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}";

class BrowserButton : public ::testing::Test {
  protected:
    // The prefix has no Extensions key of its own; the tests leave none behind.
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean() {
        removeTree(HKEY_LOCAL_MACHINE, Button);
        if (subkeyCount(Extensions) == 0)
            removeTree(HKEY_LOCAL_MACHINE, Extensions);
    }
};

void expectButtonValues(const char* exec, const char* icon, const char* text) {
    EXPECT_TRUE(storedText(Button, "Exec", exec));
    EXPECT_TRUE(storedText(Button, "Icon", icon));
    EXPECT_TRUE(storedText(Button, "HotIcon", icon));
    EXPECT_TRUE(storedText(Button, "ButtonText", text));
    EXPECT_TRUE(storedText(Button, "clsid", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"));
    EXPECT_TRUE(storedText(Button, "Default Visible", "Yes"));
}

TEST_F(BrowserButton, CreateRewritesEveryValueAndTouchesNothingElse) {
    storeText(Button, "Exec", "C:\\Old\\Quolen.exe");
    storeText(Button, "Default Visible", "No");
    storeNumber(Button, "clsid", 1);
    storeText(Button, "MenuText", "kept");
    ASSERT_TRUE(hasBrowserButton());
    EXPECT_TRUE(writeBrowserButton("C:\\Program Files\\Kestrane\\Quolen.exe", "_zelu000.exe,100",
                                   "Software Installer", 1));
    expectButtonValues("C:\\Program Files\\Kestrane\\Quolen.exe", "_zelu000.exe,100",
                       "Software Installer");
    EXPECT_TRUE(storedText(Button, "MenuText", "kept"));
    EXPECT_TRUE(hasBrowserButton());
}

TEST_F(BrowserButton, RemoveDeletesTheButtonAndAnAbsentOneIsNoFailure) {
    ASSERT_TRUE(writeBrowserButton("C:\\Q\\Quolen.exe", "_zelu000.exe,100", "Button", 1));
    storeText((std::string(Extensions) + "\\{Other}").c_str(), "Exec", "other.exe");
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(keyExists(Button));
    EXPECT_FALSE(hasBrowserButton());
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0));
    EXPECT_TRUE(storedText((std::string(Extensions) + "\\{Other}").c_str(), "Exec", "other.exe"));
    removeTree(HKEY_LOCAL_MACHINE, (std::string(Extensions) + "\\{Other}").c_str());
}

TEST_F(BrowserButton, WithoutExtensionsKeyNothingIsFoundOrRemoved) {
    ASSERT_FALSE(keyExists(Extensions));
    EXPECT_FALSE(hasBrowserButton());
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(keyExists(Extensions));
    // Create makes the key where the browser will look for it.
    EXPECT_TRUE(writeBrowserButton("C:\\Q\\Quolen.exe", "_zelu000.exe,100", "Button", 1));
    expectButtonValues("C:\\Q\\Quolen.exe", "_zelu000.exe,100", "Button");
    EXPECT_TRUE(hasBrowserButton());
    // Creating needs every text.
    removeTree(HKEY_LOCAL_MACHINE, Button);
    EXPECT_FALSE(writeBrowserButton("C:\\Q\\Quolen.exe", nullptr, "Button", 1));
    EXPECT_FALSE(keyExists(Button));
}

} // namespace
