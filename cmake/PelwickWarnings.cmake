# One place for the compiler flags that every target of the project gets.
add_library(pelwick_warnings INTERFACE)
if(MSVC)
    target_compile_options(pelwick_warnings INTERFACE /W4 /utf-8)
    if(PELWICK_WERROR)
        target_compile_options(pelwick_warnings INTERFACE /WX)
    endif()
else()
    target_compile_options(pelwick_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                                                      -Wnon-virtual-dtor -Wold-style-cast
                                                      -Wcast-align -Woverloaded-virtual)
    if(PELWICK_WERROR)
        target_compile_options(pelwick_warnings INTERFACE -Werror)
    endif()
endif()

# Hardened as Debian builds its own packages (dpkg-buildflags): checked buffer sizes in the C
# library's calls, guarded stacks, and the symbols bound at start so that their table can be
# made read-only. The checked calls need the optimiser; the sanitizers bring checks of their own.
if(NOT WIN32 AND NOT MSVC AND NOT PELWICK_SANITIZE AND NOT PELWICK_BUILD_FUZZ)
    target_compile_definitions(pelwick_warnings INTERFACE
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    target_compile_options(pelwick_warnings INTERFACE -fstack-protector-strong)
    target_link_options(pelwick_warnings INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()

if(PELWICK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
