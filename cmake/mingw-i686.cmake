# Cross toolchain: 32-bit Windows binaries.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KESTRAVA_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
