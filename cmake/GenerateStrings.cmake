# Turns src/resources/strings.txt, the one source of the program's texts, into
#   STRINGS_IDS: the C++ header of the string ids, one named constant each,
#   STRINGS_INC: C++ rows  {id, "English", "Japanese"},
#   STRINGS_RC:  the STRINGTABLEs of both languages (UTF-8, windres -c 65001).
# Each output is written only when its variable is set. The ids are written at
# configure time, and only when they changed, so that a new configure does not
# rebuild everything.
# Input lines:  ID SYMBOL "English" "Japanese"   ("" is a quote, \n a line
# break, any other backslash is itself; '#' starts a comment line).
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${STRINGS_TXT}" lines ENCODING UTF-8)
set(ids "// Generated from src/resources/strings.txt. Do not edit.
#pragma once

namespace mendora {

")
set(inc "// Generated from src/resources/strings.txt. Do not edit.\n")
set(rc_en "")
set(rc_ja "")
set(seen_ids "")
set(seen_symbols "")
set(field "\"((\"\"|[^\"])*)\"")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+(IDS_[A-Z0-9_]+)[ \t]+${field}[ \t]+${field}[ \t]*$")
    message(FATAL_ERROR "strings.txt: cannot read line: ${line}")
  endif()
  set(id "${CMAKE_MATCH_1}")
  set(symbol "${CMAKE_MATCH_2}")
  set(en "${CMAKE_MATCH_3}")
  set(ja "${CMAKE_MATCH_5}")
  # One id, one name: a second use of either would make LoadText ambiguous.
  if(id IN_LIST seen_ids OR symbol IN_LIST seen_symbols)
    message(FATAL_ERROR "strings.txt: id or name used twice: ${id} ${symbol}")
  endif()
  list(APPEND seen_ids "${id}")
  list(APPEND seen_symbols "${symbol}")
  string(APPEND ids "constexpr unsigned ${symbol} = ${id};\n")
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
string(APPEND ids "\n}  // namespace mendora\n")

function(write_if_changed path text)
  if(EXISTS "${path}")
    file(READ "${path}" old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE "${path}" "${text}")
endfunction()

if(STRINGS_IDS)
  write_if_changed("${STRINGS_IDS}" "${ids}")
endif()
if(STRINGS_INC)
  file(WRITE "${STRINGS_INC}" "${inc}")
endif()
if(STRINGS_RC)
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
endif()
