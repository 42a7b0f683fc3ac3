# Installs the build into a scratch prefix and checks that the programs,
# the desktop entry and the icons are where a Linux desktop looks for them.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(f bin/quorvex bin/quorvex-render share/applications/quorvex.desktop
          share/icons/hicolor/16x16/apps/quorvex.png share/icons/hicolor/32x32/apps/quorvex.png
          share/icons/hicolor/64x64/apps/quorvex.png share/icons/hicolor/128x128/apps/quorvex.png)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/quorvex.desktop" entry)
foreach(line "Exec=quorvex" "Icon=quorvex" "Type=Application")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
