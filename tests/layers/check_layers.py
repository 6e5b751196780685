#!/usr/bin/env python3
"""check_layers.py SOURCE_DIR

The product's folders build on each other in one order: base/ at the bottom, then xml/,
catalog/, registry/ and files/ side by side, setupdata/, setup/ (resources/ is a leaf of its
own). A file may include its own folder's headers and those of the folders below it, never one
above or beside it; the one exception is the composed text of xml/, which selects through
catalog/. The CMake libraries follow the same order, so none can link one that links it back."""

import re
import sys
from pathlib import Path

LEVELS = {"base": 0, "resources": 0, "xml": 1, "catalog": 2, "registry": 3, "files": 3,
          "setupdata": 4, "setup": 5}
# The composed text resolves gd nodes through the selection: the one loop between folders.
ALLOWED = {("xml/composed_text.cpp", "catalog/value_element.h")}
LIBRARIES = {"zelbase": "base", "zelcatalog": "catalog", "zelregistry": "registry",
             "zelfiles": "files", "zelsetupdata": "setupdata", "zelplatform": "setup",
             "zelsetup": "setup"}


def main():
    root = Path(sys.argv[1])
    faults = []
    for folder, level in LEVELS.items():
        for path in sorted((root / folder).glob("*.[ch]*")):
            name = f"{folder}/{path.name}"
            for included in re.findall(r'^#include "(\w+)/([\w.]+)"', path.read_text(), re.M):
                other, header = included
                if other == folder or other not in LEVELS:
                    continue
                if (name, f"{other}/{header}") in ALLOWED:
                    continue
                if LEVELS[other] >= level:
                    faults.append(f"{name} includes {other}/{header}: {other}/ is not below "
                                  f"{folder}/")
    for cmake in sorted(root.glob("*/CMakeLists.txt")):
        folder = cmake.parent.name
        if folder not in LEVELS:
            continue
        text = cmake.read_text()
        for library, linked in re.findall(r"target_link_libraries\((\w+)\s+\w+\s+([^)]*)\)",
                                          text):
            if library not in LIBRARIES:
                continue
            for other in linked.split():
                if other in LIBRARIES and other != library and \
                        LEVELS[LIBRARIES[other]] >= LEVELS[LIBRARIES[library]] and \
                        LIBRARIES[other] != LIBRARIES[library]:
                    faults.append(f"{folder}/CMakeLists.txt: {library} links {other}, which is "
                                  "not below it")
    for line in faults:
        print(line)
    print(f"{len(faults)} includes or links against the order")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
