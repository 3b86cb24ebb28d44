# The Windows packages, made by `cpack` in a Windows build folder: a portable ZIP (unpack and
# run pelwick.exe) and an NSIS installer with a Start-menu entry and an uninstaller. Neither
# touches the user's settings under HKEY_CURRENT_USER\Software\Korvenda\Pelwick.
install(TARGETS pelwick RUNTIME DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
install(FILES "${PROJECT_SOURCE_DIR}/resources/CREDITS" DESTINATION . RENAME CREDITS.txt)

# The 64-bit package gets a 64-bit installer: it runs where no 32-bit code can, installs into
# "Program Files" rather than "(x86)" and registers its uninstaller in the 64-bit registry view.
# Each installer installs into $PROGRAMFILES, the folder of its own kind. Not $PROGRAMFILES64:
# makensis compiles that constant for the target in force where it first stands, which in the
# installer script is before our defines, so it meant the 64-bit folder as a 32-bit installer
# asks for it, and a 64-bit installer got "Program Files (x86)" on every Windows with a 32-bit
# side.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(pelwick_architecture win64)
    set(pelwick_nsis_target "Target amd64-unicode")
else()
    set(pelwick_architecture win32)
    set(pelwick_nsis_target "")
endif()

# "Pelwick bei der Anmeldung starten": a section of its own on the components page, chosen by
# default, so a silent install (/S) takes it too; /NOAUTOSTART leaves it out. It writes the
# current user's Run value; the uninstaller removes that value and nothing else of the user's.
set(CPACK_VERBATIM_VARIABLES ON)
set(pelwick_run_key [[Software\Microsoft\Windows\CurrentVersion\Run]])
string(CONCAT CPACK_NSIS_DEFINES "${pelwick_nsis_target}\n" [[
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!define MUI_CUSTOMFUNCTION_GUIINIT PelwickSwitches
!define MUI_COMPONENTSPAGE_NODESC
Section "Pelwick bei der Anmeldung starten" SecAutostart
SectionEnd
Function PelwickSwitches
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAutostart}
  ${EndIf}
FunctionEnd
]])
set(CPACK_NSIS_PAGE_COMPONENTS "!insertmacro MUI_PAGE_COMPONENTS")
string(CONCAT CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
${If} ${Silent}
  Call PelwickSwitches
${EndIf}
${If} ${SectionIsSelected} ${SecAutostart}
  WriteRegStr HKCU "]] "${pelwick_run_key}" [[" "Pelwick" '"$INSTDIR\pelwick.exe"'
${EndIf}
]])
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "DeleteRegValue HKCU \"${pelwick_run_key}\" \"Pelwick\"")

set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_PACKAGE_NAME "Pelwick")
set(CPACK_PACKAGE_VENDOR "Korvenda")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion that counts the cigarettes you did not smoke")
set(CPACK_PACKAGE_FILE_NAME "Pelwick-${PROJECT_VERSION}-${pelwick_architecture}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Pelwick")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

# The installer keeps its own bookkeeping under Software\Korvenda\<this key>, and its
# uninstaller deletes that key. It must never be the program's settings key "Pelwick".
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Pelwick Installer")
# A Start-menu folder "Pelwick" with the program, named as the user knows it.
set(CPACK_PACKAGE_EXECUTABLES "pelwick" "Pelwick")
set(CPACK_NSIS_DISPLAY_NAME "Pelwick")
set(CPACK_NSIS_PACKAGE_NAME "Pelwick")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/resources/pelwick.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/resources/pelwick.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "pelwick.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_UNINSTALL_NAME "Uninstall")
include(CPack)
