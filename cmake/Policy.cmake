# Every compiled-in default of the classification policy is a cache option, so an
# administrator can build the policy of their organisation without touching code.
# The defaults build the standard product.

# Texts of the string table (ids in brackets).
set(ORVAN_LABEL "Classification" CACHE STRING "Body mark label and caption button text (101)")
set(ORVAN_FOOTER_TEXT " (for more info visit http://www.orvan.example/classify)" CACHE STRING "Text after the level in the body mark (102)")
set(ORVAN_TOOLTIP "Classification (Orvan)" CACHE STRING "Tooltip of the command bar controls (103)")
set(ORVAN_PROMPT_ENTRY "Select Level" CACHE STRING "Prompt entry of the drop-down (104)")
set(ORVAN_PROMPT_MESSAGE "Please select Classification level" CACHE STRING "Message shown when Send is refused (105)")
set(ORVAN_PROMPT_CAPTION "Orvan Classify" CACHE STRING "Caption of that message box (106)")
set(ORVAN_STRING_110 "***" CACHE STRING "Reserved string (110)")
set(ORVAN_LEVELS "UNCLASSIFIED;CONFIDENTIAL;SECRET" CACHE STRING "Level names, separated by ; or , (111)")
set(ORVAN_ORGANISATION "Orvan" CACHE STRING "Organisation word in the property names (112)")

# Switches and numbers.
set(ORVAN_SUBJECT_MARK_MODE 1 CACHE STRING "0 no subject mark, 1 prefix, 2 suffix")
option(ORVAN_SUBJECT_USES_MIN_LEVEL "Mark the subject only from the minimum mark level" ON)
option(ORVAN_DISABLED "Install no window handlers at start-up" OFF)
set(ORVAN_MIN_MARK_LEVEL 1 CACHE STRING "Lowest level whose body is marked")
set(ORVAN_BODY_MARK_PLACES 3 CACHE STRING "Body mark places: 1 top, 2 bottom, 3 both, 0 none")
set(ORVAN_DEFAULT_LEVEL 1 CACHE STRING "Level preselected for a new message")
set(ORVAN_PROPERTY_KINDS 3 CACHE STRING "Properties written: 1 numeric, 2 header, 3 both")
option(ORVAN_SHOW_LABEL "Begin the body mark with the label" ON)
option(ORVAN_SHOW_FOOTER "End the body mark with the footer text" ON)
option(ORVAN_REQUIRE_SELECTION "Refuse Send until a level is chosen" OFF)
option(ORVAN_LOG_ENABLED "Switch the session log on" OFF)

foreach(flag ORVAN_SUBJECT_USES_MIN_LEVEL ORVAN_DISABLED ORVAN_SHOW_LABEL ORVAN_SHOW_FOOTER
             ORVAN_REQUIRE_SELECTION ORVAN_LOG_ENABLED)
  if(${flag})
    set(${flag}_VALUE true)
  else()
    set(${flag}_VALUE false)
  endif()
endforeach()

# Texts go into C string literals and resource scripts: escape what would end them.
foreach(text ORVAN_LABEL ORVAN_FOOTER_TEXT ORVAN_TOOLTIP ORVAN_PROMPT_ENTRY ORVAN_PROMPT_MESSAGE
             ORVAN_PROMPT_CAPTION ORVAN_STRING_110 ORVAN_LEVELS ORVAN_ORGANISATION)
  string(REPLACE "\\" "\\\\" escaped "${${text}}")
  string(REPLACE "\"" "\\\"" escaped "${escaped}")
  set(${text}_C "${escaped}")
endforeach()
