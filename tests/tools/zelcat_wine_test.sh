#!/bin/sh
# zelcat.exe under Wine: the same bytes and exit codes as the native tool gives.
#   zelcat_wine_test.sh COMMAND...   (COMMAND runs zelcat.exe)
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
# A host that cannot run the loader: COMMAND says why and exits 77, a skip.
"$@" --help > out 2>&1
[ $? -eq 77 ] && { cat out; exit 77; }

printf '<?xml version="1.0"?>\r\n<!-- c -->\r\n<build id="B&amp;1">\r\n  <zel id="QUOLEN"><title>Caf\303\251 &lt;1&gt;</title><e x="\\" /></zel>\r\n</build>\r\n' > catalog.xml
printf '<?xml version="1.0"?><a><b></a>' > broken.xml

# expect NAME CODE EXPECTED-STDOUT ARGS...
expect() {
    name=$1 code=$2 expected=$3
    shift 3
    "$@" < "${input:-/dev/null}" > out 2> err
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
if [ "$(cat err)" != "zelcat: broken.xml:1:28: end tag </a> does not match <b> opened at line 1: expected </b>" ]; then
    echo "FAIL broken: the diagnosis line differs"; cat err
    failures=$((failures + 1))
fi
expect parse 0 'catalog.xml: parses
' "$@" parse catalog.xml
expect missing 2 '' "$@" tree missing.xml
expect usage 2 '' "$@" select catalog.xml

# The value subcommands on a small catalog: selection by language, conversion to the ANSI
# code page, the empty value element, composition and the build file.
printf '<?xml version="1.0"?>\n<?zel version="2.1"?>\n<build id="K1">\n<readme>r</readme><releaseDate>2026120A</releaseDate><file size="7" crc="0x1F">f.cab</file>\n<zel id="QUOLEN"><names><title method="LANGUAGE" default="0409"><item id="0409"><data>Caf\303\251</data></item><item id="0407"><data>Kaffee</data></item><item id="0412"><data>\354\204\244\354\271\230</data></item></title></names>\n<xrelease order="RELEASE"><release id="RELEASE"><title><gd zelpath="names/title"/></title><version></version></release></xrelease>\n<file>setup_<pd method="LANGUAGE"/>.exe</file></zel>\n</build>\n' > values.xml
expect lookup 0 "$(printf 'Caf\351')
" "$@" lookup values.xml NAME
expect lookup-de 0 'Kaffee
' "$@" lookup values.xml name --lang 0407
expect lookup-empty 3 '' "$@" lookup values.xml VERSION
expect choose 0 '/build/zel/names/title/item[@id=0407]/data
' "$@" choose values.xml /build/zel/names/title --lang 0407
expect compose 0 'setup_0407.exe
' "$@" compose values.xml /build/zel/file --lang 0407
expect build-file 0 'f.cab
7
0x0000001F
2026120A
r
' "$@" build-file values.xml
expect release-id-bad 2 '' "$@" release-id values.xml QUOLEN x

# An explicit code page: the system's conversion is asked for it, not for the ANSI code page.
expect lookup-949 0 "$(printf '\274\263\304\241')
" "$@" lookup values.xml NAME --lang 0412 --codepage 949
expect lookup-ansi 0 '??
' "$@" lookup values.xml NAME --lang 0412
expect codepage-refused 2 '' "$@" lookup values.xml NAME --codepage 1251
printf 'Caf\303\251 \316\251' > name.txt
expect encode 0 '43 61 66 e9 20 4f
' "$@" encode name.txt --hex
expect encode-932 0 "$(printf 'Cafe \203\266')" "$@" encode name.txt --codepage 932
input=name.txt
expect encode-stdin 0 '43 61 66 a8 a6 20 a6 b8
' "$@" encode - --codepage 936 --hex
input=
printf '\203\266\201' > bytes.bin
expect decode-932 0 "$(printf '\316\251\343\203\273')" "$@" decode bytes.bin --codepage 932
expect hex-refused 2 '' "$@" tree catalog.xml --hex
[ "$failures" -eq 0 ]
