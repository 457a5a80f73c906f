#!/usr/bin/env bash
# The installer packages: their tables against the registration table, then (64-bit) a
# silent install, a session through COM from the installed DLL, and a silent removal
# under Wine; then a newer policy package over an older one, and the older one refused.
# usage: check_msi.sh DIST_DIR ORVAN_WXS WIN64_BUILD_DIR NEWER_DIST_DIR
set -u
dist=$(cd "$1" && pwd)
wxs=$(realpath "$2")
build=$(cd "$3" && pwd)
newer=$(cd "$4" && pwd)
CHECK_LABEL="msi"
. "$(dirname "$0")/../lib/check.sh"
rows() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }

expected=$("$wxs" --registry-rows | sort)
for arch in x86 x64; do
  msi="$dist/OrvanClassify-$arch.msi"
  check "$arch package exists" test -f "$msi"
  registry=$(rows "$msi" Registry | cut -f2-5 | sort)
  check "$arch Registry table equals the registration table" test "$registry" = "$expected"
  check "$arch registry rows belong to the add-in's component" test -z "$(rows "$msi" Registry | cut -f6 | grep -v '^AddIn$')"
  file=$(rows "$msi" File | cut -f1-3)
  check "$arch File table holds the DLL" test "$file" = "$(printf 'OrvanClassify.dll\tAddIn\tOrvanClassify.dll')"
  folder=ProgramFilesFolder
  attributes=0
  [ "$arch" = x64 ] && folder=ProgramFiles64Folder && attributes=256
  component=$(rows "$msi" Component | cut -f1,3,4,6)
  check "$arch Component table" test "$component" = "$(printf 'AddIn\tINSTALLDIR\t%s\tOrvanClassify.dll' $attributes)"
  check "$arch installs into $folder" grep -q "INSTALLDIR	$folder	Orvan Classify" <<<"$(rows "$msi" Directory)"
  check "$arch per-machine (ALLUSERS 1)" grep -q "^ALLUSERS	1" <<<"$(rows "$msi" Property)"
  check "$arch upgrade code" grep -q "^UpgradeCode	{7D3E9A41-2C6B-4F0E-9B1A-5E8C4D2F6A13}" <<<"$(rows "$msi" Property)"
done

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
export WINEPREFIX=$(mktemp -d /tmp/orvan-msi-XXXXXX) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=wineserver
trap '"$server" -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
. "$(dirname "$0")/../../tools/wine_prefix.sh"
new_wine_prefix "$WINEPREFIX" "$wine" "$server"
cp "$dist/OrvanClassify-x64.msi" "$WINEPREFIX/drive_c/"
q() { wine_reg_query "$wine" "$@"; }
clsid='HKCR\CLSID\{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}'
addin='HKLM\Software\Microsoft\Office\Outlook\Addins\OrvanClassifyAddinForOutlook'
installed="$WINEPREFIX/drive_c/Program Files/Orvan Classify/OrvanClassify.dll"

check "msiexec /i /qn installs" "$wine" msiexec /i 'C:\OrvanClassify-x64.msi' /qn
check "the DLL is in Program Files" test -f "$installed"
check "InprocServer32 names the installed DLL" grep -qi 'REG_SZ *C:\\Program Files\\Orvan Classify\\OrvanClassify.dll' <<<"$(q "$clsid\\InprocServer32" /ve)"
check "ProgID" grep -q 'REG_SZ *OrvanClassifyAddinForOutlook' <<<"$(q "$clsid\\ProgID" /ve)"
check "LoadBehavior 3" grep -q 'REG_DWORD *0x3' <<<"$(q "$addin" /v LoadBehavior)"
check "CommandLineSafe 0" grep -q 'REG_DWORD *0x0' <<<"$(q "$addin" /v CommandLineSafe)"
check "RequireShutdownNotification 1" grep -q 'REG_DWORD *0x1' <<<"$(q "$addin" /v RequireShutdownNotification)"
check "FriendlyName" grep -q 'REG_SZ *Orvan Classify Add-In for Outlook' <<<"$(q "$addin" /v FriendlyName)"
rm -f "$installed"
# Repair through the REINSTALL property (what msiexec /fa sets; Wine's msiexec lacks /f).
check "a repair brings a deleted DLL back" "$wine" msiexec /i 'C:\OrvanClassify-x64.msi' REINSTALL=ALL REINSTALLMODE=amus /qn
check "the DLL is back" test -f "$installed"
echo "== session against the installed DLL"
check "session through CoCreateInstance from the installed location" "$wine" "$build/orvan-wine-session.exe"
check "msiexec /x /qn removes it" "$wine" msiexec /x 'C:\OrvanClassify-x64.msi' /qn
check "the DLL is gone" test ! -e "$installed"
check "class key removed" bash -c "! '$wine' reg query '$clsid' >/dev/null 2>&1"
check "ProgID key removed" bash -c "! '$wine' reg query 'HKCR\\OrvanClassifyAddinForOutlook' >/dev/null 2>&1"
check "Outlook add-in key removed" bash -c "! '$wine' reg query '$addin' >/dev/null 2>&1"
check "the user's bar placement is left alone" grep -q 'REG_DWORD *0x2' <<<"$(q 'HKCU\Software\Orvan_Classify' /v CommandBarRowIndex)"

echo "== a newer package over an older one"
cp "$newer/OrvanClassify-x64.msi" "$WINEPREFIX/drive_c/OrvanClassify-x64-newer.msi"
products() { q 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -c 'DisplayName.*Orvan Classify for Outlook (64-bit)'; }
# The organisation in the DLL's English string table, the policy's own words.
organisation() {
  x86_64-w64-mingw32-windres -i "$installed" -O rc 2>/dev/null |
    awk '/^LANGUAGE /{ english = ($0 == "LANGUAGE 9, 4") } english' | sed -n 's/^  112, "\(.*\)"$/\1/p'
}
check "the standard package (1.0.0) installs" "$wine" msiexec /i 'C:\OrvanClassify-x64.msi' /qn
check "Acme's package (1.0.7) installs over it" "$wine" msiexec /i 'C:\OrvanClassify-x64-newer.msi' /qn
check "one product is left ($(products))" test "$(products)" = 1
check "it is version 1.0.7" grep -q 'DisplayVersion.*1\.0\.7' <<<"$(q 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s)"
check "the installed DLL carries Acme's policy ($(organisation))" test "$(organisation)" = Acme
"$wine" msiexec /i 'C:\OrvanClassify-x64.msi' /qn /l*v 'C:\downgrade.log'
status=$?
check "the older package is refused over the newer (exit $status)" test "$status" -ne 0
check "because the newer one was found" grep -q 'WIX_DOWNGRADE_DETECTED = {' "$WINEPREFIX/drive_c/downgrade.log"
# Windows shows the launch condition's text; Wine's quiet msiexec does not log it.
check "with the package's message" grep -q "^NOT WIX_DOWNGRADE_DETECTED	A newer version of Orvan Classify is already installed." <<<"$(rows "$dist/OrvanClassify-x64.msi" LaunchCondition)"
check "and the newer one stays alone" test "$(products)" = 1
check "with its policy" test "$(organisation)" = Acme
check "the newer package is removed" "$wine" msiexec /x 'C:\OrvanClassify-x64-newer.msi' /qn
check "no product is left" test "$(products)" = 0

echo "msi checks: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
