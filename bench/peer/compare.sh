#!/usr/bin/env bash
# Side-by-side comparison of setup.exe with an NSIS installer doing the same job (peer.nsi) on
# the same media, in one run under wine64:
#   bench/peer/compare.sh [RUNS]          (default 10; needs the win64 build, and win32 for sizes)
# OURS_EXE=path compares another build of setup.exe (an experiment) on the same media.
# Each run installs and uninstalls both products silently, each in its own fresh Wine prefix
# with a persistent server, alternating which goes first. measure.exe (built here) times each
# process from creation to exit and samples its peak working set. Prints the sizes, the
# medians and the ratios (setup.exe / NSIS).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/scripts/lib/wine.sh"
runs="${1:-10}"
build="$root/build/win64"
work="$root/build/peer"
pause_ms=400 # setup.exe's eight progress steps each pause 50 ms

for needed in "$build/bin/setup.exe" "$build/bin/quolen_standin.exe"; do
    [ -f "$needed" ] || { echo "compare: $needed is missing: build the win64 preset" >&2; exit 2; }
done
command -v makensis >/dev/null || { echo "compare: makensis is missing (apt-get install nsis)" >&2; exit 2; }

for product in ours nsis; do
    wine_stop_left "$work/$product"
done
rm -rf "$work"
mkdir -p "$work"
# The NSIS installers: amd64 to run here, x86 (ANSI, as for Windows 98) for the size.
makensis -V1 -DTARGET=amd64-unicode -DCOMPRESSOR=bzip2 -DOUTFILE="$work/peer.exe" \
    "$root/bench/peer/peer.nsi"
for compressor in zlib bzip2 lzma; do
    makensis -V1 -DTARGET=x86-ansi -DCOMPRESSOR=$compressor -DOUTFILE="$work/peer32-$compressor.exe" \
        "$root/bench/peer/peer.nsi"
done
x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/measure.exe" "$root/bench/peer/measure.cpp" \
    -lpsapi

# Two prefixes with the same media: one for each product.
ZEL_BUILD_DIR="$build" "$root/scripts/make-media" "$work/media" --ini
cp "$work/peer.exe" "$work/media/peer.exe"
[ -n "${OURS_EXE:-}" ] && cp "$OURS_EXE" "$work/media/setup.exe"
declare -A prefix
for product in ours nsis; do
    wine_new_prefix "$build/wine-template" "$work/$product" null
    cp -r "$work/media" "$WINEPREFIX/drive_c/media"
    cp "$work/measure.exe" "$WINEPREFIX/drive_c/measure.exe"
    prefix[$product]="$work/$product"
    wine_start
done
stop_all() {
    for product in ours nsis; do
        wine_use "${prefix[$product]}"
        wine_stop
    done
}
trap stop_all EXIT

user_of() { ls "$1/prefix/drive_c/users" | grep -vx Public | head -n 1; }
name="Kestrane Software Installer"

# Both products are to make all three shortcuts: setup.exe silently keeps the desktop and
# Start-menu shortcuts that exist, so they exist before each install (empty files).
seed_shortcuts() {
    local drive="$1/prefix/drive_c"
    local user
    user="$(user_of "$1")"
    : >"$drive/users/$user/Desktop/$name.lnk"
    : >"$drive/ProgramData/Microsoft/Windows/Start Menu/$name.lnk"
}

# measure PRODUCT STEP COMMAND...: one timed run, appended to the results.
measure() {
    local product="$1" step="$2" result
    shift 2
    wine_use "${prefix[$product]}"
    result=$("$WINE" 'C:\measure.exe' "$@" </dev/null 2>/dev/null | tr -d '\r')
    case "$result" in
    exit=0\ *) ;;
    *) echo "compare: $product $step failed: $result" >&2; exit 1 ;;
    esac
    echo "$product $step $result" >>"$work/results.txt"
}

check_installed() {
    wine_use "${prefix[$1]}"
    "$WINE" reg query 'HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller' /v ProgDir </dev/null \
        >/dev/null 2>&1 || { echo "compare: $1 installed nothing" >&2; exit 1; }
    local links
    links=$(find "${prefix[$1]}/prefix/drive_c" -name "$name.lnk" -size +0 | wc -l)
    [ "$links" -eq 3 ] || { echo "compare: $1 made $links shortcuts, not 3" >&2; exit 1; }
    [ "$(ls "${prefix[$1]}/prefix/drive_c/Program Files/Kestrane/Software Installer" | wc -l)" -eq 11 ] ||
        { echo "compare: $1 did not install the eleven program files" >&2; exit 1; }
}

cycle() {
    case "$1" in
    ours)
        seed_shortcuts "${prefix[ours]}"
        measure ours install 'C:\media\setup.exe' /S
        check_installed ours
        measure ours uninstall 'C:\windows\_zelu000.exe' /U /S
        ;;
    nsis)
        seed_shortcuts "${prefix[nsis]}"
        measure nsis install 'C:\media\peer.exe' /S
        check_installed nsis
        measure nsis uninstall 'C:\windows\_zelu000.exe' /S '_?=C:\Program Files\Kestrane\Software Installer'
        ;;
    esac
}

: >"$work/results.txt"
# One unmeasured cycle each: the first process of a prefix pays for loading Wine's libraries.
cycle ours && cycle nsis && : >"$work/results.txt"
for ((run = 0; run < runs; ++run)); do
    if ((run % 2 == 0)); then cycle ours; cycle nsis; else cycle nsis; cycle ours; fi
done
uninstaller_size=$(stat -c %s "${prefix[nsis]}/prefix/drive_c/windows/_zelu000.exe" 2>/dev/null || echo 0)
# The uninstaller deleted itself at the restart that never came: write it once more for its size.
if [ "$uninstaller_size" -eq 0 ]; then
    seed_shortcuts "${prefix[nsis]}"
    wine_use "${prefix[nsis]}"
    "$WINE" 'C:\media\peer.exe' /S </dev/null >/dev/null 2>&1
    uninstaller_size=$(stat -c %s "${prefix[nsis]}/prefix/drive_c/windows/_zelu000.exe")
fi

python3 - "$work/results.txt" "$pause_ms" "$build/bin/setup.exe" "$root/build/win32/bin/setup.exe" \
    "$work/peer.exe" "$uninstaller_size" "$work"/peer32-*.exe <<'EOF'
import os, statistics, sys
results, pause = sys.argv[1], float(sys.argv[2])
ours64, ours32, peer64, uninstaller64 = sys.argv[3], sys.argv[4], sys.argv[5], int(sys.argv[6])
peers32 = sys.argv[7:]
rows = {}
for line in open(results):
    product, step, *fields = line.split()
    values = dict(f.split("=") for f in fields)
    rows.setdefault((product, step), []).append((float(values["ms"]), int(values["peak_kib"])))
def values(product, step, index):
    return [v[index] for v in rows[(product, step)]]
runs = len(rows[("ours", "install")])
print(f"runs: {runs} of each; medians, and in brackets the best run (least disturbed)")
print(f"{'':24}{'setup.exe':>16}{'NSIS':>16}{'ratio':>14}")
def line(label, ours, nsis):
    print(f"{label:24}{statistics.median(ours):10.0f} [{min(ours):4.0f}]"
          f"{statistics.median(nsis):10.0f} [{min(nsis):4.0f}]"
          f"{statistics.median(ours) / statistics.median(nsis):8.2f} [{min(ours) / min(nsis):4.2f}]")
for step in ("install", "uninstall"):
    ours, nsis = values("ours", step, 0), values("nsis", step, 0)
    line(step + " time (ms)", ours, nsis)
    line(step + " w/o pauses (ms)", [t - pause for t in ours], nsis)
    line(step + " peak (KiB)", values("ours", step, 1), values("nsis", step, 1))
size64 = os.path.getsize(ours64)
print(f"{'amd64 size (bytes)':24}{size64:16}{os.path.getsize(peer64) + uninstaller64:16}"
      f"{size64 / (os.path.getsize(peer64) + uninstaller64):8.2f}"
      f"   (NSIS: installer {os.path.getsize(peer64)} + uninstaller {uninstaller64})")
if os.path.exists(ours32):
    size32 = os.path.getsize(ours32)
    smallest = min(peers32, key=os.path.getsize)
    stub = os.path.getsize(smallest)
    print(f"{'i686 size (bytes)':24}{size32:16}{2 * stub:16}{size32 / (2 * stub):8.2f}"
          f"   (NSIS x86-ansi: installer {stub} ({os.path.basename(smallest)}) + uninstaller,"
          f" counted as the installer's size again: the same stub with the uninstall script)")
EOF
