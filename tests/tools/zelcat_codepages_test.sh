#!/bin/sh
# The native conversion against the system's, code page by code page: every character of the
# Basic Multilingual Plane (and malformed and supplementary UTF-8) through `zelcat encode`, and
# every byte and every pair of bytes through `zelcat decode`, by zelcat.exe under Wine and by the
# native zelcat. The bytes must be the same.
#   zelcat_codepages_test.sh NATIVE-ZELCAT COMMAND...   (COMMAND runs zelcat.exe)
set -u
native=$1
shift
if [ ! -x "$native" ]; then
    echo "FAIL: no native zelcat at $native: build the native preset first" \
        "(cmake --preset native && cmake --build --preset native; scripts/test does)"
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# A host that cannot run the loader: COMMAND says why and exits 77, a skip.
"$@" --help > out 2>&1
[ $? -eq 77 ] && { cat out; exit 77; }

python3 - <<'EOF' || exit 1
plane = "".join(chr(u) + "\n" for u in range(0x10000) if not 0xD800 <= u <= 0xDFFF)
open("plane.txt", "wb").write(plane.encode("utf-8", "surrogatepass"))
# UTF-8 well and badly formed: every sequence of up to three bytes of a set that has a byte of
# each kind, and of four bytes of a smaller one, each ended by a line feed.
kinds = bytes.fromhex("00 41 7f 80 8f 90 9f a0 bf c0 c1 c2 df e0 e1 ec ed ee ef f0 f1 f3 f4 f5"
                      " f7 f8 fb fc fd fe ff")
few = bytes.fromhex("41 80 8f 90 a0 bf c2 e0 ed f0 f4 f5")
odd = [bytes((a,)) for a in kinds]
odd += [bytes((a, b)) for a in kinds for b in kinds]
odd += [bytes((a, b, c)) for a in kinds for b in kinds for c in kinds]
odd += [bytes((a, b, c, d)) for a in few for b in few for c in few for d in few]
open("odd.txt", "wb").write(b"".join(sequence + b"\n" for sequence in odd))
# Sequences the end of the input cuts off, one input each.
for i, end in enumerate([b"a\xc2", b"a\xe0", b"a\xe0\x80", b"\xe6A", b"\xf0\x90\x80",
                         b"\xf4\x8f", b"a\xed\xa0", b"\xf0\x9f\x98\x80"]):
    open("end%d.txt" % i, "wb").write(end)
pairs = bytearray()
for b in range(256):
    pairs += bytes((b, 10))
for lead in range(256):
    for trail in range(256):
        pairs += bytes((lead, trail, 10))
pairs.append(0x81)  # a lead byte at the end
open("bytes.bin", "wb").write(pairs)
EOF

failures=0
# compare NAME SUBCOMMAND INPUT CODEPAGE -- COMMAND...
compare() {
    name=$1 subcommand=$2 input=$3 codepage=$4
    shift 5
    "$native" "$subcommand" "$input" --codepage "$codepage" > native.out 2> native.err
    native_code=$?
    "$@" "$subcommand" "$input" --codepage "$codepage" > windows.out 2> windows.err
    windows_code=$?
    if [ "$native_code" -ne 0 ] || [ "$windows_code" -ne 0 ] || [ ! -s windows.out ]; then
        echo "FAIL $name: exit $native_code natively, $windows_code under Wine"
        cat native.err windows.err
        failures=$((failures + 1))
    elif ! cmp -s native.out windows.out; then
        echo "FAIL $name: the bytes differ"
        python3 - "$input" <<'EOF'
import sys
given = open(sys.argv[1], "rb").read().split(b"\n")
native = open("native.out", "rb").read().split(b"\n")
windows = open("windows.out", "rb").read().split(b"\n")
for i, (a, b) in enumerate(zip(native, windows)):
    if a != b:
        line = given[i] if i < len(given) else b""
        print("  line %d (given %s): native %s, Windows %s" % (i + 1, line.hex(" "), a.hex(" "),
              b.hex(" ")))
        break
else:
    print("  native %d lines, Windows %d" % (len(native), len(windows)))
EOF
        failures=$((failures + 1))
    else
        echo "ok $name ($(wc -c < windows.out) bytes)"
    fi
}

for codepage in 1252 932 936 949 950; do
    compare "plane $codepage" encode plane.txt "$codepage" -- "$@"
    compare "odd UTF-8 $codepage" encode odd.txt "$codepage" -- "$@"
    compare "bytes $codepage" decode bytes.bin "$codepage" -- "$@"
done
# UTF-8 is read alike for every code page.
for end in end*.txt; do
    compare "UTF-8 cut off at the end: $(od -An -tx1 "$end" | tr -s ' ')" encode "$end" 1252 -- "$@"
done
[ "$failures" -eq 0 ]
