# 64-bit Windows: its tests run under 64-bit Wine, which every machine of ours can execute.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELWICK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
