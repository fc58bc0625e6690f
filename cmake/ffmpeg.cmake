# FFmpeg's decoding libraries (libavcodec, libavutil, libswscale) as the one
# INTERFACE target tavrin_ffmpeg, which only the codec/ room's library takes.
# The native half takes Debian's packages through pkg-config; the Windows
# half takes the cross-built libraries.
include_guard(GLOBAL)

# ---- Windows (DLLs built from Debian's source package, cached outside build/) ----
# scripts/ffmpeg_win.sh builds them once per Debian version, architecture and
# configure line into ${TAVRIN_CACHE:-~/.cache/tavrin} and prints the folder;
# when cached it answers at once, so every configure asks it.
# TAVRIN_FFMPEG_DIR names such a folder instead (e.g. one made elsewhere).
# The DLLs are copied beside Tavrin.exe in the tree (the Wine tests run the
# programs from there); COPYING.LGPLv2.1 and SOURCE.txt go to ffmpeg/, where
# scripts/package.sh takes them for the zips.
if(WIN32)
  set(TAVRIN_FFMPEG_DIR "" CACHE PATH "FFmpeg for Windows (made by scripts/ffmpeg_win.sh when empty)")
  set(ffmpeg_dir "${TAVRIN_FFMPEG_DIR}")
  if(NOT ffmpeg_dir)
    execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/ffmpeg_win.sh ${CMAKE_SYSTEM_PROCESSOR}
      OUTPUT_VARIABLE ffmpeg_dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE ffmpeg_failed)
    if(ffmpeg_failed)
      message(FATAL_ERROR "scripts/ffmpeg_win.sh ${CMAKE_SYSTEM_PROCESSOR} failed: no FFmpeg DLLs")
    endif()
  endif()
  message(STATUS "FFmpeg for Windows: ${ffmpeg_dir}")
  add_library(tavrin_ffmpeg INTERFACE)
  set(TAVRIN_FFMPEG_DLLS)
  foreach(lib avcodec avutil swscale)
    # The DLL's name carries the library's major version (avcodec-59.dll).
    file(GLOB dll "${ffmpeg_dir}/bin/${lib}-[0-9]*.dll")
    if(NOT dll OR NOT EXISTS "${ffmpeg_dir}/lib/lib${lib}.dll.a")
      message(FATAL_ERROR "${ffmpeg_dir} holds no ${lib} DLL and import library")
    endif()
    add_library(tavrin_ffmpeg_${lib} SHARED IMPORTED)
    set_target_properties(tavrin_ffmpeg_${lib} PROPERTIES
      IMPORTED_LOCATION "${dll}" IMPORTED_IMPLIB "${ffmpeg_dir}/lib/lib${lib}.dll.a"
      INTERFACE_INCLUDE_DIRECTORIES "${ffmpeg_dir}/include")
    target_link_libraries(tavrin_ffmpeg INTERFACE tavrin_ffmpeg_${lib})
    list(APPEND TAVRIN_FFMPEG_DLLS "${dll}")
  endforeach()
  file(COPY ${TAVRIN_FFMPEG_DLLS} DESTINATION ${CMAKE_BINARY_DIR})
  file(COPY "${ffmpeg_dir}/COPYING.LGPLv2.1" "${ffmpeg_dir}/SOURCE.txt"
    DESTINATION ${CMAKE_BINARY_DIR}/ffmpeg)
  # The names of this configuration's DLLs: a tree configured before an
  # update of FFmpeg may still hold the older ones.
  set(names)
  foreach(dll ${TAVRIN_FFMPEG_DLLS})
    get_filename_component(name "${dll}" NAME)
    string(APPEND names "${name}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/ffmpeg/dlls.txt "${names}")
endif()

# ---- native (Debian's libavcodec-dev, libavutil-dev, libswscale-dev) ----
if(NOT WIN32)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(TAVRIN_LIBAV QUIET IMPORTED_TARGET libavcodec libavutil libswscale)
  endif()
  if(TAVRIN_LIBAV_FOUND)
    add_library(tavrin_ffmpeg INTERFACE)
    target_link_libraries(tavrin_ffmpeg INTERFACE PkgConfig::TAVRIN_LIBAV)
  else()
    message(WARNING "libavcodec, libavutil or libswscale not found (apt-get install libavcodec-dev "
                    "libavutil-dev libswscale-dev): tavrin frame is left out of this build")
  endif()
endif()
