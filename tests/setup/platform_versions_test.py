#!/usr/bin/env python3
"""setup.exe on the Windows versions that its platform checks refuse or let pass, as Wine shows
them in a prefix of this test's own: NT 4.0 (build 1381) with a chosen service-pack text, read
from the registry when no Version value is set, and Windows 95 through a per-program Version.

Expected: Service Pack 3 and no service pack end the install with 13 (box string 13 under
caption 14, "Setup" = "000D"); Service Pack 6a passes; Windows 95 ends with 15."""

import os
import subprocess
import sys
import tempfile
from pathlib import Path

SOURCE = Path(os.environ["ZEL_SOURCE_DIR"])
BUILD = Path(os.environ["ZEL_BUILD_DIR"])
sys.path.insert(0, str(SOURCE / "scripts" / "lib"))
from winenv import WineEnv, require  # noqa: E402

NT = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
SERVICE_PACK_NUMBER = r"HKLM\System\CurrentControlSet\Control\Windows"
RESULT = r"HKCU\SOFTWARE\NRX\KestraneSoftwareInstaller"
PER_PROGRAM = r"HKCU\Software\Wine\AppDefaults\setup.exe"
failures = []


def check(what, expected, actual):
    print(f"{'ok  ' if expected == actual else 'FAIL'} {what}: {actual!r}"
          + ("" if expected == actual else f" (expected {expected!r})"))
    if expected != actual:
        failures.append(what)


def reg(env, *args):
    assert env.run("reg", args) == 0, args


def main():
    with tempfile.TemporaryDirectory(dir=BUILD, prefix="platform-versions-") as work:
        work = Path(work)
        env = WineEnv(work / "nt40", BUILD / "wine-template").create()
        media = work / "media"
        subprocess.run([SOURCE / "scripts" / "make-media", media, "--ini"], check=True,
                       env={**os.environ, "ZEL_BUILD_DIR": str(BUILD)})
        try:
            env.start()
            env.run("reg", ["delete", r"HKCU\Software\Wine", "/v", "Version", "/f"])  # if any
            reg(env, "add", NT, "/v", "CurrentVersion", "/d", "4.0", "/f")
            reg(env, "add", NT, "/v", "CurrentBuildNumber", "/d", "1381", "/f")

            def run_setup(service_pack, *switches, driven=False):
                reg(env, "add", NT, "/v", "CSDVersion", "/d", service_pack, "/f")
                number = service_pack[13:14] or "0"
                reg(env, "add", SERVICE_PACK_NUMBER, "/v", "CSDVersion", "/t", "REG_DWORD",
                    "/d", f"0x{number}00", "/f")
                env.run("reg", ["delete", RESULT, "/v", "Setup", "/f"])
                if not driven:
                    code = env.run(media / "setup.exe", switches)
                else:
                    setup = env.run(media / "setup.exe", switches, wait=False)
                    driver = BUILD / "bin" / "ui_driver.exe"
                    check("options dialog shown", 0, env.run(
                        driver, ["options", "click", "1"], timeout=60))
                    code, box = env.output(driver, ["message", "read", "click", "1"], timeout=60)
                    check("message box shown", 0, code)
                    code = setup.wait(timeout=120)
                    fields = dict(line.split("=", 1) for line in box.splitlines() if "=" in line)
                    check("box caption", "Can not start the installation.", fields.get("caption"))
                    check("box text", "Please install Microsoft Windows NT4.0 Service Pack 4 "
                          "or later, before installing this program.", fields.get("text"))
                value = (env.reg_values(RESULT) or {}).get("Setup", (None, None))[1]
                return code, value

            check("NT 4.0 Service Pack 3, /S", (13, "000D"), run_setup("Service Pack 3", "/S"))
            check("NT 4.0 Service Pack 3, interactive", (13, "000D"),
                  run_setup("Service Pack 3", driven=True))
            check("NT 4.0 without service pack, /S", (13, "000D"), run_setup("", "/S"))

            reg(env, "add", PER_PROGRAM, "/v", "Version", "/d", "win95", "/f")
            check("Windows 95, /S", (15, "000F"), run_setup("", "/S"))
            reg(env, "delete", PER_PROGRAM, "/f")

            check("NT 4.0 Service Pack 6a, /S (the whole install)", (0, "0000"),
                  run_setup("Service Pack 6a", "/S"))
        finally:
            env.remove()
    if failures:
        print(f"{len(failures)} failed: {', '.join(failures)}")
        return 1
    return 0


if __name__ == "__main__":
    require()
    sys.exit(main())
