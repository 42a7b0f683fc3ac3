cmake_minimum_required(VERSION 3.25)
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
# One main category, with additional ones that belong to it: two main
# categories list the program twice in menus.
string(REGEX MATCH "\nCategories=([^\n]*)" categories "${entry}")
set(main_categories AudioVideo Audio Video Development Education Game Graphics Network Office Science Settings
                    System Utility)
set(mains)
foreach(c ${CMAKE_MATCH_1})
  if(c IN_LIST main_categories)
    list(APPEND mains ${c})
  endif()
endforeach()
list(LENGTH mains count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "desktop entry has ${count} main categories (${mains}), not one")
endif()
file(REMOVE_RECURSE "${PREFIX}")
