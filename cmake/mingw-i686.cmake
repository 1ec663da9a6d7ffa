# Toolchain for the 32-bit Windows program: mingw-w64 i686 with the posix
# threading model (the win32 one has no std::thread), static runtime.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TDU_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TDU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TDU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TDU_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TDU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
