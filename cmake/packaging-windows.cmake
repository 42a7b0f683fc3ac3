# The Windows packages, made with `cpack` in build/windows:
#   cpack -G NSIS  a 64-bit installer into Program Files, with a Start-menu
#                  shortcut and an uninstaller; `/S` installs silently
#   cpack -G ZIP   the two executables in a zip
# Only variables are set here; the top-level CMakeLists.txt includes CPack.
set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME "Quorvex")
set(CPACK_PACKAGE_VENDOR "Quorvex")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pluto and Neptune over tens of thousands of years, drawn pixel by pixel")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "quorvex-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Quorvex")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Quorvex")
# The program's Start-menu shortcut: quorvex.exe, named "Quorvex".
set(CPACK_PACKAGE_EXECUTABLES "quorvex" "Quorvex")
set(CPACK_STRIP_FILES ON)

# A 64-bit installer: Wine here has no 32-bit side, and a 32-bit installer
# would see the 32-bit Program Files and registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Quorvex")
set(CPACK_NSIS_DISPLAY_NAME "Quorvex ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\quorvex.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)

# The program's own icon on the installer and the uninstaller.
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/shells/icons/quorvex.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/shells/icons/quorvex.ico")
