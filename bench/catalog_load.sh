#!/usr/bin/env bash
# Runs the catalog load benchmark (build/win64/bin/catalog_load_bench.exe) under wine64 in a
# throwaway prefix: the time of loadSetupData for catalogs of 1, 2, 5 and 10 MB.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/scripts/lib/wine.sh"
work="$(mktemp -d)"
trap 'wine_stop; rm -rf "$work"' EXIT
wine_new_prefix "$root/build/win64/wine-template" "$work/wine" null
mkdir -p "$work/media"
cp "$root/build/win64/bin/catalog_load_bench.exe" "$work/media/"
wine_start
"$WINE" "$work/media/catalog_load_bench.exe" "$@"
