#!/usr/bin/env bash
# The 32-bit DLL run for real: Wine's 32-bit loader under qemu-i386 user emulation, in a
# 64-bit prefix (the add-in in 32-bit Office on 64-bit Windows). Two runs, each in its own
# copy of one prefix: regsvr32 into the 32-bit registry view, the session, regsvr32 /u;
# and the x86 package installed, used and removed with msiexec. Every 32-bit process takes
# about a minute under emulation, so there are few of them, and ./dev test runs the steps
# beside its other work:
#   run_wine32.sh prepare WORK            the prefix (wineboot), WORK/base, which the
#                                         64-bit runs copy too (ORVAN_WINE_BASE)
#   run_wine32.sh session WORK BUILD_DIR  regsvr32, session, regsvr32 /u (x86 build)
#   run_wine32.sh msi WORK DIST_DIR BUILD_DIR  the x86 package, and the session program
#   run_wine32.sh report WORK             waits for both, prints them, cleans up
# When 32-bit programs cannot run here the run is skipped, saying why; with CI=true a skip
# fails.
set -u
step=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# qemu's default address layout takes the page at 0x7ffe0000 that Wine needs.
export QEMU_RESERVED_VA=0xf7000000

# The prefix, or word that there is none; then whether the 32-bit runs can use it.
wait_for_prefix() {
  while [ ! -e "$work/base.ready" ] && [ ! -e "$work/base.failed" ]; do sleep 5; done
  [ -e "$work/base.ready" ] && [ ! -e "$work/skipped" ]
}

clsid='HKCR\CLSID\{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}'
addin='HKLM\Software\Microsoft\Office\Outlook\Addins\OrvanClassifyAddinForOutlook'
name='Orvan Classify Add-In for Outlook'

# regsvr32, every value in the 32-bit registry view, the session, regsvr32 /u.
session_run() {
  export WINEPREFIX="$work/session"
  CHECK_LABEL="wine session (x86)"
  . "$here/../lib/check.sh"
  q() { wine_reg_query "$wine64" "$@" /reg:32; }
  check "32-bit regsvr32 registers the x86 DLL" "$wine32" regsvr32 /s 'C:\OrvanClassify.dll'
  check "class key (32-bit view)" grep -q "REG_SZ *$name" <<<"$(q "$clsid" /ve)"
  check "InprocServer32" grep -qi 'REG_SZ *C:\\OrvanClassify.dll' <<<"$(q "$clsid\\InprocServer32" /ve)"
  check "no ThreadingModel" bash -c "! grep -q ThreadingModel <<<'$(q "$clsid\\InprocServer32")'"
  check "class ProgID" grep -q 'REG_SZ *OrvanClassifyAddinForOutlook' <<<"$(q "$clsid\\ProgID" /ve)"
  # A ProgID key is shared by both views (Windows 7 on), a class key is not.
  shared() { wine_reg_query "$wine64" "$@"; }
  check "ProgID key (shared)" grep -q "REG_SZ *$name" <<<"$(shared 'HKCR\OrvanClassifyAddinForOutlook' /ve)"
  check "ProgID CLSID" grep -q 'REG_SZ *{5B1E7C42-3D9A-4e61-A0F8-27C4D913B6E5}' <<<"$(shared 'HKCR\OrvanClassifyAddinForOutlook\CLSID' /ve)"
  check "LoadBehavior 3" grep -q 'REG_DWORD *0x3' <<<"$(q "$addin" /v LoadBehavior)"
  check "CommandLineSafe 0" grep -q 'REG_DWORD *0x0' <<<"$(q "$addin" /v CommandLineSafe)"
  check "FriendlyName" grep -q "REG_SZ *$name" <<<"$(q "$addin" /v FriendlyName)"
  check "Description" grep -q "REG_SZ *$name" <<<"$(q "$addin" /v Description)"
  check "RequireShutdownNotification 1" grep -q 'REG_DWORD *0x1' <<<"$(q "$addin" /v RequireShutdownNotification)"
  check "not in the 64-bit view" bash -c "! '$wine64' reg query '$clsid' /reg:64 >/dev/null 2>&1"
  # Group Policy, set by the 64-bit reg.exe: SOFTWARE\Policies is one key for both views.
  . "$here/acme_policy.sh"
  set_acme_policy "$wine64"
  # Wine's ReportEventW hands the insertion strings to its debug channel "eventlog".
  check "the x86 DLL under Group Policy: Acme's levels, default and property names; a reason given in the real dialog" \
    env WINEDEBUG=trace+eventlog,warn+eventlog,err+eventlog "$wine32" 'C:\orvan-wine-session.exe' --policy 2>"$work/events-x86.txt"
  check "the x86 DLL's events reach ReportEventW: the downgrade with its reason" \
    grep -q "Sonstiges: the figures were removed" "$work/events-x86.txt"
  clear_acme_policy "$wine64"
  echo "== x86 session against the registered DLL (32-bit orvan-wine-session.exe, Wine's 32-bit mapi32)"
  check "compose, choose, send and a main-window reply through CoCreateInstance" "$wine32" 'C:\orvan-wine-session.exe'
  check "32-bit regsvr32 /u unregisters it" "$wine32" regsvr32 /s /u 'C:\OrvanClassify.dll'
  check "class key removed" bash -c "! '$wine64' reg query '$clsid' /reg:32 >/dev/null 2>&1"
  check "ProgID key removed" bash -c "! '$wine64' reg query 'HKCR\\OrvanClassifyAddinForOutlook' >/dev/null 2>&1"
  check "Outlook add-in key removed" bash -c "! '$wine64' reg query '$addin' /reg:32 >/dev/null 2>&1"
  check "bar placement kept" grep -q 'REG_DWORD *0x2' <<<"$(wine_reg_query "$wine64" 'HKCU\Software\Orvan_Classify' /v CommandBarRowIndex)"
  "$server" -w
  echo "wine session (x86): $pass passed, $fail failed"
  [ "$fail" -eq 0 ]
}

# msiexec /i of the x86 package, its files and keys, the session from Program Files (x86),
# msiexec /x.
msi_run() {
  export WINEPREFIX="$work/msi"
  CHECK_LABEL="msi checks (x86)"
  . "$here/../lib/check.sh"
  q() { wine_reg_query "$wine64" "$@" /reg:32; }
  installed="$WINEPREFIX/drive_c/Program Files (x86)/Orvan Classify/OrvanClassify.dll"
  check "msiexec /i /qn installs the x86 package" "$wine64" msiexec /i 'C:\OrvanClassify-x86.msi' /qn
  check "the DLL is in the 32-bit Program Files" test -f "$installed"
  check "nothing in the 64-bit Program Files" test ! -e "$WINEPREFIX/drive_c/Program Files/Orvan Classify"
  check "InprocServer32 names it (32-bit view)" grep -qi 'REG_SZ *C:\\Program Files (x86)\\Orvan Classify\\OrvanClassify.dll' <<<"$(q "$clsid\\InprocServer32" /ve)"
  check "LoadBehavior 3 (32-bit view)" grep -q 'REG_DWORD *0x3' <<<"$(q "$addin" /v LoadBehavior)"
  check "RequireShutdownNotification 1 (32-bit view)" grep -q 'REG_DWORD *0x1' <<<"$(q "$addin" /v RequireShutdownNotification)"
  check "no class key in the 64-bit view" bash -c "! '$wine64' reg query '$clsid' /reg:64 >/dev/null 2>&1"
  echo "== x86 session against the installed DLL"
  check "the session through CoCreateInstance from Program Files (x86)" "$wine32" 'C:\orvan-wine-session.exe'
  check "msiexec /x /qn removes it" "$wine64" msiexec /x 'C:\OrvanClassify-x86.msi' /qn
  check "the DLL is gone" test ! -e "$installed"
  check "class key removed" bash -c "! '$wine64' reg query '$clsid' /reg:32 >/dev/null 2>&1"
  check "Outlook add-in key removed" bash -c "! '$wine64' reg query '$addin' /reg:32 >/dev/null 2>&1"
  "$server" -w
  echo "msi checks (x86): $pass passed, $fail failed"
  [ "$fail" -eq 0 ]
}

case $step in
  prepare)
    mkdir -p "$work"
    date +%s >"$work/started"
    reason=""
    [ -x "$wine64" ] || reason="no 64-bit Wine ($wine64)"
    [ -n "$reason" ] || { [ -x "$wine32" ] && file -L "$wine32" | grep -q 'ELF 32-bit'; } ||
      reason="no 32-bit Wine (the wine32:i386 package)"
    [ -n "$reason" ] || { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; } ||
      reason="32-bit programs cannot run: no binfmt_misc entry for i386 through qemu-i386-static (./dev sets one up as root)"
    # Said before the prefix is there: a step that finds the prefix finds the reason too.
    [ -z "$reason" ] || echo "$reason" >"$work/skipped"
    if [ ! -x "$wine64" ]; then
      touch "$work/base.failed"
      exit 0
    fi
    # The 64-bit runs want the same prefix, 32-bit or not.
    . "$here/../../tools/wine_prefix.sh"
    ORVAN_WINE_BASE="" new_wine_prefix "$work/base" "$wine64" "$server"
    touch "$work/base.ready"
    ;;
  session | msi)
    # The inputs are taken at once: the tree is rebuilt with other policies meanwhile.
    mkdir -p "$work/in-$step"
    if [ "$step" = session ]; then
      cp "$3/OrvanClassify.dll" "$3/orvan-wine-session.exe" "$work/in-$step/"
    else
      cp "$3/OrvanClassify-x86.msi" "$4/orvan-wine-session.exe" "$work/in-$step/"
    fi
    wait_for_prefix || exit 0
    cp -a "$work/base" "$work/$step"
    cp "$work/in-$step"/* "$work/$step/drive_c/"
    if [ "$step" = session ]; then session_run >"$work/$step.log" 2>&1; else msi_run >"$work/$step.log" 2>&1; fi
    echo $? >"$work/$step.status"
    ;;
  report)
    wait_for_prefix
    if [ -e "$work/skipped" ] || [ ! -e "$work/base.ready" ]; then
      echo "x86 run skipped: $(cat "$work/skipped")"
      rm -rf "$work"
      [ "${CI:-}" = true ] && { echo "FAIL (x86): CI must run the 32-bit DLL"; exit 1; }
      exit 0
    fi
    while [ ! -e "$work/session.status" ] || [ ! -e "$work/msi.status" ]; do sleep 5; done
    cat "$work/session.log" "$work/msi.log"
    echo "x86 run: $(( $(date +%s) - $(cat "$work/started") )) s from the start of its prefix"
    status=$(( $(cat "$work/session.status") + $(cat "$work/msi.status") ))
    for p in "$work"/session "$work"/msi; do WINEPREFIX="$p" "$server" -k >/dev/null 2>&1; done
    rm -rf "$work"
    [ "$status" -eq 0 ]
    ;;
  *)
    echo "usage: run_wine32.sh prepare|session|msi|report WORK [DIR [DIR]]" >&2
    exit 2
    ;;
esac
