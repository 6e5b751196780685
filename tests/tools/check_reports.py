#!/usr/bin/env python3
"""check_reports.py [--update] NATIVE_ZELCAT [COMMAND...]

zelcat check on the media folders of tests/tools/media/cases.txt. The native zelcat must print
each folder's report (NAME.report) exactly and exit as it says, and its --json form must be
JSON that holds the same languages and problems. With COMMAND (which runs zelcat.exe under
Wine), zelcat.exe must print the same bytes and exit the same way as the native zelcat, in both
forms. --update writes the reports from the native zelcat instead."""

import json
import subprocess
import sys
from pathlib import Path

MEDIA = Path(__file__).resolve().parent / "media"
SKIP = 77


def run(command):
    done = subprocess.run(command, cwd=MEDIA, capture_output=True)
    return done.returncode, done.stdout, done.stderr


def main():
    arguments = sys.argv[1:]
    update = arguments[:1] == ["--update"]
    arguments = arguments[1:] if update else arguments
    native, windows = str(Path(arguments[0]).resolve()), arguments[1:]
    if not Path(native).is_file():
        sys.exit(f"no native zelcat at {native}: build the native preset first (scripts/test does)")
    if windows:
        code, out, _ = run(windows + ["--help"])
        if code == SKIP:
            print(out.decode(errors="replace"), end="")
            return SKIP
    failures = 0
    for line in (MEDIA / "cases.txt").read_text().splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        folder, *options = line.split()
        name = Path(folder).name
        report = MEDIA / f"{name}.report"
        code, out, err = run([native, "check", folder, *options])
        shown = out + f"exit {code}\n".encode()
        if update:
            report.write_bytes(shown)
            continue
        if shown != report.read_bytes():
            failures += 1
            print(f"FAIL {name}: the report differs from {report.name}:\n"
                  + shown.decode(errors="replace"))
        json_code, json_out, _ = run([native, "check", folder, *options, "--json"])
        document = json.loads(json_out)
        problems = out.decode().split("\nproblems: ")[1].split("\n")[0]
        if (json_code != code or len(document["problems"]) != int(problems)
                or len(document["languages"]) != out.count(b"\n| ") - 1):
            failures += 1
            print(f"FAIL {name}: the JSON report does not hold what the text holds")
        for form in ([], ["--json"]):
            if not windows:
                break
            theirs = run(windows + ["check", folder, *options, *form])
            ours = run([native, "check", folder, *options, *form])
            if theirs != ours:
                failures += 1
                print(f"FAIL {name} {' '.join(form)}: zelcat.exe and the native zelcat differ\n"
                      f"--- zelcat.exe (exit {theirs[0]})\n{theirs[1].decode(errors='replace')}"
                      f"{theirs[2].decode(errors='replace')}\n--- native (exit {ours[0]})\n"
                      f"{ours[1].decode(errors='replace')}{ours[2].decode(errors='replace')}")
        if not failures:
            print(f"ok {name}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
