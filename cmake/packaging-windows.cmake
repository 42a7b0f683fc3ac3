# The Windows packages, made with `cpack` in build/windows:
#   cpack -G NSIS  a 64-bit installer into Program Files, with a Start-menu
#                  shortcut and an uninstaller; `/S` installs silently
#   cpack -G ZIP   the two executables in a zip
# Only variables are set here; the top-level CMakeLists.txt includes CPack.
# The values reach CPack as written (quotes, backslashes and dollar signs
# included), so the NSIS commands below are NSIS as it is read.
set(CPACK_VERBATIM_VARIABLES ON)
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

# The licence page shows the project's licence, which the zip carries too.
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)

# A 64-bit installer: Wine here has no 32-bit side, and a 32-bit installer
# would see the 32-bit Program Files and registry. The installer carries
# version information of its own.
set(CPACK_NSIS_DEFINES
    "Target amd64-unicode
  VIProductVersion \"${PROJECT_VERSION}\"
  VIFileVersion \"${PROJECT_VERSION}\"
  VIAddVersionKey /LANG=1033 \"ProductName\" \"Quorvex\"
  VIAddVersionKey /LANG=1033 \"CompanyName\" \"Quorvex\"
  VIAddVersionKey /LANG=1033 \"FileDescription\" \"Quorvex Setup\"
  VIAddVersionKey /LANG=1033 \"FileVersion\" \"${PROJECT_VERSION}\"
  VIAddVersionKey /LANG=1033 \"ProductVersion\" \"${PROJECT_VERSION}\"
  VIAddVersionKey /LANG=1033 \"LegalCopyright\" \"${QUORVEX_COPYRIGHT}\"
  !include FileFunc.nsh")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Quorvex")
set(CPACK_NSIS_DISPLAY_NAME "Quorvex ${PROJECT_VERSION}")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\quorvex.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)

# The program's own icon on the installer and the uninstaller.
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/shells/icons/quorvex.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/shells/icons/quorvex.ico")

# The entry under "Apps and features": NoModify and NoRepair as DWORDs (the
# template writes them as strings), the size in KB, where the program lies
# and its icon. The uninstaller also removes the vendor key the template
# leaves behind, once nothing else is in it.
set(quorvex_uninstall_key "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvex")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "WriteRegDWORD SHCTX \"${quorvex_uninstall_key}\" \"NoModify\" 1
  WriteRegDWORD SHCTX \"${quorvex_uninstall_key}\" \"NoRepair\" 1
  WriteRegStr SHCTX \"${quorvex_uninstall_key}\" \"InstallLocation\" \"$INSTDIR\"
  WriteRegStr SHCTX \"${quorvex_uninstall_key}\" \"DisplayIcon\" \"$INSTDIR\\bin\\quorvex.exe,0\"
  \${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2
  IntFmt $0 \"0x%08X\" $0
  WriteRegDWORD SHCTX \"${quorvex_uninstall_key}\" \"EstimatedSize\" \"$0\"")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX \"Software\\Quorvex\\Quorvex\"
  DeleteRegKey /ifempty SHCTX \"Software\\Quorvex\"")
