#!/usr/bin/env bash
# The real 64-bit DLL on a real COM runtime: register it with regsvr32 in a fresh Wine
# prefix, check every registry value, run a session against it, unregister it.
# usage: run_wine.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
export WINEPREFIX=$(mktemp -d /tmp/orvan-wine-XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
server=/usr/lib/wine/wineserver64; [ -x "$server" ] || server=wineserver
trap '"$server" -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
CHECK_LABEL="wine"
. "$(dirname "$0")/../lib/check.sh"
query() { wine_reg_query "$wine" "$1" /v "$2"; }
query_default() { wine_reg_query "$wine" "$1" /ve; }

. "$(dirname "$0")/../../tools/wine_prefix.sh"
new_wine_prefix "$WINEPREFIX" "$wine" "$server"
cp "$build/OrvanClassify.dll" "$WINEPREFIX/drive_c/OrvanClassify.dll"
check "regsvr32 registers the DLL" "$wine" regsvr32 /s 'C:\OrvanClassify.dll'

clsid='HKCR\CLSID\{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}'
addin='HKLM\Software\Microsoft\Office\Outlook\Addins\OrvanClassifyAddinForOutlook'
name='Orvan Classify Add-In for Outlook'
check "class key" grep -q "REG_SZ *$name" <<<"$(query_default "$clsid")"
check "InprocServer32" grep -qi 'REG_SZ *C:\\OrvanClassify.dll' <<<"$(query_default "$clsid\\InprocServer32")"
check "no ThreadingModel" bash -c "! grep -q ThreadingModel <<<'$(wine_reg_query "$wine" "$clsid\\InprocServer32")'"
check "class ProgID" grep -q 'REG_SZ *OrvanClassifyAddinForOutlook' <<<"$(query_default "$clsid\\ProgID")"
check "ProgID key" grep -q "REG_SZ *$name" <<<"$(query_default 'HKCR\OrvanClassifyAddinForOutlook')"
check "ProgID CLSID" grep -q 'REG_SZ *{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}' <<<"$(query_default 'HKCR\OrvanClassifyAddinForOutlook\CLSID')"
check "LoadBehavior 3" grep -q 'REG_DWORD *0x3' <<<"$(query "$addin" LoadBehavior)"
check "CommandLineSafe 0" grep -q 'REG_DWORD *0x0' <<<"$(query "$addin" CommandLineSafe)"
check "RequireShutdownNotification 1" grep -q 'REG_DWORD *0x1' <<<"$(query "$addin" RequireShutdownNotification)"
check "FriendlyName" grep -q "REG_SZ *$name" <<<"$(query "$addin" FriendlyName)"
check "Description" grep -q "REG_SZ *$name" <<<"$(query "$addin" Description)"

echo "== the same DLL under an organisation's Group Policy (reg add)"
. "$(dirname "$0")/acme_policy.sh"
set_acme_policy "$wine"
# Wine keeps no event log: its ReportEventW hands each insertion string to its debug
# channel "eventlog", which shows the real DLL's events.
events_seen="$WINEPREFIX/events.txt"
check "Acme's levels, default and property names from the policy; a reason given in the real dialog" \
  env WINEDEBUG=trace+eventlog,warn+eventlog,err+eventlog "$wine" "$build/orvan-wine-session.exe" --policy 2>"$events_seen"
check "the events reach ReportEventW: the downgrade with its reason" grep -q "Sonstiges: the figures were removed" "$events_seen"
check "and the refusal outside, by its domain" grep -q "partner.example" "$events_seen"
clear_acme_policy "$wine"

echo "== session against the registered DLL"
check "session with compose, send and main-window reply" "$wine" "$build/orvan-wine-session.exe"

events='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Orvan Classify'
check "event source's messages are the DLL's" grep -qi 'REG_SZ *C:\\OrvanClassify.dll' <<<"$(query "$events" EventMessageFile)"
check "and its four task categories" grep -q 'REG_DWORD *0x4' <<<"$(query "$events" CategoryCount)"

check "regsvr32 /u unregisters the DLL" "$wine" regsvr32 /s /u 'C:\OrvanClassify.dll'
check "event source removed" bash -c "! '$wine' reg query '$events' >/dev/null 2>&1"
check "class key removed" bash -c "! '$wine' reg query '$clsid' >/dev/null 2>&1"
check "ProgID key removed" bash -c "! '$wine' reg query 'HKCR\\OrvanClassifyAddinForOutlook' >/dev/null 2>&1"
check "Outlook add-in key removed" bash -c "! '$wine' reg query '$addin' >/dev/null 2>&1"
check "bar placement kept" grep -q 'REG_DWORD *0x2' <<<"$(query 'HKCU\Software\Orvan_Classify' CommandBarRowIndex)"

echo "wine run: $pass passed, $fail failed"
[ "$fail" -eq 0 ]
