# What both Windows toolchains share: mingw-w64 with the posix threading model
# (the win32 one has no std::thread), a static runtime, and the programs run
# under Wine in the prefix of their architecture. The including file sets
# CMAKE_SYSTEM_PROCESSOR, TDU_MINGW_TRIPLE and TDU_WINDOWS_ARCH (x86 or x64).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${TDU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TDU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${TDU_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TDU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --arch ${TDU_WINDOWS_ARCH})
