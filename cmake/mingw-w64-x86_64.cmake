# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, so
# that std::thread and std::jthread work). Programs are linked statically and
# run under Wine, which CTest calls through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTREL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREL_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLLs to carry beside each program.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh
                                  ${CMAKE_BINARY_DIR}/wineprefix)
