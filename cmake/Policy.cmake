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
# The settings an administrator sets ("#@ NAME KIND | Title | Explanation [| refused: VALUE]"),
# for the add-in: X(NAME, option, kind, built-in value, whether a refused value sets one, that
# value), C string literals but NAME, the setting's own name. And the switches as the DLL's
# version resource shows them, so that a package can be told by its file properties.
set(ORVAN_GROUP_POLICY_TABLE "")
set(ORVAN_POLICY_SUMMARY "")
set(pending_policy "")
function(orvan_c_literal out text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "<open>" "[" text "${text}")
  string(REPLACE "<close>" "]" text "${text}")
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()
foreach(line IN LISTS policy_lines)
  if(line MATCHES "^#@ ([A-Za-z]+) ([^|]*[^| ]) *\\|")
    set(pending_policy "${CMAKE_MATCH_1}")
    set(kind "${CMAKE_MATCH_2}")
    set(pending_refused "0, \"\"")
    if(line MATCHES "\\| *refused: *([^|]*[^| ])? *$")
      orvan_c_literal(refused "${CMAKE_MATCH_1}")
      set(pending_refused "1, ${refused}")
    endif()
    continue()
  endif()
  if(line MATCHES "^([A-Z0-9_]+)=(.*)$")
    set(name ${CMAKE_MATCH_1})
    set(default "${CMAKE_MATCH_2}")
    string(REPLACE "<semicolon>" ";" default "${default}")
    string(REPLACE "<open>" "[" default "${default}")
    string(REPLACE "<close>" "]" default "${default}")
    # An administrator's value (-D, from tools/policy.sh) stays; this file's is the default.
    set(${name} "${default}" CACHE STRING "See cmake/default.policy")
    list(APPEND ORVAN_POLICY_NAMES ${name})
    if(NOT pending_policy STREQUAL "")
      orvan_c_literal(kind_c "${kind}")
      orvan_c_literal(value_c "${${name}}")
      string(APPEND ORVAN_GROUP_POLICY_TABLE
             " \\\n  X(${pending_policy}, \"${name}\", ${kind_c}, ${value_c}, ${pending_refused})")
      if(kind MATCHES "^(flag|number|level|choice|pick)( |$)")
        if(NOT ORVAN_POLICY_SUMMARY STREQUAL "")
          string(APPEND ORVAN_POLICY_SUMMARY ", ")
        endif()
        string(APPEND ORVAN_POLICY_SUMMARY "${pending_policy}=${${name}}")
      endif()
      set(pending_policy "")
    endif()
  endif()
endforeach()
set(ORVAN_POLICY_SUMMARY "Policy: ${ORVAN_POLICY_SUMMARY}")

if(ORVAN_PACKAGE_VERSION STREQUAL "")
  set(ORVAN_VERSION ${PROJECT_VERSION})
else()
  set(ORVAN_VERSION ${ORVAN_PACKAGE_VERSION})
endif()
string(REPLACE "." "," ORVAN_VERSION_COMMAS "${ORVAN_VERSION}")

# Texts go into C string literals and resource scripts: escape what would end them.
foreach(name IN LISTS ORVAN_POLICY_NAMES)
  string(REPLACE "\\" "\\\\" escaped "${${name}}")
  string(REPLACE "\"" "\\\"" escaped "${escaped}")
  set(${name}_C "${escaped}")
endforeach()
