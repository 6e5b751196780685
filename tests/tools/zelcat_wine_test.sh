#!/bin/sh
# zelcat.exe under Wine: the same bytes and exit codes as the native tool gives.
#   zelcat_wine_test.sh COMMAND...   (COMMAND runs zelcat.exe)
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

printf '<?xml version="1.0"?>\r\n<!-- c -->\r\n<build id="B&amp;1">\r\n  <zel id="QUOLEN"><title>Caf\303\251 &lt;1&gt;</title><e x="\\" /></zel>\r\n</build>\r\n' > catalog.xml
printf '<?xml version="1.0"?><a><b></a>' > broken.xml

# expect NAME CODE EXPECTED-STDOUT ARGS...
expect() {
    name=$1 code=$2 expected=$3
    shift 3
    "$@" > out 2> err
    got=$?
    printf '%s' "$expected" > want
    if [ "$got" -ne "$code" ] || ! cmp -s out want; then
        echo "FAIL $name: exit $got (want $code)"; od -c out | head -20; cat err
        failures=$((failures + 1))
    elif [ "$code" -ne 0 ] && [ "$(wc -l < err)" -ne 1 ]; then
        echo "FAIL $name: stderr is not one line"; cat err
        failures=$((failures + 1))
    else
        echo "ok $name"
    fi
}

tree='N "?xml" ""
  A "version" "1.0"
N "" ""
N "build" ""
  A "id" "B&1"
  N "zel" ""
    A "id" "QUOLEN"
    N "title" "Caf\xc3\xa9 <1>"
    N "e" ""
      A "x" "\\"
'
expect tree 0 "$tree" "$@" tree catalog.xml
expect select 0 'N "title" "Caf\xc3\xa9 <1>"
' "$@" select catalog.xml '/build/zel[@id=QUOLEN]/title'
expect select-miss 1 '' "$@" select catalog.xml /build/none
expect broken 1 '' "$@" tree broken.xml
expect missing 2 '' "$@" tree missing.xml
expect usage 2 '' "$@" select catalog.xml
[ "$failures" -eq 0 ]
