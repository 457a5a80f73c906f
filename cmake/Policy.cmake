# The classification policy compiled into the add-in. Every name of cmake/default.policy
# is a cache option with that file's value as its default; ./dev passes an administrator's
# whole checked policy (tools/policy.sh) on every configure, so a build always carries
# exactly one policy, whatever was built in the tree before.

file(READ ${CMAKE_CURRENT_LIST_DIR}/default.policy policy_text)
# CMake lists split on ';' (and bracket around '['): keep those apart while cutting lines.
string(REPLACE ";" "<semicolon>" policy_text "${policy_text}")
string(REPLACE "[" "<open>" policy_text "${policy_text}")
string(REPLACE "]" "<close>" policy_text "${policy_text}")
string(REPLACE "\n" ";" policy_lines "${policy_text}")
set(ORVAN_POLICY_NAMES "")
# The Group Policy values ("#@ NAME KIND | Title | Explanation"), for the add-in's reader:
# each value's name, the option it sets, and its kind.
set(ORVAN_GROUP_POLICY_TABLE "")
set(pending_policy "")
foreach(line IN LISTS policy_lines)
  if(line MATCHES "^#@ ([A-Za-z]+) ([^|]*[^| ]) *\\|")
    set(pending_policy "${CMAKE_MATCH_1}")
    set(kind "${CMAKE_MATCH_2}")
    string(REPLACE "<open>" "[" kind "${kind}")
    string(REPLACE "<close>" "]" kind "${kind}")
    string(REPLACE "\\" "\\\\" kind "${kind}")
    string(REPLACE "\"" "\\\"" kind "${kind}")
    set(pending_kind "${kind}")
    continue()
  endif()
  if(line MATCHES "^([A-Z0-9_]+)=(.*)$" AND NOT pending_policy STREQUAL "")
    string(APPEND ORVAN_GROUP_POLICY_TABLE " \\\n  X(\"${pending_policy}\", \"${CMAKE_MATCH_1}\", \"${pending_kind}\")")
    set(pending_policy "")
  endif()
  if(line MATCHES "^([A-Z0-9_]+)=(.*)$")
    set(name ${CMAKE_MATCH_1})
    set(default "${CMAKE_MATCH_2}")
    string(REPLACE "<semicolon>" ";" default "${default}")
    string(REPLACE "<open>" "[" default "${default}")
    string(REPLACE "<close>" "]" default "${default}")
    set(${name} "${default}" CACHE STRING "See cmake/default.policy")
    list(APPEND ORVAN_POLICY_NAMES ${name})
  endif()
endforeach()

if(ORVAN_PACKAGE_VERSION STREQUAL "")
  set(ORVAN_VERSION ${PROJECT_VERSION})
else()
  set(ORVAN_VERSION ${ORVAN_PACKAGE_VERSION})
endif()
string(REPLACE "." "," ORVAN_VERSION_COMMAS "${ORVAN_VERSION}")

foreach(flag ORVAN_SUBJECT_USES_MIN_LEVEL ORVAN_DISABLED ORVAN_SHOW_LABEL ORVAN_SHOW_FOOTER
             ORVAN_REQUIRE_SELECTION ORVAN_LOG_ENABLED)
  if(${flag})
    set(${flag}_VALUE true)
  else()
    set(${flag}_VALUE false)
  endif()
endforeach()

if(ORVAN_UI STREQUAL "commandbar")
  set(ORVAN_UI_VALUE 1)
elseif(ORVAN_UI STREQUAL "ribbon")
  set(ORVAN_UI_VALUE 2)
else()
  set(ORVAN_UI_VALUE 0)
endif()

foreach(rule ORVAN_DOWNGRADE_RULE ORVAN_EXTERNAL_RULE)
  if(${rule} STREQUAL "warn")
    set(${rule}_VALUE 1)
  elseif(${rule} STREQUAL "block")
    set(${rule}_VALUE 2)
  else()
    set(${rule}_VALUE 0)
  endif()
endforeach()

# The switches as the DLL's version resource shows them, so that a package can be told
# by its file properties.
set(ORVAN_POLICY_SUMMARY "Policy: SubjectMarkMode=${ORVAN_SUBJECT_MARK_MODE}, SubjectUsesMinLevel=${ORVAN_SUBJECT_USES_MIN_LEVEL}, Disabled=${ORVAN_DISABLED}, MinMarkLevel=${ORVAN_MIN_MARK_LEVEL}, BodyMarkPlaces=${ORVAN_BODY_MARK_PLACES}, DefaultLevel=${ORVAN_DEFAULT_LEVEL}, PropertyKinds=${ORVAN_PROPERTY_KINDS}, ShowLabel=${ORVAN_SHOW_LABEL}, ShowFooter=${ORVAN_SHOW_FOOTER}, RequireSelection=${ORVAN_REQUIRE_SELECTION}, LogEnabled=${ORVAN_LOG_ENABLED}, UI=${ORVAN_UI}, DowngradeRule=${ORVAN_DOWNGRADE_RULE}, ExternalMaxLevel=${ORVAN_EXTERNAL_MAX_LEVEL}, ExternalRule=${ORVAN_EXTERNAL_RULE}")

# Texts go into C string literals and resource scripts: escape what would end them.
foreach(text ORVAN_LABEL ORVAN_FOOTER_TEXT ORVAN_TOOLTIP ORVAN_PROMPT_ENTRY ORVAN_PROMPT_MESSAGE
             ORVAN_PROMPT_CAPTION ORVAN_STRING_110 ORVAN_LEVELS ORVAN_ORGANISATION ORVAN_INTERNAL_DOMAINS)
  string(REPLACE "\\" "\\\\" escaped "${${text}}")
  string(REPLACE "\"" "\\\"" escaped "${escaped}")
  set(${text}_C "${escaped}")
endforeach()
