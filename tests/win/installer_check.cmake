cmake_minimum_required(VERSION 3.25)
# Makes the NSIS installer from the build's CPack configuration in a scratch
# folder and checks its licence page and version information; installs it
# silently through Wine (afresh, over itself, and after its folder was
# deleted by hand) and checks the files, the Start-menu shortcut, the
# uninstaller and the entry under "Apps and features"; then uninstalls
# silently and checks that the program's folder and registry keys are gone.
#   cmake -DCPACK=cpack -DCONFIG=CPackConfig.cmake -DWORK=folder -DRUN=wine
#         -DFILES="bin/a.exe;bin/b.exe" -P installer_check.cmake
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CPACK}" -G NSIS -B "${WORK}" --config "${CONFIG}" RESULT_VARIABLE result OUTPUT_QUIET)
file(GLOB installer "${WORK}/quorvex-*-win64.exe")
if(NOT result EQUAL 0 OR NOT installer)
  message(FATAL_ERROR "cpack -G NSIS failed: ${result}")
endif()

# The licence page shows the project's licence, not CPack's placeholder.
file(GLOB_RECURSE script "${WORK}/_CPack_Packages/*/project.nsi")
file(STRINGS "${script}" license_page REGEX "MUI_PAGE_LICENSE")
string(REGEX MATCH "\"([^\"]+)\"" license_file "${license_page}")
if(NOT license_file OR NOT EXISTS "${CMAKE_MATCH_1}")
  message(FATAL_ERROR "no licence page: '${license_page}'")
endif()
file(READ "${CMAKE_MATCH_1}" license)
string(FIND "${license}" "MIT License" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "the licence page shows '${license}'")
endif()
# Version information on the installer itself.
file(STRINGS "${installer}" version_strings ENCODING UTF-16LE REGEX "^(Quorvex Setup|Copyright .*)$")
if(NOT "Quorvex Setup" IN_LIST version_strings)
  message(FATAL_ERROR "the installer has no version information: '${version_strings}'")
endif()

set(prefix "$ENV{WINEPREFIX}")
if(NOT prefix)
  set(prefix "$ENV{HOME}/.wine")
endif()
set(dir "${prefix}/drive_c/Program Files/Quorvex")
set(link "${prefix}/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvex/Quorvex.lnk")

# Installed afresh, again over itself (the old one uninstalled first), and
# again after its folder was deleted by hand (the uninstall entry then names
# an uninstaller that is gone: not installed).
foreach(install fresh again folder_deleted)
  if(install STREQUAL "folder_deleted")
    file(REMOVE_RECURSE "${dir}")
  endif()
  execute_process(COMMAND ${RUN} "${installer}" /S RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installer failed (${install}): ${result}")
  endif()
  foreach(f ${FILES} Uninstall.exe)
    if(NOT EXISTS "${dir}/${f}")
      message(FATAL_ERROR "not installed (${install}): ${dir}/${f}")
    endif()
  endforeach()
  if(NOT EXISTS "${link}")
    message(FATAL_ERROR "no Start-menu shortcut (${install}): ${link}")
  endif()
endforeach()

# Registry values as `reg query` prints them: name, type, data.
function(registry key out)
  execute_process(COMMAND ${RUN} reg query "${key}" RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_QUIET)
  string(REPLACE "\r" "" text "${text}")
  if(NOT status EQUAL 0)
    set(text "")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
set(uninstall_key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvex")
registry("${uninstall_key}" values)
foreach(expected "NoModify    REG_DWORD    0x1" "NoRepair    REG_DWORD    0x1"
                 "InstallLocation    REG_SZ    C:\\Program Files\\Quorvex\n"
                 "DisplayIcon    REG_SZ    C:\\Program Files\\Quorvex\\bin\\quorvex.exe,0")
  string(FIND "${values}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the uninstall entry lacks '${expected}':\n${values}")
  endif()
endforeach()
# The size in KB, at least that of the files installed.
string(REGEX MATCH "EstimatedSize    REG_DWORD    0x([0-9a-f]+)" size "${values}")
if(NOT size)
  message(FATAL_ERROR "the uninstall entry has no EstimatedSize DWORD:\n${values}")
endif()
math(EXPR size_kb "0x${CMAKE_MATCH_1}")
file(SIZE "${dir}/bin/quorvex-render.exe" render_size)
math(EXPR render_kb "${render_size} / 1024")
if(size_kb LESS render_kb)
  message(FATAL_ERROR "EstimatedSize ${size_kb} KB is below quorvex-render.exe's ${render_size} bytes")
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
foreach(key "${uninstall_key}" "HKLM\\Software\\Quorvex")
  registry("${key}" left)
  if(NOT left STREQUAL "")
    message(FATAL_ERROR "the uninstaller left ${key} behind:\n${left}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
