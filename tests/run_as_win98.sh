#!/bin/sh
# run_as_win98.sh WINE PROGRAM [ARGUMENTS...]: runs PROGRAM with Wine reporting Windows 98 for
# it, then takes the setting back. WINE's skip (77: the host cannot run the loader) passes
# through.
set -u
wine=$1 program=$2
shift 2
name=$(basename "$program")
key="HKCU\\Software\\Wine\\AppDefaults\\$name"
"$wine" reg add "$key" /v Version /d win98 /f >/dev/null 2>&1
result=$?
[ "$result" -eq 77 ] && exec "$wine" reg # says why
[ "$result" -eq 0 ] || exit 1
"$wine" "$program" "$@"
result=$?
"$wine" reg delete "$key" /f >/dev/null 2>&1
exit $result
