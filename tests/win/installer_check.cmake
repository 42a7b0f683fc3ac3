# Makes the NSIS installer from the build's CPack configuration in a scratch
# folder, installs it silently through Wine and checks the files, the
# Start-menu shortcut and the uninstaller, then uninstalls silently and
# checks that the program's folder is gone.
#   cmake -DCPACK=cpack -DCONFIG=CPackConfig.cmake -DWORK=folder -DRUN=wine
#         -DFILES="bin/a.exe;bin/b.exe" -P installer_check.cmake
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CPACK}" -G NSIS -B "${WORK}" --config "${CONFIG}" RESULT_VARIABLE result OUTPUT_QUIET)
file(GLOB installer "${WORK}/quorvex-*-win64.exe")
if(NOT result EQUAL 0 OR NOT installer)
  message(FATAL_ERROR "cpack -G NSIS failed: ${result}")
endif()

set(prefix "$ENV{WINEPREFIX}")
if(NOT prefix)
  set(prefix "$ENV{HOME}/.wine")
endif()
set(dir "${prefix}/drive_c/Program Files/Quorvex")
set(link "${prefix}/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvex/Quorvex.lnk")

execute_process(COMMAND ${RUN} "${installer}" /S RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installer failed: ${result}")
endif()
foreach(f ${FILES} Uninstall.exe)
  if(NOT EXISTS "${dir}/${f}")
    message(FATAL_ERROR "not installed: ${dir}/${f}")
  endif()
endforeach()
if(NOT EXISTS "${link}")
  message(FATAL_ERROR "no Start-menu shortcut: ${link}")
endif()

# The uninstaller runs from a copy of itself and returns at once.
execute_process(COMMAND ${RUN} "${dir}/Uninstall.exe" /S RESULT_VARIABLE result)
foreach(i RANGE 40)
  if(NOT EXISTS "${dir}" AND NOT EXISTS "${link}")
    break()
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 0.5)
endforeach()
if(NOT result EQUAL 0 OR EXISTS "${dir}" OR EXISTS "${link}")
  message(FATAL_ERROR "the uninstaller left the program behind (status ${result})")
endif()
file(REMOVE_RECURSE "${WORK}")
