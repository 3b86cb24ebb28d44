# Installation layout and the Debian package (`cpack` in a build folder), and the resources
# that the Windows executable embeds. Included at the end of the top-level CMakeLists.txt, so
# that the program's target exists.
set(PELWICK_RESOURCES_DIR "${CMAKE_CURRENT_LIST_DIR}/../resources")
cmake_path(NORMAL_PATH PELWICK_RESOURCES_DIR)

if(WIN32)
    # The executable's resources come with it (pelwick_add_win32_resources, src/win32).
    return()
endif()

include(GNUInstallDirs)

# The desktop file and the metainfo are named by the component id, as the software centres
# look them up by it.
set(PELWICK_APP_ID "de.korvenda.Pelwick")

if(TARGET pelwick)
    install(TARGETS pelwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES "${PELWICK_RESOURCES_DIR}/pelwick.desktop"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${PELWICK_APP_ID}.desktop)
install(FILES "${PELWICK_RESOURCES_DIR}/${PELWICK_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 128 256)
    install(FILES "${PELWICK_RESOURCES_DIR}/icons/pelwick-${size}.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME pelwick.png)
endforeach()
install(FILES "${PELWICK_RESOURCES_DIR}/../LICENSE"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelwick
        RENAME copyright)
install(FILES "${PELWICK_RESOURCES_DIR}/CREDITS" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelwick)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "pelwick")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Korvenda")
set(CPACK_PACKAGE_CONTACT "The Pelwick developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion that counts the cigarettes you did not smoke")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
# The summary above is the first line; this is the long text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small borderless window drawn as a lit cigarette floats above the other windows and\n"
    "shows two running totals since the quit day: the cigarettes not smoked and the money\n"
    "saved. A short German setup wizard asks for the figures at the first start.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
# The shared libraries' packages (Qt, SQLite, the C++ runtime) come from dpkg-shlibdeps; the
# xcb platform plugin ships inside libqt6gui6. The ticker's font falls back to DejaVu.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
# Only packages are built here; a plain `cpack` must not pick up the source tree.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
