# Float reproducibility on ARM: GCC for AArch64 fuses a multiply and an add into one
# rounding (fmadd, fmla) unless told not to, which changes the samples. Checks that
# every compile command carries -ffp-contract=off and no fast-math, and that the
# engine's code holds none of the fused instructions.
#   cmake -DCOMMANDS=compile_commands.json -DOBJDUMP=aarch64-linux-gnu-objdump -DENGINE=libmoltaro_dsp.a -P check_contraction.cmake

set(failures "")
file(READ ${COMMANDS} json)
string(JSON count LENGTH "${json}")
if(count EQUAL 0)
  list(APPEND failures "${COMMANDS} lists no compiles")
else()
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON command GET "${json}" ${i} command)
    string(JSON source GET "${json}" ${i} file)
    if(NOT command MATCHES " -ffp-contract=off( |$)" OR command MATCHES " -ffp-contract=(fast|on)( |$)")
      list(APPEND failures "${source} is compiled without -ffp-contract=off")
    endif()
    if(command MATCHES " -(ffast-math|Ofast|funsafe-math-optimizations)( |$)")
      list(APPEND failures "${source} is compiled with fast-math")
    endif()
  endforeach()
endif()

execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${ENGINE} OUTPUT_VARIABLE code RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT code MATCHES "\tfmul\t")
  list(APPEND failures "${OBJDUMP} -d ${ENGINE} shows no float code (wrong disassembler?)")
endif()
# Scalar fmadd/fmsub/fnmadd/fnmsub, vector fmla/fmls (also by element), half-precision fmlal/fmlsl.
string(REGEX MATCHALL "\t(fn?m(add|sub)|fml[as]l?2?)\t[^\n]*" fused "${code}")
list(LENGTH fused fused_count)
if(fused_count GREATER 0)
  list(GET fused 0 example)
  list(APPEND failures "${ENGINE}: ${fused_count} fused multiply-add instructions, e.g. ${example}")
endif()

if(failures)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "${text}")
endif()
message(STATUS "${count} compiles with -ffp-contract=off; no fused multiply-add in ${ENGINE}")
