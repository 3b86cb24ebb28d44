# 32-bit Windows, what we ship.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(PELWICK_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
