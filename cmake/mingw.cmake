# What both cross toolchains share: Debian's mingw-w64 (posix thread model)
# for KESTRAVA_MINGW, the target triple the including file sets.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${KESTRAVA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRAVA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER  ${KESTRAVA_MINGW}-windres)
set(CMAKE_DLLTOOL     ${KESTRAVA_MINGW}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRAVA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables run under Wine, inside the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run")
