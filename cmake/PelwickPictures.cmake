# Pictures compiled in already decoded: `pelwick_decode` (tools/) writes "name.argb" beside each
# PNG at build time, the width and the height as two 32-bit numbers, then premultiplied ARGB32
# rows in the building machine's byte order (little-endian: B, G, R, A, what GDI's 32-bit
# bitmaps hold). A cross build has no Qt of its own, so it builds the tool for the building
# machine on the side.

include_guard(GLOBAL)

function(pelwick_decode_tool out_var)
    if(TARGET pelwick_decode)
        set(${out_var} pelwick_decode PARENT_SCOPE)
        return()
    endif()
    set(binary_dir ${PROJECT_BINARY_DIR}/host-tools)
    if(NOT TARGET pelwick_host_tools)
        include(ExternalProject)
        set(launcher)
        if(CMAKE_CXX_COMPILER_LAUNCHER)
            set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
        endif()
        ExternalProject_Add(pelwick_host_tools
            SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools
            BINARY_DIR ${binary_dir}
            CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release ${launcher}
            BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target pelwick_decode
            BUILD_BYPRODUCTS ${binary_dir}/pelwick_decode
            INSTALL_COMMAND ""
            EXCLUDE_FROM_ALL TRUE)
    endif()
    set(${out_var} ${binary_dir}/pelwick_decode PARENT_SCOPE)
endfunction()

# Sets `out_var` to the decoded twins of `names` (paths under resources/ without ".png"), made
# under `out_dir` with the same relative paths.
function(pelwick_decode_pictures out_var out_dir)
    pelwick_decode_tool(decode)
    set(depends ${decode})
    if(TARGET pelwick_host_tools)
        list(APPEND depends pelwick_host_tools)
    endif()
    set(outputs)
    foreach(name IN LISTS ARGN)
        set(in ${PROJECT_SOURCE_DIR}/resources/${name}.png)
        set(out ${out_dir}/${name}.argb)
        cmake_path(GET out PARENT_PATH folder)
        add_custom_command(OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
            COMMAND ${decode} ${in} ${out}
            DEPENDS ${depends} ${in}
            VERBATIM)
        list(APPEND outputs ${out})
    endforeach()
    set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()
