"""Demo: a preflight of the sample media with zelcat check, a silent install of the sample
product from it on a German system, then its uninstall from the Windows folder, each followed
by a report of what it left behind.
Runs the build given (win32, the shipped program, by default) in a prefix of its architecture."""

import argparse
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent / "lib"))
from winenv import ROOT, WineEnv, make_locales  # noqa: E402

PRODUCT_KEY = r"HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KestraneSoftwareInstaller"
BUTTON_KEY = (r"HKLM\SOFTWARE\Microsoft\Internet Explorer\Extensions"
              r"\{5B7E2A10-9C4D-4E3A-A1F2-7D3C9B0E6A41}")
RESULT_KEY = r"HKCU\SOFTWARE\NRX\KestraneSoftwareInstaller"


def heading(text):
    print(f"\n=== {text}")


def show_registry(env, key, label):
    tree = env.reg_query(key)
    if not tree:
        print(f"  {label}: (absent)")
        return
    for path, values in tree.items():
        print(f"  [{path}]")
        for name, (kind, data) in values.items():
            print(f"    {name or '(default)'} = {kind} {data}")


def snapshot(env):
    """The registry values and files the product owns, as (place, name) -> content."""
    state = {}
    for key in (PRODUCT_KEY, UNINSTALL_KEY, BUTTON_KEY):
        for path, values in env.reg_query(key).items():
            for name, (kind, data) in values.items():
                state[(path, name or "(default)")] = f"{kind} {data}"
    for folder in ("C:\\Program Files\\Kestrane", f"C:\\users\\{env.user}\\Desktop",
                   "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"):
        root = env.unix(folder)
        for path in root.rglob("*") if root.exists() else []:
            if path.is_file():
                state[(folder, str(path.relative_to(root)))] = f"{path.stat().st_size} bytes"
    uninstaller = env.unix("C:\\windows\\_zelu000.exe")
    if uninstaller.exists():
        state[("C:\\windows", "_zelu000.exe")] = f"{uninstaller.stat().st_size} bytes"
    return state


def summary(before, after, env_pending):
    heading("What the uninstall removed and what it kept")
    removed = [place for place in before if place not in after]
    kept = [place for place in before if place in after]
    print(f"  removed {len(removed)} of {len(before)} registry values and files")
    pending = {source.replace("\\??\\", "") for source, target in env_pending if not target}
    for path, name in kept:
        place = f"{path}\\{name}"
        print(f"  kept: {place}" + ("  (deleted at the next restart)" if place in pending else ""))


def report(env, title):
    heading(title)
    values = env.reg_values(RESULT_KEY) or {}
    print(f'  "Setup" result value: {values.get("Setup", ("", "(none)"))[1]}')
    for key, label in ((PRODUCT_KEY, "product key"), (UNINSTALL_KEY, "Add/Remove Programs entry"),
                       (BUTTON_KEY, "browser toolbar button")):
        show_registry(env, key, label)
    user = env.user
    print("  Files:")
    program = env.unix("C:\\Program Files\\Kestrane")
    for path in sorted(program.rglob("*")) if program.exists() else []:
        if path.is_file():
            print(f"    C:\\Program Files\\Kestrane\\{path.relative_to(program)}".replace("/", "\\")
                  + f"  ({path.stat().st_size} bytes)")
    uninstaller = env.unix("C:\\windows\\_zelu000.exe")
    print(f"    C:\\windows\\_zelu000.exe: {'present' if uninstaller.exists() else 'absent'}")
    print("  Shortcuts:")
    links = []
    for folder in (f"C:\\users\\{user}\\Desktop", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"):
        root = env.unix(folder)
        if root.exists():
            links += sorted(root.rglob("*.lnk"))
    if not links:
        print("    (none)")
    for link in links:
        info = env.lnkinfo(link)
        print(f"    {link.name}  (in {link.parent.name})")
        print(f"      target {info.get('Local path', '?')}, working folder "
              f"{info.get('Working directory', '?')}, icon {info.get('Icon location', '?')},"
              f"{info.get('Icon index', '?')}")
    renames = env.pending_renames()
    print("  Restart operations:" + ("" if renames else " (none)"))
    for source, target in renames:
        print(f"    {source} -> {target or '(delete)'}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--keep", action="store_true", help="keep the Wine prefix afterwards")
    parser.add_argument("--build", choices=("win32", "win64"), default="win32",
                        help="the build to run: win32 (i686, shipped) or win64 (x86_64)")
    args = parser.parse_args()
    build = ROOT / "build" / args.build
    work = Path(tempfile.mkdtemp(prefix="zel-demo-"))
    media = work / "media"
    print(f"-- assembling sample media from build/{args.build}")
    subprocess.run([str(ROOT / "scripts" / "make-media"), str(media), "--catalog", "--arch",
                    args.build], check=True, stdout=subprocess.DEVNULL)
    print("-- preparing Windows (a new Wine prefix; the first one takes a minute)")
    make_locales(build / "locales")
    env = WineEnv(work / "wine", build / "wine-template", locales=build / "locales",
                  arch=args.build).create()
    german = {"LANG": "de_DE.UTF-8"}
    try:
        env.start()
        described = {"win32": "the shipped i686 build under the 32-bit loader",
                     "win64": "the x86_64 build under wine64"}
        heading(f"setup.exe: {described[args.build]} ({env.loader})")
        heading("Before: a fresh Windows environment")
        print(f"  {len(snapshot(env))} values and files of the product")
        heading("Media")
        print("  " + "  ".join(sorted(p.name for p in media.iterdir())))
        heading("Preflight: zelcat check on the media, with this prefix's Start menu")
        windows_media = "Z:" + str(media).replace("/", "\\")
        start_menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"
        code, text = env.output(build / "bin" / "zelcat.exe",
                                ["check", windows_media, "--start-menu", start_menu])
        for line in text.rstrip("\n").split("\n"):
            print(f"  {line}".rstrip())
        follows = "" if code == 0 else ": the install below shows what follows"
        print(f"  exit code {code}{follows}")
        heading("Install: setup.exe /S on a German system, catalog media")
        code = env.run(media / "setup.exe", ["/S"], env=german)
        print(f"  exit code {code}")
        report(env, "After install")
        installed = snapshot(env)

        heading("Uninstall: C:\\windows\\_zelu000.exe /S /U")
        code = env.run("C:\\windows\\_zelu000.exe", ["/S", "/U"], env=german)
        print(f"  exit code {code}")
        report(env, "After uninstall")
        summary(installed, snapshot(env), env.pending_renames())
    finally:
        env.stop()
        if args.keep:
            print(f"\nThe Wine prefix stays in {env.prefix}")
        else:
            env.remove()
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
