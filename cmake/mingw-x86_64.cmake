# Cross toolchain: 64-bit Windows binaries.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KESTRAVA_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
