# Prepares the Wine prefix the Windows tests run in (WINEPREFIX from the environment):
# creates it, and lets Wine manage its top-level windows itself. Without a window
# manager on the test display, a window left to one would take two seconds to hide
# while Wine waits for the manager that never answers.
#   cmake -DWINE=/usr/bin/wine -P prepare_wine.cmake
execute_process(COMMAND ${WINE} wineboot --init RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wineboot failed (${rc})")
endif()
execute_process(COMMAND ${WINE} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "could not set the X11 driver's window management (${rc})")
endif()
