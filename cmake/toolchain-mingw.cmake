# Windows with Debian's MinGW-w64 cross compiler, posix-thread variant (its C++ library has
# std::mutex and std::thread); the including file names the processor and the triple.
# Executables are linked statically, so they run under Wine without any MinGW DLL.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PELWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PELWICK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELWICK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
