# Cross toolchain: 32-bit Windows programs (the product) with Debian's
# mingw-w64 for i686.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVRIN_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Doubles computed in SSE2 registers, rounded to 64 bits at every step as on
# x86-64 and Linux: the x87 unit's 80-bit intermediates made the 32-bit build
# cut elsewhere (90 s less a 5 s overlap at 25 fps came to frame 2124.999...,
# so the second file began a key frame early). SSE2 is in every processor
# that runs Windows 8 or later.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
