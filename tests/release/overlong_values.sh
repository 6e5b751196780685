#!/usr/bin/env bash
# Setup data and installed values whose paths do not fit the program's 260-byte buffers: the
# real setup.exe must refuse them whole (exit code and "Setup" value 8, initialization) and
# change nothing, never cut a path and go on with it.
set -euo pipefail
. "$ZEL_SOURCE_DIR/scripts/lib/wine.sh"
wine_require
work="$ZEL_BUILD_DIR/release-overlong"
product='HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller'
. "$ZEL_SOURCE_DIR/scripts/lib/checks.sh"
repeat() { printf "%${2}s" "" | tr ' ' "$1"; }

wine_stop_left "$work/wine"
rm -rf "$work"
wine_new_prefix "$ZEL_BUILD_DIR/wine-template" "$work/wine" null
trap wine_stop EXIT
wine_start
media="$WINEPREFIX/drive_c/media" # C:\media

# run CASE ARGS...: the run must end with 8 and leave the "Setup" value 0008.
run() {
    local case="$1" code=0
    shift
    "$WINE" reg delete 'HKCU\SOFTWARE\NRX\KestraneSoftwareInstaller' /v Setup /f \
        </dev/null >/dev/null 2>&1 || true
    "$WINE" 'C:\media\setup.exe' "$@" </dev/null >/dev/null 2>&1 || code=$?
    [ "$code" -eq 8 ] || fail "$case: exit code $code, expected 8"
    "$WINE" reg query 'HKCU\SOFTWARE\NRX\KestraneSoftwareInstaller' /v Setup </dev/null \
        2>/dev/null | grep -q '0008' || fail "$case: no \"Setup\" value 0008"
}

fresh_media() {
    rm -rf "$media"
    ZEL_BUILD_DIR="$ZEL_BUILD_DIR" "$ZEL_SOURCE_DIR/scripts/make-media" "$media" --ini
}

# A program folder of 250 characters: "\Quolen.exe" behind it needs 262 bytes.
fresh_media
target="Kestrane\\$(repeat t 224)" # C:\Program Files\ and this: 250 characters
sed -i "s|^TARGET=.*|TARGET=$target\r|" "$media/ZelSetup.dat"
run "program folder of 250 characters" /S
[ -d "$WINEPREFIX/drive_c/Program Files/Kestrane" ] && fail "program folder created"
"$WINE" reg query "$product" </dev/null >/dev/null 2>&1 && fail "product key written"

# A product name of 240 characters: the menu shortcut's path outgrows 260 bytes.
fresh_media
sed -i "s|^NAME=%NAME%|NAME=$(repeat n 240)|" "$media/Quolen.zel"
run "product name of 240 characters" /S
[ -d "$WINEPREFIX/drive_c/Program Files/Kestrane" ] && fail "program folder created"

# Uninstall: the installed menu folder and name do not fit one shortcut path.
name=$(repeat n 200)
"$WINE" reg add "$product" /v ProgDir /d 'C:\Program Files\Kestrane' /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$product" /v Name /d "$name" /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$product" /v Version /d 1.05.0000 /f </dev/null >/dev/null 2>&1
"$WINE" reg add "$product" /v MenuDir /d "C:\\$(repeat m 60)" /f </dev/null >/dev/null 2>&1
run "installed menu shortcut of 266 characters" /S /U
"$WINE" reg query "$product" /v ProgDir </dev/null >/dev/null 2>&1 || fail "uninstall deleted values"

# Media in a folder of 248 characters: setup.exe's own path fits 260 bytes, the setup data's
# ("\ZelSetup.dat" behind it) does not.
deep="deep\\$(repeat d 120)\\$(repeat e 119)" # C:\ and this: 248 characters
unix_deep="$WINEPREFIX/drive_c/$(echo "$deep" | tr '\\' /)"
mkdir -p "$(dirname "$unix_deep")"
mv "$media" "$unix_deep"
code=0
"$WINE" "C:\\$deep\\setup.exe" /S </dev/null >/dev/null 2>&1 || code=$?
[ "$code" -eq 8 ] || fail "media folder of 248 characters: exit code $code, expected 8"

if [ "$failures" -eq 0 ]; then
    wine_stop
    rm -rf "$work"
fi
exit "$failures"
