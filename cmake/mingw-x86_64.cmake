# Toolchain for the 64-bit Windows program (x64): mingw-w64 x86_64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TDU_MINGW_TRIPLE x86_64-w64-mingw32)
set(TDU_WINDOWS_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
