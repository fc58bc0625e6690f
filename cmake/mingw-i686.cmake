# Cross toolchain: 32-bit Windows programs (the product) with Debian's
# mingw-w64 for i686.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIN_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
