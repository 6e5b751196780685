#!/usr/bin/env bash
# A download folder that holds, beside setup.exe and its media, libraries named like the
# system libraries setup.exe uses that are not known libraries of every system. Wine is told to
# prefer such native copies (as Windows takes a library from the program's folder first), a
# plain loader shows that the copies are taken when asked for by name, and then a silent
# install must succeed without loading any of them: no mark left, and no library loaded from
# the folder in Wine's load log. (Wine has no known libraries: copies named like those, or
# like what they import, would be taken by Wine's own libraries, which Windows never does.)
# SETUP_EXE, when set, is the program tested instead of the build's setup.exe.
set -euo pipefail
. "$ZEL_SOURCE_DIR/scripts/lib/wine.sh"
wine_require
work="$ZEL_BUILD_DIR/release-planted"
names="comctl32 ole32 shfolder setupapi"
. "$ZEL_SOURCE_DIR/scripts/lib/checks.sh"

wine_stop_left "$work/wine"
rm -rf "$work"
ZEL_BUILD_DIR="$ZEL_BUILD_DIR" "$ZEL_SOURCE_DIR/scripts/make-media" "$work/media" --ini
export WINE_EXTRA_OVERRIDES="$(echo $names | tr ' ' ,)=n,b"
wine_new_prefix "$ZEL_BUILD_DIR/wine-template" "$work/wine" null
trap wine_stop EXIT
wine_start
media="$WINEPREFIX/drive_c/Downloads/media" # C:\Downloads\media
mkdir -p "$(dirname "$media")"
mv "$work/media" "$media"
cp "$ZEL_BUILD_DIR/bin/plain_loader.exe" "$media/"
[ -n "${SETUP_EXE:-}" ] && cp "$SETUP_EXE" "$media/setup.exe"
for name in $names; do
    cp "$ZEL_BUILD_DIR/bin/planted_library.dll" "$media/$name.dll"
done

# The control: asked for by plain name, the planted copy is what this environment loads.
"$WINE" 'C:\Downloads\media\plain_loader.exe' ole32.dll </dev/null >/dev/null 2>&1 || true
if [ -f "$media/ole32.dll.loaded" ]; then
    rm -f "$media"/*.loaded
else
    fail "control: a plain load of ole32.dll did not take the planted copy; the test proves nothing"
fi

code=0
WINEDEBUG=+loaddll "$WINE" 'C:\Downloads\media\setup.exe' /S </dev/null >/dev/null \
    2>"$work/loaddll.log" || code=$?
[ "$code" -eq 0 ] || fail "silent install ended with $code"
"$WINE" reg query 'HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller' /v ProgDir </dev/null \
    >/dev/null 2>&1 || fail "the install wrote no program folder"
for mark in "$media"/*.loaded; do
    [ -e "$mark" ] && fail "setup.exe loaded the planted $(basename "$mark" .loaded)"
done
if grep -i 'Loaded L"C:\\\\Downloads' "$work/loaddll.log" | grep -iv 'media\\\\setup.exe'; then
    fail "setup.exe loaded a library from its own folder"
fi
if [ "$failures" -eq 0 ]; then
    echo "setup.exe loaded $(grep -c 'Loaded L"' "$work/loaddll.log") libraries, none from its folder"
    wine_stop
    rm -rf "$work"
fi
exit "$failures"
