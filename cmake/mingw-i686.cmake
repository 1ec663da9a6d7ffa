# Toolchain for the 32-bit Windows program (x86): mingw-w64 i686.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TDU_MINGW_TRIPLE i686-w64-mingw32)
set(TDU_WINDOWS_ARCH x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
