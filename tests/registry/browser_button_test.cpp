#include "registry/browser_button.h"

#include "tests/registry/registry_readback.h"

namespace {

using BrowserButton = RegistryState;
const std::string Button = std::string(Extensions) + "\\{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}";

TEST_F(BrowserButton, CreateOverAnExistingButtonRewritesEveryValueAndNothingElse) {
    store(Button, "Exec", sz("C:\\Old\\Quolen.exe"));
    store(Button, "Default Visible", sz("No"));
    store(Button, "clsid", dword(1));
    store(Button, "MenuText", sz("kept"));
    EXPECT_TRUE(
        writeBrowserButton("C:\\K\\Quolen.exe", "_zelu000.exe,100", "Software Installer", 1));
    EXPECT_EQ(sz("C:\\K\\Quolen.exe"), stored(Button, "Exec"));
    EXPECT_EQ(sz("_zelu000.exe,100"), stored(Button, "Icon"));
    EXPECT_EQ(sz("_zelu000.exe,100"), stored(Button, "HotIcon"));
    EXPECT_EQ(sz("Software Installer"), stored(Button, "ButtonText"));
    EXPECT_EQ(sz("{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"), stored(Button, "clsid"));
    EXPECT_EQ(sz("Yes"), stored(Button, "Default Visible"));
    EXPECT_EQ(sz("kept"), stored(Button, "MenuText"));
    EXPECT_TRUE(hasBrowserButton());

    store(std::string(Extensions) + "\\{Other}", "Exec", sz("other.exe"));
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(-1, subkeys(Button));
    EXPECT_FALSE(hasBrowserButton());
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0)); // absent: nothing to do
    EXPECT_EQ(1, subkeys(Extensions));
}

TEST_F(BrowserButton, WithoutExtensionsKeyThereIsNoButtonToFindOrRemove) {
    EXPECT_FALSE(hasBrowserButton());
    EXPECT_TRUE(writeBrowserButton(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(-1, subkeys(Extensions));
    EXPECT_FALSE(writeBrowserButton("C:\\K\\Quolen.exe", nullptr, "Button", 1));
    EXPECT_EQ(-1, subkeys(Extensions));
}

} // namespace
