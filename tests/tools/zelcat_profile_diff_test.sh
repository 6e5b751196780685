#!/usr/bin/env bash
# zelcat's own profile reader against the system's: for every lookup of profiles/lookups.txt,
# `zelcat ini` of the native build and of zelcat.exe under Wine (whose values come from
# GetPrivateProfileStringA, checked there against zelcat's scan) must print the same bytes and
# exit the same way.
#   zelcat_profile_diff_test.sh NATIVE_ZELCAT PROFILES_DIR COMMAND...   (COMMAND runs zelcat.exe)
# COMMAND must run Wine in a UTF-8 locale whose ANSI code page is 1252 (LC_ALL=C.UTF-8): the
# arguments reach zelcat.exe converted from UTF-8 to that code page.
set -u
native=$1 profiles=$2
shift 2
if [ ! -x "$native" ]; then
    echo "no native zelcat at $native: build the native preset first (scripts/test does)"
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A host that cannot run the loader: COMMAND says why and exits 77, a skip.
"$@" --help >"$work/out" 2>&1
[ $? -eq 77 ] && { cat "$work/out"; exit 77; }
cd "$profiles" || exit 1

# A field of the table: blanks around it dropped, \xHH and \\ decoded.
field() {
    local text="$1"
    text="${text#"${text%%[! ]*}"}"
    text="${text%"${text##*[! ]}"}"
    printf '%b' "$text"
}

# The bytes of an ANSI (1252) argument as Wine must be handed them.
windows_argument() {
    printf '%s' "$1" | iconv -f CP1252 -t UTF-8
}

# run NAME COMMAND...: COMMAND's exit code, stdout and stderr into $work/NAME.*
run() {
    local name=$1
    shift
    "$@" >"$work/$name.out" 2>"$work/$name.err"
    echo $? >"$work/$name.code"
}

failures=0 lookups=0 number=0
while IFS= read -r row || [ -n "$row" ]; do
    number=$((number + 1))
    case "$row" in '' | '#'*) continue ;; esac
    IFS='|' read -r file section key size language default _ <<<"$row"
    file=$(field "$file") section=$(field "$section") key=$(field "$key")
    size=$(field "$size") language=$(field "$language") default=$(field "$default")
    options=(--size "${size:-260}")
    [ -n "$language" ] && options+=(--lang "$language")
    windows_options=("${options[@]}")
    if [ -n "$default" ]; then
        options+=(--default "$default")
        windows_options+=(--default "$(windows_argument "$default")")
    fi
    run native "$native" ini "$file" "$section" "$key" "${options[@]}"
    run windows "$@" ini "$file" "$(windows_argument "$section")" "$(windows_argument "$key")" \
        "${windows_options[@]}"
    lookups=$((lookups + 1))
    for part in code out err; do
        if ! cmp -s "$work/native.$part" "$work/windows.$part"; then
            echo "FAIL lookups.txt:$number: $row"
            for side in native windows; do
                echo "  $side: exit $(cat "$work/$side.code")"
                od -An -c "$work/$side.out" "$work/$side.err" | sed 's/^/   /' | head -20
            done
            failures=$((failures + 1))
            break
        fi
    done
done <lookups.txt
echo "$lookups lookups compared, $failures failed"
[ "$lookups" -ge 130 ] && [ "$failures" -eq 0 ]
