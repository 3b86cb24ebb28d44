# cmake -DOBJDUMP=<objdump> -DEXE=<pelwick.exe> -P CheckImports.cmake
# Fails unless the executable's import table names exactly these libraries: the least a window
# needs (kernel32, user32, gdi32, the C runtime) and advapi32 for the registry.
set(expected advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
list(TRANSFORM names REPLACE "DLL Name: " "")
list(TRANSFORM names TOLOWER)
list(SORT names)
if(NOT names STREQUAL expected)
    message(FATAL_ERROR "${EXE} imports ${names}, expected ${expected}")
endif()
message(STATUS "imports: ${names}")
