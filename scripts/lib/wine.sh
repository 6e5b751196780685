# Shell helpers for isolated Wine runs. Source this file; nothing here touches the real
# home folder: every prefix gets its own HOME inside the folder given.
#
# ZEL_WINE_ARCH chooses the Windows side: win64 (default; /usr/lib/wine/wine64, a 64-bit
# prefix) or win32 (/usr/lib/wine/wine, a 32-bit prefix), the one the build's programs need.
# ZEL_WINE32_LOADER and ZEL_WINE64_LOADER name other loaders (to try how a host that cannot
# run one is reported).
#
#   wine_probe             can $WINE run here? If not, says why on stdout and fails
#   wine_require           wine_probe, or for win32 a skip (exit 77) where the host cannot
#   wine_use DIR           export WINEPREFIX=DIR/prefix, HOME=DIR/home and the quiet settings
#   wine_template DIR      prepare a template prefix in DIR once (shared by copies)
#   wine_new_prefix TEMPLATE DIR [null]
#                          copy the template to DIR and select it (null: no display driver)
#   wine_start / wine_stop a persistent wineserver for the selected prefix
#   wine_stop_left DIR     stop the server an earlier run left in DIR, before DIR goes
#   wine_locales DIR       generate the locales the tests use into DIR (LOCPATH)

ZEL_WINE_ARCH="${ZEL_WINE_ARCH:-win64}"
case "$ZEL_WINE_ARCH" in
win64) WINE="${ZEL_WINE64_LOADER:-/usr/lib/wine/wine64}" ;;
win32) WINE="${ZEL_WINE32_LOADER:-/usr/lib/wine/wine}" ;;
*) echo "wine.sh: ZEL_WINE_ARCH is win64 or win32, not $ZEL_WINE_ARCH" >&2; return 2 ;;
esac
export ZEL_WINE_ARCH

# Some hosts cannot execute 32-bit programs at all (the loader fails with "Exec format error").
wine_probe() {
    local said status=0
    said="$("$WINE" --version 2>&1 </dev/null)" || status=$?
    [ "$status" -eq 0 ] && return 0
    said="$(printf '%s' "$said" | head -n 1)"
    echo "$WINE cannot run on this host: ${said##*: } (status $status)"
    return 1
}

# A test of the i686 programs skips, loudly, where the host cannot run them; once the loader
# runs, every failure is a failure. The 64-bit loader must always run.
wine_require() {
    local reason
    reason="$(wine_probe)" && return 0
    if [ "$ZEL_WINE_ARCH" = win32 ]; then
        echo "SKIPPED (i686): $reason"
        exit 77
    fi
    echo "$reason" >&2
    exit 1
}

wine_use() {
    export WINEPREFIX="$1/prefix" HOME="$1/home" WINEARCH="$ZEL_WINE_ARCH"
    export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d${WINE_EXTRA_OVERRIDES:+;$WINE_EXTRA_OVERRIDES}"
    mkdir -p "$HOME"
}

# Replaces the links Wine makes from the user folders into $HOME by real folders, so that
# a desktop shortcut stays inside the prefix.
wine_unlink_user_folders() {
    local user_dir d
    for user_dir in "$WINEPREFIX"/drive_c/users/*; do
        [ "$(basename "$user_dir")" = Public ] && continue
        for d in Desktop Documents Downloads Music Pictures Videos Templates; do
            if [ -L "$user_dir/$d" ]; then rm "$user_dir/$d" && mkdir "$user_dir/$d"; fi
        done
    done
}

wine_template() {
    local dir="$1"
    [ -f "$dir/.ready" ] && return 0
    mkdir -p "$dir"
    (
        flock 9
        [ -f "$dir/.ready" ] && exit 0
        rm -rf "$dir/prefix" "$dir/home"
        wine_use "$dir"
        "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
        wineserver -w
        wine_unlink_user_folders
        touch "$dir/.ready"
    ) 9>"$dir.lock"
}

wine_new_prefix() {
    local template="$1" dir="$2" driver="${3:-}"
    wine_template "$template"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp -a "$template/prefix" "$dir/prefix"
    wine_use "$dir"
    if [ "$driver" = null ]; then
        "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
        wineserver -w
    fi
}

wine_start() {
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
}

wine_stop_left() {
    if [ -d "$1/prefix" ]; then
        wine_use "$1"
        wine_stop
    fi
}

# The locales of the program's languages (resources/languages.txt), one per line.
wine_language_locales() {
    awk '/^0x/ {print $2}' "$(dirname "${BASH_SOURCE[0]}")/../../resources/languages.txt"
}

wine_locales() {
    local dir="$1" l
    mkdir -p "$dir"
    for l in $(wine_language_locales); do
        [ -d "$dir/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$dir/$l.UTF-8" >/dev/null 2>&1 || true
    done
}
