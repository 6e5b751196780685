#!/usr/bin/env python3
"""check_imports.py PROGRAM ALLOW-LIST

Checks what PROGRAM takes from system libraries against the allow-list: every imported function
must be listed as "import" from a library every NT system takes from its own folder, every
delay-bound function as "bound", and no "lookup" function may be in either table."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_image  # noqa: E402

# Known libraries of every NT system from NT 4.0 on: the loader takes them from the system
# folder, never from beside the program.
ALWAYS_KNOWN = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll"}


def read_allow_list(path):
    allowed = {}
    for number, line in enumerate(Path(path).read_text().splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) < 5 or "!" not in fields[0] or fields[1] not in ("import", "bound", "lookup"):
            sys.exit(f"{path}:{number}: expected 'DLL!Function how NT 9x source'")
        dll, function = fields[0].split("!", 1)
        allowed[(dll.lower(), function)] = fields[1]
    return allowed


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    program, allow_list = sys.argv[1], sys.argv[2]
    allowed = read_allow_list(allow_list)
    image = pe_image.read_image(program)
    imported = pe_image.imports(image)
    bound = pe_image.delay_imports(image)

    faults = []
    used = set()
    for how, table in (("import", imported), ("bound", bound)):
        for dll, functions in sorted(table.items()):
            if how == "import" and dll.lower() not in ALWAYS_KNOWN:
                faults.append(f"imported library {dll} is not one the system always takes from "
                              "its own folder: bind it at run time")
            for function in functions:
                key = (dll.lower(), function)
                used.add(key)
                listed = allowed.get(key)
                if listed is None:
                    faults.append(f"not allowed: {dll}!{function} ({how}); look up its "
                                  "requirements and add it to the allow-list")
                elif listed != how:
                    faults.append(f"{dll}!{function} is {how}ed but allowed as {listed}")

    for line in faults:
        print(line)
    count = sum(len(f) for f in imported.values())
    bound_count = sum(len(f) for f in bound.values())
    print(f"{program}: {count} imported functions from {len(imported)} libraries "
          f"({', '.join(sorted(imported))}); {bound_count} bound at run time from "
          f"{len(bound)} ({', '.join(sorted(bound))})")
    unused = sorted(f"{d}!{f}" for (d, f), how in allowed.items()
                    if how != "lookup" and (d, f) not in used)
    if unused:
        print("listed but not used (may go from the list): " + ", ".join(unused))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
