# Shared by the mingw-w64 toolchain files: the including file sets
# TAVRIN_MINGW (the target triplet) and CMAKE_SYSTEM_PROCESSOR.
# The posix thread model is chosen when present so that std::thread and
# std::mutex exist; everything is linked statically (no libgcc/libstdc++ DLLs).
set(CMAKE_SYSTEM_NAME Windows)

find_program(TAVRIN_MINGW_CXX NAMES ${TAVRIN_MINGW}-g++-posix ${TAVRIN_MINGW}-g++ REQUIRED)
find_program(TAVRIN_MINGW_CC NAMES ${TAVRIN_MINGW}-gcc-posix ${TAVRIN_MINGW}-gcc REQUIRED)
find_program(TAVRIN_MINGW_WINDRES NAMES ${TAVRIN_MINGW}-windres REQUIRED)
set(CMAKE_CXX_COMPILER ${TAVRIN_MINGW_CXX})
set(CMAKE_C_COMPILER ${TAVRIN_MINGW_CC})
set(CMAKE_RC_COMPILER ${TAVRIN_MINGW_WINDRES})

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
