#!/usr/bin/env python3
"""check_size.py PROGRAM BUDGET [MAP]

Fails when PROGRAM is larger than BUDGET bytes. Prints its sections and, from the linker's
map file, what the bytes are: the program's own code and data, the start-up and library code
that stands in for a C runtime, the import tables, the resources, headers and alignment."""

import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_image  # noqa: E402

RUNTIME_OBJECTS = ("program_entry.cpp.obj", "c_library.cpp.obj", "system_libraries.cpp.obj")


def origin(source):
    """Which share an input section of the map belongs to: the runtime (the start, the C
    functions, the library binding and its thunks, the compiler's helpers) or the program (its
    own objects and the interface identifiers it takes from the system's libraries)."""
    name = source.strip()
    thunk = re.search(r"/imports/lib\w+\.a\(lib\w+_a_\w+\.o\)$", name)
    if any(name.endswith(o) for o in RUNTIME_OBJECTS) or "libgcc" in name or thunk:
        return "runtime"
    return "program"


def map_shares(map_path):
    """Bytes per (output section, share) from a GNU ld map file."""
    text = Path(map_path).read_text(errors="replace")
    start = text.find("Linker script and memory map")
    shares = {}
    output = None
    pending = None
    for line in text[start:].splitlines():
        top = re.match(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+", line)
        if top:
            # Zero-filled data takes no room in the file.
            output = top.group(1) if top.group(1) != ".bss" else None
            continue
        if re.match(r"^ \.\S+\s*$", line):
            pending = True
            continue
        entry = re.match(r"^ (?:\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if entry and (pending or line.startswith(" .")) and output:
            size = int(entry.group(2), 16)
            if size:
                key = (output, origin(entry.group(3)))
                shares[key] = shares.get(key, 0) + size
        pending = None
    return shares


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    program, budget = sys.argv[1], int(sys.argv[2])
    size = Path(program).stat().st_size
    image = pe_image.read_image(program)
    print(f"{program}: {size} bytes ({size / 1024:.1f} KiB), budget {budget} bytes "
          f"({budget / 1024:.0f} KiB)")
    print("section    in file   contents")
    for s in image.sections:
        print(f"{s.name:<10} {s.raw_size:>7}   {s.virtual_size:>8}")
    if len(sys.argv) == 4:
        by_section = {".idata": "import tables", ".rsrc": "resources", ".reloc": "relocations"}
        totals = {}
        for (section, share), bytes_ in map_shares(sys.argv[3]).items():
            share = by_section.get(section, share)
            totals[share] = totals.get(share, 0) + bytes_
        totals["headers and alignment"] = size - sum(totals.values())
        print("share                   bytes")
        for share in ("program", "runtime", "import tables", "resources", "relocations",
                      "headers and alignment"):
            print(f"{share:<22} {totals.get(share, 0):>6}")
    if size > budget:
        print(f"FAILED: {size - budget} bytes over the budget")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
