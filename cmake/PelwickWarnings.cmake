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

if(PELWICK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
