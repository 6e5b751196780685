#!/bin/sh
# reproducible.sh SOURCE WORK [SHIPPED]
# Builds setup.exe of the win32 preset twice from scratch: in WORK and in a temporary folder,
# so at different times and under unrelated paths. Fails unless the two programs are
# byte-identical; SHIPPED, the preset's own setup.exe, must be identical to them as well.
set -eu
source=$1 work=$2 shipped=${3:-}
other=$(mktemp -d)
trap 'rm -rf "$work" "$other"' EXIT
rm -rf "$work"
for build in "$work" "$other/elsewhere"; do
    cmake -S "$source" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-mingw32.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF >/dev/null
    cmake --build "$build" --target setup -j 2 >/dev/null
done
first="$work/bin/setup.exe" second="$other/elsewhere/bin/setup.exe"
sha256sum "$first" "$second" $shipped
cmp "$first" "$second" || { echo "FAILED: two clean builds differ"; exit 1; }
if [ -n "$shipped" ]; then
    cmp "$first" "$shipped" || { echo "FAILED: the preset's setup.exe differs"; exit 1; }
fi
echo "clean builds are byte-identical ($(wc -c < "$first") bytes)"
