# The Windows packages, made by `cpack` in a Windows build folder: a portable ZIP (unpack and
# run pelwick.exe) and an NSIS installer with a Start-menu entry and an uninstaller. Neither
# touches the user's settings under HKEY_CURRENT_USER\Software\Korvenda\Pelwick.
install(TARGETS pelwick RUNTIME DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
install(FILES "${PROJECT_SOURCE_DIR}/resources/CREDITS" DESTINATION . RENAME CREDITS.txt)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(pelwick_architecture win64)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
    set(pelwick_architecture win32)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

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
