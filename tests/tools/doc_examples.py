#!/usr/bin/env python3
"""doc_examples.py BIN_DIR MEDIA_DIR DOC...

Runs every example of the docs that is written as a shell session ("$ command" lines, each
followed by the output it prints, in a fenced block) in a copy of MEDIA_DIR, one copy per
document, with BIN_DIR first on the PATH, and requires the output shown, standard error
included, byte for byte."""

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path


def examples(text):
    """(line number, command, expected output) of each "$ " line of the fenced blocks."""
    found, block, current = [], False, None
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("```"):
            if current:
                found.append(current)
            block, current = not block, None
            continue
        if not block:
            continue
        if line.startswith("$ "):
            if current:
                found.append(current)
            current = (number, line[2:], [])
        elif current:
            current[2].append(line)
    return found


def main():
    bin_dir, media = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
    env = {**os.environ, "PATH": f"{bin_dir}:{os.environ['PATH']}"}
    failures = count = 0
    for doc in sys.argv[3:]:
        work = Path(tempfile.mkdtemp(prefix="doc-examples-")) / "media"
        shutil.copytree(media, work)
        for number, command, expected in examples(Path(doc).read_text()):
            count += 1
            done = subprocess.run(["bash", "-c", "{ " + command + "\n} 2>&1"], cwd=work, env=env,
                                  capture_output=True, text=True, errors="replace")
            shown = "\n".join(expected)
            got = done.stdout.rstrip("\n")
            if got != shown:
                failures += 1
                print(f"{doc}:{number}: $ {command}\n--- shown\n{shown}\n--- printed\n{got}\n")
        shutil.rmtree(work.parent)
    print(f"{count} examples, {failures} that do not print what the docs show")
    return 1 if failures or not count else 0


if __name__ == "__main__":
    sys.exit(main())
