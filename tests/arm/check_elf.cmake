# Checks a built plug-in binary with file and readelf: a 64-bit ARM ELF shared object
# whose dynamic symbol table defines exactly EXPORTS, with no C++ runtime to load.
#   cmake -DFILE_COMMAND=file -DREADELF=readelf -DBINARY=Moltaro.so "-DEXPORTS=VSTPluginMain;main" -P check_elf.cmake

set(failures "")
execute_process(COMMAND ${FILE_COMMAND} -b -L ${BINARY} OUTPUT_VARIABLE kind RESULT_VARIABLE rc)
string(STRIP "${kind}" kind)
if(NOT rc EQUAL 0 OR NOT kind MATCHES "^ELF 64-bit LSB shared object, ARM aarch64")
  list(APPEND failures "file says \"${kind}\", not a 64-bit ARM shared object")
endif()

execute_process(COMMAND ${READELF} -W --file-header --dynamic --dyn-syms ${BINARY}
                OUTPUT_VARIABLE dump ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf ${BINARY} failed: ${err}")
endif()
if(NOT dump MATCHES "Machine: +AArch64\n")
  list(APPEND failures "readelf: machine is not AArch64")
endif()
if(NOT dump MATCHES "Type: +DYN ")
  list(APPEND failures "readelf: not a shared object")
endif()

# Symbol lines: "  Num: Value Size Type Bind Vis Ndx Name"; defined ones have a section
# number, not UND; the file's own section symbols have no name.
string(REGEX MATCHALL "\n *[0-9]+: [0-9a-f]+ +[0-9]+ [A-Z]+ +(GLOBAL|WEAK|GNU_UNIQUE) +[A-Z]+ +[0-9]+ [^\n]+" defined "${dump}")
set(exports "")
foreach(line ${defined})
  string(REGEX REPLACE ".* ([^ ]+)$" "\\1" name "${line}")
  string(REGEX REPLACE "@.*" "" name "${name}")
  list(APPEND exports ${name})
endforeach()
list(REMOVE_DUPLICATES exports)
list(SORT exports)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exports STREQUAL expected)
  string(REPLACE ";" ", " shown "${exports}")
  string(REPLACE ";" ", " wanted "${expected}")
  list(APPEND failures "exports (${shown}), not exactly (${wanted})")
endif()

string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" needed "${dump}")
string(REGEX REPLACE "\\(NEEDED\\)[^[]*\\[([^]]+)\\]" "\\1" needed "${needed}")
foreach(lib ${needed})
  if(lib MATCHES "^libstdc\\+\\+|^libgcc_s")
    list(APPEND failures "needs ${lib}: the C++ runtime should be inside")
  endif()
endforeach()

if(failures)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "${BINARY}:\n  ${text}")
endif()
string(REPLACE ";" ", " shown "${exports}")
string(REPLACE ";" ", " libs "${needed}")
message(STATUS "${BINARY}: ${kind}\n  exports ${shown}; needs ${libs}")
