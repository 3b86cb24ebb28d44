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
    # A stripped install (cpack) also drops the compilers' ident notes, as Debian's own
    # packages do; nothing reads them.
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                                    --remove-section=.note
                                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pelwick\"
                            COMMAND_ERROR_IS_FATAL ANY)
        endif()")
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

# The changelog names the release's maintainer and date; the package and the manual pages take
# them from its newest entry, so that a release is written down in one place.
set(pelwick_changelog "${PELWICK_RESOURCES_DIR}/changelog")
file(STRINGS "${pelwick_changelog}" pelwick_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT pelwick_trailer MATCHES "^ -- (.+ <[^>]+>)  [A-Za-z]+, ([0-9]+) ([A-Za-z]+) ([0-9]+) ")
    message(FATAL_ERROR "${pelwick_changelog}: no trailer line \" -- name <address>  date\"")
endif()
set(PELWICK_MAINTAINER "${CMAKE_MATCH_1}")
set(PELWICK_MAN_DATE "${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4}")

# Debian wants documentation compressed with gzip -9, and no name or time in the header so that
# the same source makes the same package. Made at configure time, as the package needs no build
# step of its own; an edited source configures again.
set(pelwick_doc_dir "${CMAKE_CURRENT_BINARY_DIR}/doc")
function(pelwick_gzip source target)
    execute_process(COMMAND gzip -9 --no-name --stdout "${source}"
                    OUTPUT_FILE "${target}" COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 "${source}")
endfunction()
file(MAKE_DIRECTORY "${pelwick_doc_dir}/de")
pelwick_gzip("${pelwick_changelog}" "${pelwick_doc_dir}/changelog.gz")
install(FILES "${pelwick_doc_dir}/changelog.gz" DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pelwick)
# Why the package's checker may leave a hint unheeded, one reason for each.
install(FILES "${PELWICK_RESOURCES_DIR}/lintian-overrides"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME pelwick)
# pelwick(1) in German, and in English where no German is asked for.
foreach(lang de en)
    set(suffix ".${lang}")
    set(dir "${CMAKE_INSTALL_MANDIR}/${lang}/man1")
    if(lang STREQUAL "en")
        set(suffix "")
        set(dir "${CMAKE_INSTALL_MANDIR}/man1")
    endif()
    configure_file("${PELWICK_RESOURCES_DIR}/man/pelwick${suffix}.1.in"
                   "${pelwick_doc_dir}/${lang}/pelwick.1" @ONLY)
    pelwick_gzip("${pelwick_doc_dir}/${lang}/pelwick.1" "${pelwick_doc_dir}/${lang}/pelwick.1.gz")
    install(FILES "${pelwick_doc_dir}/${lang}/pelwick.1.gz" DESTINATION ${dir})
endforeach()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "pelwick")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Korvenda")
set(CPACK_PACKAGE_CONTACT "${PELWICK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion that counts the cigarettes you did not smoke")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
# The summary above is the first line; this is the long text below it.
# Lines under 80 characters, for an 80-column terminal with the one space dpkg puts before each.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A small borderless window drawn as a lit cigarette floats above the other\n"
    "windows and shows two running totals since the quit day: the cigarettes not\n"
    "smoked and the money saved. A short German setup wizard asks for the figures\n"
    "at the first start.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
# The shared libraries' packages (Qt, SQLite, the C++ runtime) come from dpkg-shlibdeps; the
# xcb platform plugin ships inside libqt6gui6. The ticker's font falls back to DejaVu.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
# Only packages are built here; a plain `cpack` must not pick up the source tree.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
