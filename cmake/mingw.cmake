# Cross-compiling for Windows with Debian's MinGW-w64, for the processor that
# the including toolchain file names. Only the compilers live here: the
# launcher's own link flags (no runtime, own entry) sit on its target, since
# CMake's compiler check links an ordinary program.
set(CMAKE_SYSTEM_NAME Windows)
set(VARNIX_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
# The posix thread model: GoogleTest for the Windows-side tests needs
# std::mutex, which the win32 variant of Debian's g++ 12 lacks.
set(CMAKE_C_COMPILER ${VARNIX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNIX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNIX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNIX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
