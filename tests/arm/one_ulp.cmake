# Shows that the render comparison catches the smallest change: a copy of the ARM
# renders with one sample moved by one ulp must fail against the reference, on exactly
# that render.
#   cmake -DCHECK="qemu|-L|root|moltaro-module-check" -DREFERENCE=x86.bin -DRENDERS=arm.bin
#         -DNUDGED=copy.bin -P one_ulp.cmake
string(REPLACE "|" ";" check "${CHECK}")
execute_process(COMMAND ${check} nudge ${RENDERS} ${NUDGED} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nudge failed:\n${out}")
endif()
string(REGEX MATCH "([^\n]+): right sample [0-9]+ moved" moved "${out}")
set(render "${CMAKE_MATCH_1}")

execute_process(COMMAND ${check} diff ${REFERENCE} ${NUDGED} 0 OUTPUT_VARIABLE out RESULT_VARIABLE rc)
string(REGEX MATCHALL "FAILED: [^\n]+" failures "${out}")
list(LENGTH failures count)
if(rc EQUAL 0 OR NOT count EQUAL 1 OR NOT out MATCHES "FAILED: ${render}: 1 samples differ, largest by")
  message(FATAL_ERROR "the one-ulp change in \"${render}\" was not caught alone (exit ${rc}):\n${out}")
endif()
message(STATUS "caught: ${failures}")
