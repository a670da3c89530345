# Cross-build for 64-bit Windows with MinGW-w64. The posix thread model is needed for
# std::mutex and std::thread (GoogleTest uses them). Programs link statically, so the .exe
# needs no MinGW DLLs; cross-built tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TALO_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TALO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${TALO_WINE}")
endif()
