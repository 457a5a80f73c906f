#!/usr/bin/env bash
# Static checks of a built OrvanClassify.dll: machine type, exports, imports, string table.
# usage: check_dll.sh DLL i686|x86_64
set -u
dll=$1
arch=$2
objdump=$arch-w64-mingw32-objdump
windres=$arch-w64-mingw32-windres
CHECK_LABEL="$arch"
. "$(dirname "$0")/../lib/check.sh"

headers=$($objdump -p "$dll")
case $arch in
  i686) format="pei-i386" ;;
  x86_64) format="pei-x86-64" ;;
esac
check "file format $format" grep -q "file format $format" <<<"$headers"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" | grep -o '\] [A-Za-z_@0-9]*' | cut -c3- | grep -v '^Table$' | sort | tr '\n' ' ')
check "exports are the four entry points, undecorated (got: $exports)" \
  test "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "

allowed=" ADVAPI32.dll KERNEL32.dll msvcrt.dll OLE32.dll OLEAUT32.dll SHELL32.dll SHLWAPI.dll USER32.dll xmllite.dll "
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}')
for dll_name in $imports; do
  check "import $dll_name is a Windows system DLL" grep -qi " $dll_name " <<<"$allowed"
done
xmllite_imports=$(sed -n '/DLL Name: xmllite.dll/,/^$/p' <<<"$headers")
check "XmlLite's one entry point is imported by its plain name" grep -q ' CreateXmlReader$' <<<"$xmllite_imports"
check "mapi32.dll is not imported (loaded at run time)" bash -c "! grep -qi mapi32 <<<'$imports'"
check "no MinGW runtime DLL imported" bash -c "! grep -qiE 'libgcc|libstdc|libwinpthread' <<<'$imports'"

resources=$($windres -i "$dll" -O rc 2>/dev/null)
check "string table in language 4105 (9, 4)" grep -q "LANGUAGE 9, 4" <<<"$resources"
# The sender's texts in French and German beside the English table, each in its language.
check "the German string table" grep -qzP 'LANGUAGE 7, 1\n\nSTRINGTABLE\nBEGIN\n  101, "Klassifizierung"' <<<"$resources"
check "the French string table" grep -qzP 'LANGUAGE 12, 1\n\nSTRINGTABLE\nBEGIN\n  101, "Classification"\n[^E]*  104, "Choisir le niveau"' <<<"$resources"
for language in "7, 1|German" "9, 1|English" "12, 1|French"; do
  check "the event messages in ${language#*|}" grep -qzP "LANGUAGE ${language%|*}\n\n1 11 /\\* RT_MESSAGETABLE" <<<"$resources"
done
while IFS='|' read -r id text; do
  check "string $id" grep -qF "  $id, \"$text\"" <<<"$resources"
done <<'TABLE'
101|Classification
102| (for more info visit http://www.orvan.example/classify)
103|Classification (Orvan)
104|Select Level
105|Please select Classification level
106|Orvan Classify
110|***
111|UNCLASSIFIED;CONFIDENTIAL;SECRET
112|Orvan
TABLE
check "version resource" grep -q "VERSIONINFO" <<<"$resources"

echo "dll checks ($arch): $pass passed, $fail failed"
[ "$fail" -eq 0 ]
