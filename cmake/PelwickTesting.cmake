# pelwick_add_test(<name> [NO_MAIN] LABELS <label>... SOURCES <file>... LIBS <target>...
#                  [ARGS <argument>...])
#
# NO_MAIN: the sources or LIBS bring their own main (the GUI tests need a QApplication).
# ARGS: the test program's command-line arguments.
#
# Builds one GoogleTest program and registers it with CTest. Every test runs with a private,
# empty XDG_CONFIG_HOME (and WINEPREFIX under Wine) so that no test touches a real user's
# settings and no test depends on another.
function(pelwick_add_test name)
    cmake_parse_arguments(ARG "NO_MAIN" "" "LABELS;SOURCES;LIBS;ARGS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} pelwick_warnings)
    if(NOT ARG_NO_MAIN)
        target_link_libraries(${name} PRIVATE pelwick_gtest_main)
    endif()
    set(sandbox "${CMAKE_CURRENT_BINARY_DIR}/${name}.home")
    set(labels ${ARG_LABELS})
    if(CMAKE_CROSSCOMPILING AND WIN32)
        list(APPEND labels windows)
    endif()
    add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
    set_tests_properties(${name} PROPERTIES
        LABELS "${labels}"
        ENVIRONMENT "XDG_CONFIG_HOME=${sandbox}/config;HOME=${sandbox};WINEPREFIX=${sandbox}/wine;WINEDEBUG=-all"
        FIXTURES_REQUIRED pelwick_sandbox_${name})
    # Emptied and made again. Under Wine the prefix is made here, as a 64-bit Windows with its
    # 32-bit side whatever this machine runs (the script says how).
    set(make_prefix true)
    if(CMAKE_CROSSCOMPILING AND WIN32)
        set(make_prefix "${PROJECT_SOURCE_DIR}/tests/win32/make-prefix.sh \"\$0/wine\"")
    endif()
    add_test(NAME ${name}.sandbox
             COMMAND sh -c "rm -rf -- \"\$0\" && mkdir -p -- \"\$0\" && ${make_prefix}"
                     "${sandbox}")
    set_tests_properties(${name}.sandbox PROPERTIES FIXTURES_SETUP pelwick_sandbox_${name}
                                                   LABELS "${labels}")
    if(CMAKE_CROSSCOMPILING AND WIN32)
        # A Wine prefix takes over a gigabyte: each goes as soon as its test has run, after
        # its wineserver.
        add_test(NAME ${name}.cleanup
                 COMMAND sh -c "WINEPREFIX=\"\$0/wine\" wineserver -k 2>/dev/null; rm -rf -- \"\$0\""
                         "${sandbox}")
        set_tests_properties(${name}.cleanup PROPERTIES FIXTURES_CLEANUP pelwick_sandbox_${name}
                                                       LABELS "${labels}")
    endif()
endfunction()
