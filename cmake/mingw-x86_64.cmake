# The same sources for 64-bit Windows. Never shipped: it lets the Windows-side
# tests run under 64-bit Wine on a machine that cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
