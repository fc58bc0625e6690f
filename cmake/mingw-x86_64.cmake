# Cross toolchain: 64-bit Windows programs from the same sources, with
# Debian's mingw-w64 for x86-64 (also the build that runs under 64-bit Wine
# on machines that run no 32-bit code).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVRIN_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
