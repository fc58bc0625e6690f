# FFmpeg's decoding libraries (libavcodec, libavutil, libswscale) as the one
# INTERFACE target tavrin_ffmpeg, which only the codec/ room's library takes.
# The native half takes Debian's packages through pkg-config; the Windows
# half takes the cross-built libraries.

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
