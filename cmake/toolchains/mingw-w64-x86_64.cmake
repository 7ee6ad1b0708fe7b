# SPDX-License-Identifier: BSD-3-Clause
# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread needs). Programs are linked statically, so they run
# on a bare Windows without MinGW's DLLs, and run here under Wine: CMake's emulator runs the
# test discovery, the example generator and CTest's tests, with a Wine prefix of the build's
# own, through tools/wine-run.sh, which makes again a run that Wine ended before it began.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(VANTREL_WINE NAMES wine wine64)
if(VANTREL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all
        WINE=${VANTREL_WINE} bash ${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run.sh)
endif()
