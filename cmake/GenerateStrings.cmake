# Turns src/resources/strings.txt, the one source of the program's texts, into
#   STRINGS_INC: C++ rows  {id, "English", "Japanese"},
#   STRINGS_RC:  the STRINGTABLEs of both languages (UTF-8, windres -c 65001).
# Input lines:  ID "English" "Japanese"   ("" is a quote, \n a line break,
# any other backslash is itself; '#' starts a comment line).
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${STRINGS_TXT}" lines ENCODING UTF-8)
set(inc "// Generated from src/resources/strings.txt. Do not edit.\n")
set(rc_en "")
set(rc_ja "")
set(field "\"((\"\"|[^\"])*)\"")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+${field}[ \t]+${field}[ \t]*$")
    message(FATAL_ERROR "strings.txt: cannot read line: ${line}")
  endif()
  set(id "${CMAKE_MATCH_1}")
  set(en "${CMAKE_MATCH_2}")
  set(ja "${CMAKE_MATCH_4}")
  foreach(lang en ja)
    set(text "${${lang}}")
    string(REPLACE "\"\"" "\"" text "${text}")
    # C++ form
    string(REPLACE "\\n" "\n" plain "${text}")
    string(REPLACE "\\" "\\\\" c "${plain}")
    string(REPLACE "\"" "\\\"" c "${c}")
    string(REPLACE "\n" "\\n" c "${c}")
    set(c_${lang} "${c}")
    # rc form: quotes doubled, backslashes escaped, line breaks as \n
    string(REPLACE "\\" "\\\\" r "${plain}")
    string(REPLACE "\"" "\"\"" r "${r}")
    string(REPLACE "\n" "\\n" r "${r}")
    set(r_${lang} "${r}")
  endforeach()
  string(APPEND inc "{${id}, \"${c_en}\", \"${c_ja}\"},\n")
  string(APPEND rc_en "  ${id}, \"${r_en}\"\n")
  string(APPEND rc_ja "  ${id}, \"${r_ja}\"\n")
endforeach()
file(WRITE "${STRINGS_INC}" "${inc}")
file(WRITE "${STRINGS_RC}" "// Generated from src/resources/strings.txt. Do not edit.
#pragma code_page(65001)
LANGUAGE 0x09, 0x01
STRINGTABLE
BEGIN
${rc_en}END

LANGUAGE 0x11, 0x01
STRINGTABLE
BEGIN
${rc_ja}END
")
