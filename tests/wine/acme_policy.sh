# Acme's Group Policy, as an administrator's tools write it: reg.exe of the 64-bit Wine,
# since SOFTWARE\Policies is one key for both registry views.
# usage (sourced): set_acme_policy WINE64 | clear_acme_policy WINE64
policy='HKLM\SOFTWARE\Policies\Orvan\Classify'
set_acme_policy() {
  "$1" reg add "$policy" /v Levels /t REG_SZ /d 'PUBLIC;INTERNAL;RESTRICTED;TOP SECRET' /f >/dev/null 2>&1
  "$1" reg add "$policy" /v DefaultLevel /t REG_DWORD /d 2 /f >/dev/null 2>&1
  "$1" reg add "$policy" /v Organisation /t REG_SZ /d Acme /f >/dev/null 2>&1
  # No answer below the level it answers without the sender's reason; above INTERNAL, mail
  # only to acme.example.
  "$1" reg add "$policy" /v DowngradeRule /t REG_SZ /d justify /f >/dev/null 2>&1
  "$1" reg add "$policy" /v InternalDomains /t REG_SZ /d acme.example /f >/dev/null 2>&1
  "$1" reg add "$policy" /v ExternalMaxLevel /t REG_DWORD /d 2 /f >/dev/null 2>&1
  "$1" reg add "$policy" /v ExternalRule /t REG_SZ /d block /f >/dev/null 2>&1
  # ADatP-4774 labels of Acme's policy on what leaves, and read on what arrives.
  "$1" reg add "$policy" /v StandardLabel /t REG_SZ /d xml /f >/dev/null 2>&1
  "$1" reg add "$policy" /v LabelPolicyIdentifier /t REG_SZ /d ACME /f >/dev/null 2>&1
}
clear_acme_policy() { "$1" reg delete "$policy" /f >/dev/null 2>&1; }
