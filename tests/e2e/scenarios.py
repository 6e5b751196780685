"""End-to-end scenarios: setup.exe on real media in a fresh Windows environment (a Wine prefix
of its own), inspected the way an administrator would: registry, files, shortcuts (lnkinfo),
restart operations, exit codes and the windows shown.

Run one class or all:  python3 tests/e2e/scenarios.py [-v] [FreshInstall ...]
Needs a Windows build (setup.exe, the stand-ins, ui_driver.exe) and its Wine template:
ZEL_BUILD_DIR (default build/win64) and ZEL_WINE_ARCH (win64, or win32 for the i686 build).
"""

import json
import os
import random
import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "scripts" / "lib"))
from winenv import WineEnv, require, wait_until  # noqa: E402

BUILD = Path(os.environ.get("ZEL_BUILD_DIR", ROOT / "build" / "win64"))
BIN = BUILD / "bin"
LOCALES = Path(os.environ.get("ZEL_LOCALES", BUILD / "locales"))
WORK = BUILD / "e2e"

PRODUCT_KEY = r"HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KestraneSoftwareInstaller"
BUTTON_KEY = (r"HKLM\SOFTWARE\Microsoft\Internet Explorer\Extensions"
              r"\{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}")
RESULT_KEY = r"HKCU\SOFTWARE\NRX\KestraneSoftwareInstaller"
SESSION_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager"

ENGLISH_NAME = "Kestrane Software Installer"
GERMAN_NAME = "Kestrane Software-Installationsprogramm"
ENGLISH_FOLDER = "C:\\Program Files\\Kestrane\\Software Installer"
GERMAN_FOLDER = "C:\\Program Files\\Kestrane\\Software-Installation"
COMMON_PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"
COMMON_START_MENU = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"
ENGLISH_MENU = COMMON_PROGRAMS + "\\Kestrane Software Installer"
GERMAN_MENU = COMMON_PROGRAMS + "\\Kestrane Software-Installation"

PROGRAM_FILES = ["Quolen.exe", "ZelSetup.dat", "ZelSetup.dll", "ZELSYSID.sys", "ZELSYSID.vxd",
                 "zelliba.dll", "zellibb.dll", "unicows.dll", "ZELNTDEV.sys", "ZelFlash.dll"]
CAPTION = "Installation Program"
UNINSTALL_CAPTION = "Uninstallation Program"
GERMAN_CAPTION = "Installationsprogramm"

GERMAN = {"LANG": "de_DE.UTF-8"}


class Scenario(unittest.TestCase):
    """A fresh prefix per test, with a persistent server kept for the whole test so that
    restart operations stay pending and can be read back."""

    display = None

    def setUp(self):
        name = f"{type(self).__name__}.{self._testMethodName}"
        self.folder = WORK / name
        shutil.rmtree(self.folder, ignore_errors=True)
        self.env = WineEnv(self.folder / "wine", BUILD / "wine-template",
                           display=self.display, locales=LOCALES).create()
        self.env.start()

    def tearDown(self):
        self.env.stop()
        if not os.environ.get("ZEL_KEEP_E2E"):
            shutil.rmtree(self.folder, ignore_errors=True)

    # -- media and runs -----------------------------------------------------------------
    def media(self, form="ini", name="media", edit=None):
        """Sample media; edit(folder) may change them."""
        folder = self.folder / name
        subprocess.run([str(ROOT / "scripts" / "make-media"), str(folder), f"--{form}"],
                       check=True, env={**os.environ, "ZEL_BUILD_DIR": str(BUILD)})
        if edit:
            edit(folder)
        return folder

    def setup(self, media, *args, env=None):
        return self.env.run(media / "setup.exe", list(args), env=env)

    def start_setup(self, media, *args, env=None):
        return self.env.run(media / "setup.exe", list(args), env=env, wait=False)

    def uninstaller(self, *args, env=None):
        return self.env.run("C:\\windows\\_zelu000.exe", list(args), env=env)

    def start_manager(self, *args):
        """The installed package manager (the stand-in), named from the product key."""
        manager = self.env.run(f"{ENGLISH_FOLDER}\\Quolen.exe", list(args), wait=False)
        if "--no-window" in args:
            # Its mutex exists once it has logged its start.
            log = self.path(f"{ENGLISH_FOLDER}\\standin.log")
            self.assertTrue(wait_until(lambda: log.exists() and "started" in log.read_text()))
            time.sleep(0.5)
        else:
            self.assertFalse(self.absent(f"title={ENGLISH_NAME}", 10000),
                             "the stand-in's window did not come")
        return manager

    def ui(self, *args):
        code, out = self.env.output(BIN / "ui_driver.exe", list(args), timeout=60)
        return code, out.strip()

    def read(self, kind="options"):
        """What a window shows: caption, text, folder, icon, and its controls by id as
        (class, text, visible, enabled, readonly, check)."""
        code, out = self.ui(kind, "read")
        self.assertEqual(0, code, f"no {kind} window")
        shown = {"controls": {}}
        for line in out.splitlines():
            name, _, value = line.partition("=")
            if name == "control":
                fields = value.split("|")
                shown["controls"][int(fields[0])] = tuple(fields[1:])
            else:
                shown[name] = value
        return shown

    def click(self, *ids, kind="options"):
        arguments = [kind]
        for control in ids:
            arguments += ["click", str(control)]
        self.assertEqual(0, self.ui(*arguments)[0], f"no {kind} window to click")

    def box(self, button=None):
        """Reads the message box and presses button (default: its first); returns
        (text, caption, buttons)."""
        shown = self.read("message")
        buttons = [i for i in (1, 2, 3, 4, 5, 6, 7) if i in shown["controls"]
                   and shown["controls"][i][2] == "visible"]
        self.assertEqual("yes", shown["icon"])
        self.click(button or buttons[0], kind="message")
        return shown["text"], shown["caption"], buttons

    def absent(self, kind, milliseconds):
        return self.ui(kind, "absent", str(milliseconds))[0] == 0

    def finish(self, process, timeout=60):
        return process.wait(timeout)

    # -- inspection ---------------------------------------------------------------------
    def values(self, key):
        return self.env.reg_values(key)

    def value(self, key, name):
        values = self.values(key) or {}
        return values.get(name, (None, None))[1]

    def result_value(self):
        return self.value(RESULT_KEY, "Setup")

    def path(self, windows_path):
        return self.env.unix(windows_path)

    def exists(self, windows_path):
        return self.env.exists(windows_path)

    def desktop(self):
        return f"C:\\users\\{self.env.user}\\Desktop"

    def link(self, windows_path):
        self.assertTrue(self.exists(windows_path), f"no shortcut {windows_path}")
        return WineEnv.lnkinfo(self.path(windows_path))

    def assert_link(self, windows_path, target):
        """A link to target (as setup passes it): the shell stores the target path normalised;
        working folder and icon keep it as given."""
        info = self.link(windows_path)
        self.assertEqual(target.replace("\\\\", "\\"), info.get("Local path"))
        self.assertEqual(target[:target.rindex("\\")], info.get("Working directory"))
        self.assertEqual(target, info.get("Icon location"))
        self.assertEqual("1", info.get("Icon index"))
        self.assertNotIn("Command line arguments", info)

    def pending(self):
        return self.env.pending_renames()

    def file_digest(self, windows_path):
        return self.path(windows_path).read_bytes()

    def assert_installed(self, folder, name, version, menu, release_file):
        self.assertEqual("0000", self.result_value())
        product = self.values(PRODUCT_KEY)
        self.assertEqual(("REG_SZ", folder), product["ProgDir"])
        self.assertEqual(("REG_SZ", folder + "\\Quolen.exe"), product[""])
        self.assertEqual(("REG_SZ", name), product["Name"])
        self.assertEqual(("REG_SZ", version), product["Version"])
        self.assertEqual(("REG_SZ", menu), product["MenuDir"])
        self.assertEqual("REG_DWORD", product["InternetFunction"][0])
        self.assertIn("DownloadDir", product)
        entry = self.values(UNINSTALL_KEY)
        self.assertEqual(("REG_SZ", "_zelu000.exe /U"), entry["UninstallString"])
        self.assertEqual(("REG_SZ", "C:\\windows\\_zelu000.exe,0"), entry["DisplayIcon"])
        self.assertEqual(("REG_SZ", version), entry["DisplayVersion"])
        for file in PROGRAM_FILES + [release_file]:
            self.assertTrue(self.exists(f"{folder}\\{file}"), file)
        self.assertEqual(self.path(f"{folder}\\Quolen.exe").read_bytes(),
                         (BIN / "quolen_standin.exe").read_bytes())
        self.assertEqual(self.path("C:\\windows\\_zelu000.exe").read_bytes(),
                         (BIN / "setup.exe").read_bytes())


class FreshInstall(Scenario):
    def test_silent_catalog_install_on_a_german_system(self):
        media = self.media("catalog")
        self.assertEqual(0, self.setup(media, "/S", env=GERMAN))
        self.assert_installed(GERMAN_FOLDER, GERMAN_NAME, "1.05.0000", GERMAN_MENU, "ZelSetup.xml")
        self.assertEqual(("REG_SZ", GERMAN_NAME), self.values(UNINSTALL_KEY)["DisplayName"])
        product = self.values(PRODUCT_KEY)
        self.assertEqual(("REG_DWORD", "0x1"), product["InternetFunction"])  # [RADAR] FILE
        # No search folder exists: \DRIVERS on the Windows drive becomes the download folder.
        self.assertEqual(("REG_SZ", "C:\\DRIVERS"), product["DownloadDir"])
        self.assertTrue(self.path("C:\\DRIVERS").is_dir())
        search = self.env.reg_query(PRODUCT_KEY + "\\SearchPath")
        registered = sorted(v[""][1] for v in search.values() if "" in v)
        self.assertEqual(["C:\\DRIVERS", "C:\\SWTOOLS\\DRIVERS"], registered)
        button = self.values(BUTTON_KEY)
        self.assertEqual(("REG_SZ", GERMAN_FOLDER + "\\\\Quolen.exe"), button["Exec"])
        self.assertEqual(("REG_SZ", "_zelu000.exe,100"), button["Icon"])
        self.assertEqual(("REG_SZ", "Yes"), button["Default Visible"])
        # Silent and fresh: the icon choices start from shortcuts that do not exist yet, so
        # only the menu folder's shortcut is made.
        self.assert_link(f"{GERMAN_MENU}\\{GERMAN_NAME}.lnk", GERMAN_FOLDER + "\\\\Quolen.exe")
        self.assertFalse(self.exists(f"{self.desktop()}\\{GERMAN_NAME}.lnk"))
        self.assertFalse(self.exists(f"{COMMON_START_MENU}\\{GERMAN_NAME}.lnk"))
        self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\ZelSetup.ini"))

    def test_silent_release_file_install_on_an_english_system(self):
        media = self.media("ini")
        self.assertEqual(0, self.setup(media, "/S"))
        self.assert_installed(ENGLISH_FOLDER, ENGLISH_NAME, "1.05.0000", ENGLISH_MENU,
                              "ZelSetup.ini")
        self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\ZelSetup.xml"))
        self.assert_link(f"{ENGLISH_MENU}\\{ENGLISH_NAME}.lnk", ENGLISH_FOLDER + "\\\\Quolen.exe")


class Interactive(Scenario):
    def test_dialog_ok_progress_to_eight_and_completed_box(self):
        media = self.media("ini")
        # Wine's progress bar reports each position it is moved to.
        run = self.start_setup(media, env={"WINEDEBUG": "trace+progress"})
        dialog = self.read()
        self.assertEqual(CAPTION, dialog["caption"])
        self.assertEqual("This program will be installed in the following folder:",
                         dialog["text"])
        self.assertEqual(("Edit", ENGLISH_FOLDER, "visible", "enabled", "-", "0"),
                         dialog["controls"][1000])
        # Both icons chosen: the three shortcuts.
        self.click(1006, 1021, 1)
        self.assertEqual(("Completed.", CAPTION, [1]), self.box())
        self.assertEqual(0, self.finish(run))
        positions = re.findall(r"PBM_SETPOS: current pos changed from \d+ to (\d+)",
                               run.traces())
        self.assertEqual([str(p) for p in range(1, 9)], positions)
        target = ENGLISH_FOLDER + "\\\\Quolen.exe"
        self.assert_link(f"{self.desktop()}\\{ENGLISH_NAME}.lnk", target)
        self.assert_link(f"{COMMON_START_MENU}\\{ENGLISH_NAME}.lnk", target)
        self.assert_link(f"{ENGLISH_MENU}\\{ENGLISH_NAME}.lnk", target)
        self.assertEqual("0000", self.result_value())

    def test_cancel_in_the_dialog_and_no_in_the_confirmation_write_nothing(self):
        media = self.media("ini")
        run = self.start_setup(media)
        self.click(2)
        self.assertEqual(0, self.finish(run))
        self.assertIsNone(self.values(PRODUCT_KEY))
        self.assertIsNone(self.result_value())
        self.assertFalse(self.exists(ENGLISH_FOLDER))

        self.assertEqual(0, self.setup(media, "/S"))
        self.env.run("reg", ["delete", RESULT_KEY, "/v", "Setup", "/f"])
        before = self.values(PRODUCT_KEY)
        run = self.env.run("C:\\windows\\_zelu000.exe", ["/U"], wait=False)
        self.assertEqual(("Are you sure you want to remove the selected program from this "
                          "computer?", UNINSTALL_CAPTION, [6, 7]), self.box(7))
        self.assertEqual(0, self.finish(run))
        self.assertEqual(before, self.values(PRODUCT_KEY))
        self.assertIsNone(self.result_value())
        self.assertTrue(self.exists(f"{ENGLISH_FOLDER}\\Quolen.exe"))


def set_release(folder, name=None, version=None):
    """Changes NAME / VERSION of the release file of INI media."""
    path = folder / "Quolen.zel"
    text = path.read_text()
    if name is not None:
        text = text.replace("NAME=%NAME%", f"NAME={name}")
    if version is not None:
        text = text.replace("VERSION=1.05.0000", f"VERSION={version}")
    path.write_text(text)


class Reinstall(Scenario):
    def test_reinstall_keeps_folder_icons_and_download_folder(self):
        first = self.media("catalog")
        run = self.start_setup(first, env=GERMAN)
        self.click(1006, 1)  # desktop icon only
        self.assertEqual(("Vorgang abgeschlossen.", GERMAN_CAPTION, [1]), self.box())
        self.assertEqual(0, self.finish(run))
        self.env.run("reg", ["add", PRODUCT_KEY, "/v", "DownloadDir", "/d", "D:\\Mine", "/f"])

        # The setup data now name another folder: a reinstall keeps the recorded one.
        second = self.media("catalog", "media2", edit=lambda m: (m / "ZelSetup.dat").write_text(
            (m / "ZelSetup.dat").read_text().replace("Software-Installation\r", "Anderswo\r")))
        run = self.start_setup(second, env=GERMAN)
        controls = self.read()["controls"]
        self.assertEqual(("Edit", GERMAN_FOLDER, "visible", "enabled", "readonly", "0"),
                         controls[1000])
        self.assertEqual("disabled", controls[1003][3])
        self.assertEqual(("visible", "2"), (controls[1006][2], controls[1006][5]))  # preset
        self.assertEqual(("visible", "0"), (controls[1021][2], controls[1021][5]))
        self.click(1)
        self.box()
        self.assertEqual(0, self.finish(run))
        product = self.values(PRODUCT_KEY)
        self.assertEqual(("REG_SZ", GERMAN_FOLDER), product["ProgDir"])
        self.assertEqual(("REG_SZ", "D:\\Mine"), product["DownloadDir"])
        self.assert_link(f"{self.desktop()}\\{GERMAN_NAME}.lnk", GERMAN_FOLDER + "\\\\Quolen.exe")
        self.assertFalse(self.exists(f"{COMMON_START_MENU}\\{GERMAN_NAME}.lnk"))

        # Silent reinstall: the existing shortcut presets the choice, and it is kept.
        self.assertEqual(0, self.setup(second, "/S", env=GERMAN))
        self.assert_link(f"{self.desktop()}\\{GERMAN_NAME}.lnk", GERMAN_FOLDER + "\\\\Quolen.exe")


class Upgrade(Scenario):
    def test_renamed_product_replaces_the_old_names_shortcuts(self):
        old = self.media("ini", "old", edit=lambda m: set_release(m, name="Quolen Classic"))
        run = self.start_setup(old)
        self.click(1006, 1021, 1)
        self.box()
        self.finish(run)
        for folder in (self.desktop(), COMMON_START_MENU, ENGLISH_MENU):
            self.assertTrue(self.exists(f"{folder}\\Quolen Classic.lnk"))

        new = self.media("ini", "new")
        self.assertEqual(0, self.setup(new, "/S"))
        target = ENGLISH_FOLDER + "\\\\Quolen.exe"
        for folder in (self.desktop(), COMMON_START_MENU, ENGLISH_MENU):
            self.assertFalse(self.exists(f"{folder}\\Quolen Classic.lnk"), folder)
            self.assert_link(f"{folder}\\{ENGLISH_NAME}.lnk", target)
        self.assertEqual(("REG_SZ", ENGLISH_NAME), self.values(PRODUCT_KEY)["Name"])


class RunningManager(Scenario):
    def assert_replaced_at_restart(self, old_dll):
        self.assertEqual("0000", self.result_value())
        # Nothing installed changed now ...
        self.assertEqual(old_dll, self.file_digest(f"{ENGLISH_FOLDER}\\ZelSetup.dll"))
        # ... and every destination is deleted, then replaced, at the next start.
        pending = self.pending()
        self.assertEqual(24, len(pending), pending)
        temp = f"C:\\users\\{self.env.user}\\Temp\\"
        destinations = ["C:\\windows\\_zelu000.exe"] + [
            f"{ENGLISH_FOLDER}\\{name}" for name in
            ["Quolen.exe", "ZelSetup.ini"] + PROGRAM_FILES[1:]]
        for (deleted, gone), (staged, target), destination in zip(
                pending[0::2], pending[1::2], destinations):
            self.assertEqual(("\\??\\" + destination, ""), (deleted, gone))
            self.assertEqual("\\??\\" + temp + destination.rsplit("\\", 1)[1], staged)
            self.assertEqual("\\??\\" + destination, target.lstrip("!"))

    def second_media(self, **release):
        def edit(m):
            (m / "ZelSetup.dll").write_text("second release\r\n")
            set_release(m, **release)
        return self.media("ini", "second", edit=edit)

    def test_window_of_an_older_release_defers_the_files(self):
        self.assertEqual(0, self.setup(self.media("ini", edit=lambda m: set_release(
            m, version="1.02.0000")), "/S"))
        old_dll = self.file_digest(f"{ENGLISH_FOLDER}\\ZelSetup.dll")
        self.start_manager("--no-mutex")
        self.assertEqual(0, self.setup(self.second_media(), "/S"))
        self.assert_replaced_at_restart(old_dll)

    def test_mutex_of_a_newer_release_defers_the_files_and_prompts_for_restart(self):
        self.assertEqual(0, self.setup(self.media("ini"), "/S"))
        old_dll = self.file_digest(f"{ENGLISH_FOLDER}\\ZelSetup.dll")
        self.start_manager("--no-window")
        run = self.start_setup(self.second_media(), env={"WINEDEBUG": "fixme+setupapi"})
        self.click(1)
        self.assertEqual(0, self.finish(run))
        self.assert_replaced_at_restart(old_dll)
        # The restart prompt (a stub under Wine) instead of the "Completed." box.
        self.assertIn("SetupPromptReboot", run.traces())
        self.assertTrue(self.absent("message", 1500))

    def test_relaunch_waits_for_the_manager_then_opens_it(self):
        self.assertEqual(0, self.setup(self.media("ini"), "/S"))
        old_dll = self.file_digest(f"{ENGLISH_FOLDER}\\ZelSetup.dll")
        manager = self.start_manager("--no-window", "--exit-after", "3000")
        self.assertEqual(0, self.setup(self.second_media(), "/O", "/S"))
        self.assertIsNotNone(manager.popen.poll(), "setup went on before the manager ended")
        self.assertEqual([], self.pending())
        self.assertNotEqual(old_dll, self.file_digest(f"{ENGLISH_FOLDER}\\ZelSetup.dll"))
        log = self.path(f"{ENGLISH_FOLDER}\\standin.log")
        self.assertTrue(wait_until(lambda: log.read_text().count("started") == 2))
        self.assertIn("started []", log.read_text().splitlines()[1])


class Uninstall(Scenario):
    def install_with_records(self):
        run = self.start_setup(self.media("ini"))
        self.click(1006, 1021, 1)
        self.box()
        self.finish(run)
        self.env.run("reg", ["add", PRODUCT_KEY + "\\Install\\QUOLEN", "/v", "Version",
                             "/d", "1.05", "/f"])
        self.env.run("reg", ["add", PRODUCT_KEY + "\\SearchPath\\E:\\Other", "/ve", "/d",
                             "E:\\Other", "/f"])

    def assert_uninstalled(self):
        self.assertEqual("0000", self.result_value())
        for file in PROGRAM_FILES + ["ZelSetup.ini"]:
            self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\{file}"), file)
        self.assertTrue(self.exists(ENGLISH_FOLDER), "the program folder stays")
        self.assertTrue(self.exists("C:\\windows\\_zelu000.exe"))
        self.assertEqual([("\\??\\C:\\windows\\_zelu000.exe", "")], self.pending())
        for folder in (self.desktop(), COMMON_START_MENU):
            self.assertFalse(self.exists(f"{folder}\\{ENGLISH_NAME}.lnk"))
        self.assertFalse(self.exists(ENGLISH_MENU))
        tree = self.env.reg_query(PRODUCT_KEY)
        self.assertEqual({"InternetFunction"}, set(tree[PRODUCT_KEY]))
        self.assertIn(PRODUCT_KEY + "\\Install\\QUOLEN", tree)
        self.assertFalse([k for k in tree if "SearchPath" in k])
        self.assertIsNone(self.values(UNINSTALL_KEY))
        self.assertIsNone(self.values(BUTTON_KEY))

    def test_silent_uninstall_from_the_entrys_command(self):
        self.install_with_records()
        command = self.value(UNINSTALL_KEY, "UninstallString")
        program, switch = command.split(" ")
        self.assertEqual(0, self.env.run(program, [switch, "/S"]))
        self.assert_uninstalled()

    def test_uninstall_after_a_file_was_deleted_by_hand(self):
        self.install_with_records()
        self.path(f"{ENGLISH_FOLDER}\\zelliba.dll").unlink()
        self.assertEqual(0, self.uninstaller("/S", "/U"))
        self.assert_uninstalled()

    def test_uninstall_stopped_half_way_is_finished_by_an_install_first(self):
        self.assertEqual(0, self.setup(self.media("ini"), "/S"))
        # The registry step fails after the program folder's values went.
        self.env.run("reg", ["delete", PRODUCT_KEY, "/v", "DownloadDir", "/f"])
        self.assertEqual(12, self.uninstaller("/S", "/U"))
        self.assertEqual("000C", self.result_value())
        self.assertIsNone(self.value(PRODUCT_KEY, "ProgDir"))
        self.assertEqual(8, self.uninstaller("/S", "/U"), "the uninstaller alone cannot finish")

        self.assertEqual(0, self.setup(self.media("ini", "again"), "/S"))
        self.assertEqual(0, self.uninstaller("/S", "/U"))
        self.assertEqual("0000", self.result_value())
        self.assertEqual({PRODUCT_KEY: {"InternetFunction"}},
                         {k: set(v) for k, v in self.env.reg_query(PRODUCT_KEY).items()})
        self.assertIsNone(self.values(UNINSTALL_KEY))
        for file in PROGRAM_FILES + ["ZelSetup.ini"]:
            self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\{file}"), file)
        self.assertFalse(self.exists(ENGLISH_MENU))
        self.assertEqual({("\\??\\C:\\windows\\_zelu000.exe", "")}, set(self.pending()))

    def test_confirmed_uninstall(self):
        self.install_with_records()
        run = self.env.run("C:\\windows\\_zelu000.exe", ["/U"], wait=False)
        self.assertEqual(UNINSTALL_CAPTION, self.box(6)[1])  # Yes
        self.assertEqual(("Completed.", UNINSTALL_CAPTION, [1]), self.box())
        self.assertEqual(0, self.finish(run))
        self.assert_uninstalled()


class NoShellItems(Scenario):
    def test_w_touches_no_shortcuts_and_leaves_out_the_display_name(self):
        media = self.media("ini")
        run = self.start_setup(media, "/W")
        controls = self.read()["controls"]
        self.assertEqual("hidden", controls[1006][2])
        self.assertEqual("hidden", controls[1021][2])
        self.click(1)
        self.box()
        self.assertEqual(0, self.finish(run))
        self.assertFalse(self.exists(ENGLISH_MENU))
        entry = self.values(UNINSTALL_KEY)
        self.assertNotIn("DisplayName", entry)
        self.assertEqual(("REG_SZ", "_zelu000.exe /U"), entry["UninstallString"])


class WindowsNineX(Scenario):
    """Wine's win98 mode for the setup program and its uninstaller copy, with the media's
    stand-in Unicode layer in place of Wine's builtin one."""

    def setUp(self):
        super().setUp()
        for program in ("setup.exe", "_zelu000.exe"):
            key = f"HKCU\\Software\\Wine\\AppDefaults\\{program}"
            self.env.run("reg", ["add", key, "/v", "Version", "/d", "win98", "/f"])
            self.env.run("reg", ["add", key + "\\DllOverrides", "/v", "unicows", "/d", "native",
                                 "/f"])

    def rename_section(self):
        path = self.path("C:\\windows\\WININIT.INI")
        if not path.exists():
            return None
        lines = path.read_bytes().decode("latin-1").split("\r\n")
        start = lines.index("[rename]")
        section = []
        for line in lines[start + 1:]:
            if line.startswith("[") or not line:
                break
            section.append(line)
        return section

    def test_install_and_uninstall_write_the_rename_section(self):
        user_menu = (f"C:\\users\\{self.env.user}\\AppData\\Roaming\\Microsoft\\Windows"
                     "\\Start Menu\\Programs\\Kestrane Software Installer")
        self.assertEqual(0, self.setup(self.media("ini"), "/S"))
        self.assert_installed(ENGLISH_FOLDER, ENGLISH_NAME, "1.05.0000", user_menu,
                              "ZelSetup.ini")
        self.assertIsNone(self.rename_section(), "nothing in use: nothing for the restart")
        self.assertEqual([], self.pending())

        self.assertEqual(0, self.uninstaller("/S", "/U"))
        self.assertEqual("0000", self.result_value())
        self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\Quolen.exe"))
        self.assertEqual(["NUL=C:\\windows\\_zelu000.exe"], self.rename_section())
        self.assertEqual([], self.pending(), "the 9x family uses no MoveFileEx")

    def test_files_in_use_are_replaced_through_the_rename_section(self):
        self.assertEqual(0, self.setup(self.media("ini"), "/S"))
        self.start_manager("--no-window")
        self.assertEqual(0, self.setup(self.media("ini", "second"), "/S"))
        section = self.rename_section()
        self.assertEqual(12, len(section), section)
        short_program = section[1].split("=")[0].rsplit("\\", 1)[0]
        self.assertEqual("C:\\windows\\_zelu000.exe", section[0].split("=")[0])
        for line in section:
            target, source = line.split("=")
            self.assertEqual(target.rsplit("\\", 1)[1].lower(), source.rsplit("\\", 1)[1].lower())
            self.assertNotIn(" ", target + source, "short paths only")
        self.assertTrue(all(line.startswith(short_program) for line in section[1:]))

    def test_without_the_unicode_layer_the_load_fails(self):
        media = self.media("ini")
        (media / "unicows.dll").unlink()
        self.assertEqual(8, self.setup(media, "/S"))
        self.assertEqual("0008", self.result_value())
        self.assertIsNone(self.values(PRODUCT_KEY))


class Preflight(Scenario):
    """zelcat check tells what setup.exe records: on an English, a German and a Japanese system
    the product name, version, program folder and menu folder of its report are those the
    install writes (with the report's folders set to this system's)."""

    LANGUAGES = (("en_US.UTF-8", "0409", "cp1252"), ("de_DE.UTF-8", "0407", "cp1252"),
                 ("ja_JP.UTF-8", "0411", "cp932"))

    def test_the_report_is_what_setup_records(self):
        media = self.media("catalog")
        windows_media = "Z:" + str(media).replace("/", "\\")
        for locale, language, encoding in self.LANGUAGES:
            with self.subTest(language):
                code, out = self.env.output(BIN / "zelcat.exe", [
                    "check", windows_media, "--lang", language, "--json",
                    "--program-files", "C:\\Program Files", "--start-menu", COMMON_START_MENU])
                self.assertEqual(0, code, out)
                report = json.loads(out)["languages"][0]
                self.assertEqual(0, self.setup(media, "/S", env={"LANG": locale}))
                # As reg prints them on a system of that language.
                installed = self.env.reg_values(PRODUCT_KEY, {"LANG": locale}, encoding)
                self.assertEqual(
                    tuple(installed[name][1] for name in ("Name", "Version", "ProgDir", "MenuDir")),
                    (report["productName"], report["version"], report["programFolder"],
                     report["menuFolder"]["NT"]))
                self.assertEqual(0, self.uninstaller("/S", "/U"))


class BothBuilds(Scenario):
    """The shipped i686 build and the x86_64 build, each under its own loader in a prefix of its
    own, leave the same registry values, files and shortcuts: after a silent install from
    catalog media on a German system (shortcuts found on the desktop and in the Start menu
    preset both icons, so all three are made), and after the uninstall by the entry's command.
    Runs in the i686 build's tests; ZEL_PEER_BUILD_DIR is the x86_64 build."""

    SOURCES = {"Quolen.exe": "Quolen", "ZelSetup.xml": "NRXZEL.xml", "_zelu000.exe": "setup.exe"}

    def state(self, env, media):
        """What the product left behind, in terms that do not depend on the build: registry
        values, each file as the media file it is a copy of, shortcut contents, restart
        operations."""
        state = {}
        for key in (PRODUCT_KEY, UNINSTALL_KEY, BUTTON_KEY, RESULT_KEY):
            for path, values in env.reg_query(key).items():
                state.update({("registry", path, name): data for name, data in values.items()})
        for folder in ("C:\\Program Files\\Kestrane", "C:\\windows"):
            root = env.unix(folder)
            for path in root.rglob("*") if folder.endswith("Kestrane") else [root / "_zelu000.exe"]:
                if path.is_file():
                    copy = media / self.SOURCES.get(path.name, path.name)
                    same = copy.is_file() and copy.read_bytes() == path.read_bytes()
                    state[("file", folder, str(path.relative_to(root)))] = (
                        f"copy of {copy.name}" if same else f"{path.stat().st_size} bytes")
        for folder in (f"C:\\users\\{env.user}\\Desktop", COMMON_START_MENU):
            root = env.unix(folder)
            for link in root.rglob("*.lnk"):
                info = WineEnv.lnkinfo(link)
                state[("shortcut", folder, str(link.relative_to(root)))] = tuple(
                    info.get(f) for f in ("Local path", "Working directory", "Icon location",
                                          "Icon index", "Command line arguments"))
        state[("restart",)] = tuple(env.pending_renames())
        return state

    def install_and_uninstall(self, env, build):
        media = self.folder / f"media-{env.arch}"
        subprocess.run([str(ROOT / "scripts" / "make-media"), str(media), "--catalog"],
                       check=True, env={**os.environ, "ZEL_BUILD_DIR": str(build)})
        for folder in (f"C:\\users\\{env.user}\\Desktop", COMMON_START_MENU):
            env.unix(f"{folder}\\{GERMAN_NAME}.lnk").write_bytes(b"")
        self.assertEqual(0, env.run(media / "setup.exe", ["/S"], env=GERMAN))
        installed = self.state(env, media)
        command = env.reg_values(UNINSTALL_KEY)["UninstallString"][1].split(" ")
        self.assertEqual(0, env.run(command[0], command[1:] + ["/S"], env=GERMAN))
        return installed, self.state(env, media)

    def test_both_builds_leave_the_same_state(self):
        peer_build = Path(os.environ["ZEL_PEER_BUILD_DIR"])
        self.assertTrue((peer_build / "bin" / "setup.exe").is_file(),
                        f"no {peer_build}/bin/setup.exe: build the win64 preset")
        peer = WineEnv(self.folder / "peer", peer_build / "wine-template", locales=LOCALES,
                       arch="win64").create()
        peer.start()
        try:
            installed, uninstalled = self.install_and_uninstall(self.env, BUILD)
            peer_installed, peer_uninstalled = self.install_and_uninstall(peer, peer_build)
        finally:
            peer.stop()
        self.assertEqual(peer_installed, installed)
        self.assertEqual(peer_uninstalled, uninstalled)
        # The comparison saw the whole product.
        self.assertEqual(3, sum(1 for k in installed if k[0] == "shortcut"))
        self.assertEqual(12, sum(1 for k, v in installed.items()
                                 if k[0] == "file" and v.startswith("copy of")))


def garbage(size=4096):
    generator = random.Random(1999)
    return bytes(generator.randrange(256) for _ in range(size))


class BadMedia(Scenario):
    """Each broken media set ends with the step code of the failed group and changes nothing
    outside the temporary folder."""

    def assert_nothing_installed(self, folder=ENGLISH_FOLDER):
        self.assertIsNone(self.values(PRODUCT_KEY))
        self.assertIsNone(self.values(UNINSTALL_KEY))
        self.assertIsNone(self.values(BUTTON_KEY))
        self.assertFalse(self.exists(folder))
        self.assertFalse(self.exists("C:\\windows\\_zelu000.exe"))
        self.assertFalse(self.exists(ENGLISH_MENU))

    def test_broken_setup_data_and_catalogs_fail_initialization(self):
        def remove(name):
            return lambda m: (m / name).unlink()

        def write(name, data):
            return lambda m: (m / name).write_bytes(data)

        def edit(name, old, new):
            return lambda m: (m / name).write_text((m / name).read_text().replace(old, new))

        catalog = (ROOT / "scripts" / "sample-media" / "NRXZEL.xml").read_bytes()
        cases = {
            "missing ZelSetup.dat": ("ini", remove("ZelSetup.dat")),
            "release file without XRELEASE": ("ini", edit("Quolen.zel", "XRELEASE=1", "")),
            "catalog of 0 bytes": ("catalog", write("NRXZEL.xml", b"")),
            "truncated catalog": ("catalog", write("NRXZEL.xml", catalog[:len(catalog) // 2])),
            "single-quoted catalog": ("catalog", write("NRXZEL.xml", catalog.replace(
                b'version="1.0"', b"version='1.0'"))),
            "binary garbage catalog": ("catalog", write("NRXZEL.xml", garbage())),
            "title selection pointing nowhere": ("catalog", write("NRXZEL.xml", catalog.replace(
                b'zelpath="names/title"', b'zelpath="names/nothing"'))),
            "missing TARGET": ("ini", edit("ZelSetup.dat", "TARGET=%TARGET%", "")),
            "missing GROUP": ("ini", edit("ZelSetup.dat", "GROUP=%GROUP%", "")),
            # The folder fits, but its Quolen.exe path (with the doubled backslash) does not.
            "program folder of 249 characters": ("ini", edit(
                "ZelSetup.dat", "TARGET=%TARGET%", "TARGET=" + "k" * 232)),
        }
        for number, (what, (form, change)) in enumerate(cases.items()):
            with self.subTest(what):
                media = self.media(form, f"media{number}", edit=change)
                self.assertEqual(8, self.setup(media, "/S"))
                self.assertEqual("0008", self.result_value())
                self.assert_nothing_installed()

    def test_initialization_failure_is_reported(self):
        media = self.media("ini", edit=lambda m: (m / "ZelSetup.dat").unlink())
        run = self.start_setup(media)
        self.assertEqual(("Failed in operation for initialization.", CAPTION, [1]), self.box())
        self.assertEqual(8, self.finish(run))

    def test_missing_media_file_fails_the_staging_and_changes_nothing(self):
        media = self.media("ini", edit=lambda m: (m / "Quolen").unlink())
        run = self.start_setup(media)
        self.click(1)
        self.assertEqual(("Failed in operation for files.", CAPTION, [1]), self.box())
        self.assertEqual(9, self.finish(run))
        self.assertEqual("0009", self.result_value())
        self.assert_nothing_installed()

    def test_read_only_program_folder_fails_the_files_step(self):
        folder = self.path(ENGLISH_FOLDER)
        folder.mkdir(parents=True)
        # Wine ignores the read-only attribute of folders, and these tests may run as root:
        # the folder is made immutable for Unix itself.
        locked = subprocess.run(["chattr", "+i", str(folder)], capture_output=True).returncode == 0
        if not locked:
            folder.rmdir()
            folder.write_text("a file where the program folder should be\n")
        try:
            self.assertEqual(9, self.setup(self.media("ini"), "/S"))
            self.assertEqual("0009", self.result_value())
            self.assertIsNone(self.values(PRODUCT_KEY))
            self.assertFalse(self.exists(f"{ENGLISH_FOLDER}\\Quolen.exe"))
        finally:
            if locked:
                subprocess.run(["chattr", "-i", str(folder)])


if __name__ == "__main__":
    require()
    unittest.main()
