# The editor check on a desktop of 192 dpi: sets Wine's DPI in the test prefix's
# registry, runs the check as a DPI-aware host against the 2x reference, and puts the
# DPI back to 96 for the other tests (the test runs alone).
#   cmake -DWINE=... -DCHECK=moltaro-editor-check.exe -DMODULE=Moltaro.dll
#         -DREFERENCE=editor-default-200.png -DSCREENSHOT=out.bmp -P scaled_editor_check.cmake
function(set_dpi dpi)
  foreach(key "HKCU\\Control Panel\\Desktop" "HKCC\\Software\\Fonts")
    execute_process(COMMAND ${WINE} reg add "${key}" /v LogPixels /t REG_DWORD /d ${dpi} /f
                    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "could not set ${key}\\LogPixels to ${dpi} (${rc})")
    endif()
  endforeach()
endfunction()

set_dpi(192)
execute_process(COMMAND ${WINE} ${CHECK} --scaled ${MODULE} ${REFERENCE} ${SCREENSHOT} RESULT_VARIABLE rc)
set_dpi(96)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the editor check at 192 dpi failed (${rc})")
endif()
