#!/usr/bin/env bash
# Reads the shortcuts the runner saves with lnkinfo, a reader of its own: target, working
# folder and icon, in the folder of each family. Runs in the shared prefix and its session.
set -euo pipefail
. "$ZEL_SOURCE_DIR/scripts/lib/wine.sh"
wine_require
wine_use "$ZEL_BUILD_DIR/wine"

work="$WINEPREFIX/drive_c/zel-links" # C:\zel-links
user="$(ls "$WINEPREFIX/drive_c/users" | grep -vx Public | head -n 1)"
desktop="$WINEPREFIX/drive_c/users/$user/Desktop"
common_start="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu"
user_start="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu"
name="Kestrane Links"
target='C:\zel-links\Program\Quolen.exe'
other='C:\zel-links\Other Folder\Quolen.exe'
menu='C:\zel-links\Programs\Kestrane Software Installer'

cleanup() {
    rm -rf "$work"
    rm -f "$desktop/$name.lnk" "$common_start/$name.lnk" "$user_start/$name.lnk"
    "$WINE" reg delete 'HKCU\Software\Wine\AppDefaults\zelrun9x.exe' /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
mkdir -p "$work/Program" "$work/Other Folder" "$work/Programs"
echo manager >"$work/Program/Quolen.exe"
echo manager >"$work/Other Folder/Quolen.exe"
cp "$ZEL_BUILD_DIR/bin/files_runner.exe" "$work/zelrun.exe"
cp "$ZEL_BUILD_DIR/bin/files_runner.exe" "$work/zelrun9x.exe"
"$WINE" reg add 'HKCU\Software\Wine\AppDefaults\zelrun9x.exe' /v Version /d win98 /f >/dev/null 2>&1

. "$ZEL_SOURCE_DIR/scripts/lib/checks.sh"

# run EXPECTED_EXIT RUNNER ARGS...: the runner's exit code must be the one expected.
run() {
    local expected="$1" runner="$2" code=0
    shift 2
    "$WINE" "$work/$runner" "$@" </dev/null || code=$?
    [ "$code" = "$expected" ] || fail "$runner $* exited $code, expected $expected"
}

field() { sed -n "s/^[[:space:]]*$1[[:space:]]*: //p" <<<"$2"; }

# expect_link FILE TARGET: the link holds the target, its folder as working folder, the target
# as icon with index 1, and nothing else.
expect_link() {
    local file="$1" link_target="$2" info
    [ -f "$file" ] || { fail "missing $file"; return; }
    info="$(lnkinfo "$file")"
    [ "$(field 'Local path' "$info")" = "$link_target" ] || fail "$file: target $(field 'Local path' "$info")"
    [ "$(field 'Working directory' "$info")" = "${link_target%\\*}" ] ||
        fail "$file: working folder $(field 'Working directory' "$info")"
    [ "$(field 'Icon location' "$info")" = "$link_target" ] ||
        fail "$file: icon $(field 'Icon location' "$info")"
    [ "$(field 'Icon index' "$info")" = 1 ] || fail "$file: icon index $(field 'Icon index' "$info")"
    for absent in 'Command line arguments' 'Description' 'Relative path'; do
        [ -z "$(field "$absent" "$info")" ] || fail "$file: unexpected $absent"
    done
}

# Desktop: created, overwritten with a new target, removed.
run 0 zelrun.exe link desktop "$target" "$name" 1
expect_link "$desktop/$name.lnk" "$target"
run 0 zelrun.exe link desktop "$other" "$name" 1
expect_link "$desktop/$name.lnk" "$other"
run 0 zelrun.exe link desktop - "$name" 0
[ ! -e "$desktop/$name.lnk" ] || fail "desktop shortcut not removed"

# Start menu: all users on the NT family, the user's own on the 9x family; top level only.
run 0 zelrun.exe link startmenu "$target" "$name" 1
expect_link "$common_start/$name.lnk" "$target"
[ ! -e "$user_start/$name.lnk" ] || fail "NT shortcut in the user's Start menu"
run 0 zelrun.exe link startmenu - "$name" 0
[ ! -e "$common_start/$name.lnk" ] || fail "NT Start-menu shortcut not removed"

run 1 zelrun9x.exe has startmenu "$name"
run 0 zelrun9x.exe link startmenu "$target" "$name" 1
expect_link "$user_start/$name.lnk" "$target"
[ ! -e "$common_start/$name.lnk" ] || fail "9x shortcut in the all-users Start menu"
run 0 zelrun9x.exe has startmenu "$name"
run 0 zelrun9x.exe link startmenu - "$name" 0
[ ! -e "$user_start/$name.lnk" ] || fail "9x Start-menu shortcut not removed"

# Menu folder: created with its folder, same contents.
run 0 zelrun.exe menu "$target" "$menu\\$name.lnk" "$menu" 1
expect_link "$work/Programs/Kestrane Software Installer/$name.lnk" "$target"

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "all shortcut contents as expected"
