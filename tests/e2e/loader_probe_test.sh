#!/usr/bin/env bash
# loader_probe_test.sh NOT_A_LOADER: a host that cannot execute the 32-bit loader, simulated
# by a loader that is no program of this host. Every kind of i686 Wine test (a program run by
# scripts/wine-run, a session, a scenario script) must skip (77) and say why; the same failure
# of the 64-bit loader is a failure (1), never a skip.
set -u
. "$ZEL_SOURCE_DIR/scripts/lib/checks.sh"
export ZEL_WINE32_LOADER="$1" ZEL_WINE64_LOADER="$1"
for runner in "$ZEL_SOURCE_DIR/scripts/wine-run cmd" "$ZEL_SOURCE_DIR/scripts/wine-session probe" \
    "python3 $ZEL_SOURCE_DIR/tests/e2e/scenarios.py FreshInstall"; do
    for arch in win32 win64; do
        code=0
        said="$(ZEL_WINE_ARCH=$arch $runner 2>&1)" || code=$?
        want=77
        [ "$arch" = win64 ] && want=1
        [ "$code" = "$want" ] || fail "$arch: $runner exited $code, not $want"
        grep -q "$1 cannot run on this host: Exec format error" <<<"$said" ||
            fail "$arch: $runner did not say why: $said"
        if [ "$arch" = win32 ]; then
            grep -q "^SKIPPED (i686): " <<<"$said" || fail "$runner did not say it skipped: $said"
        fi
    done
done
echo "$failures failure(s)"
exit "$failures"
