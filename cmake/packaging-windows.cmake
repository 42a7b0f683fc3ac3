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
set(quorvex_shortcut "Quorvex")
set(CPACK_PACKAGE_EXECUTABLES "quorvex" "${quorvex_shortcut}")
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

# An installation already there is uninstalled first, by its own uninstaller
# run in place, which then cannot remove itself and its folder: this does.
# One whose uninstaller is gone (its folder deleted by hand) is not
# installed: its uninstall entry, its key and its Start-menu entries are
# removed, and the install goes on. (CPack's own step, in .onInit, stops at
# a missing uninstaller with "Uninstall failed.".) The folder the files go
# to is made again in case the uninstaller removed it.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS
    "ReadRegStr $0 SHCTX \"${quorvex_uninstall_key}\" \"UninstallString\"
  StrCmp $0 \"\" quorvex_install
  StrCpy $1 $0 1
  StrCmp $1 \"$\\\"\" 0 +2
    StrCpy $0 $0 \"\" 1
  StrCpy $1 $0 1 -1
  StrCmp $1 \"$\\\"\" 0 +2
    StrCpy $0 $0 -1
  IfFileExists \"$0\" quorvex_installed
    ReadRegStr $1 SHCTX \"${quorvex_uninstall_key}\" \"StartMenu\"
    StrCmp $1 \"\" +4
      Delete \"$SMPROGRAMS\\$1\\${quorvex_shortcut}.lnk\"
      Delete \"$SMPROGRAMS\\$1\\Uninstall.lnk\"
      RMDir \"$SMPROGRAMS\\$1\"
    DeleteRegKey SHCTX \"${quorvex_uninstall_key}\"
    DeleteRegKey SHCTX \"Software\\Quorvex\\Quorvex\"
    DeleteRegKey /ifempty SHCTX \"Software\\Quorvex\"
    Goto quorvex_install
  quorvex_installed:
  MessageBox MB_YESNOCANCEL|MB_ICONEXCLAMATION \\
    \"Quorvex is already installed.$\\n$\\nDo you want to uninstall the old version before installing the new one?\" \\
    /SD IDYES IDYES quorvex_uninstall IDNO quorvex_install
  Abort
  quorvex_uninstall:
  \${GetParent} \"$0\" $1
  ClearErrors
  ExecWait '\"$0\" /S _?=$1' $2
  IfErrors quorvex_failed
  StrCmp $2 0 0 quorvex_failed
  Delete \"$0\"
  RMDir \"$1\"
  SetOutPath \"$INSTDIR\"
  Goto quorvex_install
  quorvex_failed:
  MessageBox MB_OK|MB_ICONSTOP \"Uninstall failed.\" /SD IDOK
  Abort
  quorvex_install:")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX \"Software\\Quorvex\\Quorvex\"
  DeleteRegKey /ifempty SHCTX \"Software\\Quorvex\"")
