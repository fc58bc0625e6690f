# Windows build: Tavrin.exe (dialogs, progress window, start-up), one console
# test program per tests/win/wt_*.cpp (run under Wine by the native test tree)
# and the test plug-in TavrinD.dll. Every folder may still be empty: targets
# without sources are skipped.
#
# File naming: the file holding WinMain is named *main_win32.cpp or
# startup_win32.cpp (ui/winmain_win32.cpp, app/startup_win32.cpp). It is
# compiled straight into Tavrin.exe (the runtime's reference to WinMain comes
# after all libraries on the link line) and is no source of the test programs.
enable_language(RC)

# msvfw32: the Video for Windows decoders; mfuuid and ole32: Media Foundation's GUIDs
# and COM (mfplat.dll itself is loaded at run time, ui/decoder_mf_win32.cpp).
set(TAVRIN_WIN32_LIBS comctl32 comdlg32 shell32 gdi32 user32 msvfw32 mfuuid ole32 winmm)
set(TAVRIN_STATIC_LINK -static -static-libgcc -static-libstdc++)

file(GLOB TAVRIN_WIN32_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/ui/*.cpp ${CMAKE_SOURCE_DIR}/app/*_win32.cpp)
list(FILTER TAVRIN_WIN32_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
set(TAVRIN_ENTRY_SOURCES ${TAVRIN_WIN32_SOURCES})
list(FILTER TAVRIN_ENTRY_SOURCES INCLUDE REGEX "(main|startup)_win32\\.cpp$")
list(FILTER TAVRIN_WIN32_SOURCES EXCLUDE REGEX "(main|startup)_win32\\.cpp$")
# app/*_win32.cpp already sit in tavrin_app; only ui/ needs its own objects.
if(APP_SOURCES AND TAVRIN_WIN32_SOURCES)
  list(REMOVE_ITEM TAVRIN_WIN32_SOURCES ${APP_SOURCES})
endif()

# Window code shared by the program and the test programs. A test program
# takes from it only what it calls; the group lets calls between this library
# and the app's and core's libraries resolve in either direction.
set(TAVRIN_WIN32_LINK tavrin_app tavrin_core)
if(TAVRIN_WIN32_SOURCES)
  add_library(tavrin_win32 STATIC ${TAVRIN_WIN32_SOURCES})
  target_include_directories(tavrin_win32 PRIVATE
    $<TARGET_PROPERTY:tavrin_core,INTERFACE_INCLUDE_DIRECTORIES>)
  # The preview decodes through the codec room first (ui/library_decoder.h),
  # so the program and every test program load FFmpeg's DLLs beside them;
  # the Cut dialog's Find breaks runs the detection room on it.
  if(TARGET tavrin_codec)
    set(TAVRIN_WIN32_LINK $<LINK_GROUP:RESCAN,tavrin_win32,tavrin_detect,tavrin_codec,tavrin_app,tavrin_core>)
  else()
    set(TAVRIN_WIN32_LINK $<LINK_GROUP:RESCAN,tavrin_win32,tavrin_app,tavrin_core>)
    target_compile_definitions(tavrin_win32 PRIVATE TAVRIN_NO_CODEC)
  endif()
  # The system's and the standard library's headers parsed once for all the
  # window's files (windows.h alone is most of each file's time).
  target_precompile_headers(tavrin_win32 PRIVATE
    <windows.h> <commctrl.h> <shellapi.h> <shlobj.h>
    <algorithm> <cstdint> <cstdio> <cstring> <functional> <memory> <string> <vector>)
endif()

# Dialog templates, menus, icon and version block (UTF-8 .rc files with
# #pragma code_page(65001)). The compiler options of the C++ targets mean
# nothing to windres, so this target starts with none.
file(GLOB TAVRIN_RC_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
set(TAVRIN_RESOURCE_OBJECTS)
if(TAVRIN_RC_SOURCES)
  add_library(tavrin_resources OBJECT ${TAVRIN_RC_SOURCES})
  set_property(TARGET tavrin_resources PROPERTY COMPILE_OPTIONS "")
  target_include_directories(tavrin_resources PRIVATE
    ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR}/ui)
  set(TAVRIN_RESOURCE_OBJECTS $<TARGET_OBJECTS:tavrin_resources>)
endif()

function(tavrin_windows_program target)
  target_link_libraries(${target} PRIVATE ${TAVRIN_WIN32_LINK} ${TAVRIN_WIN32_LIBS})
  target_link_options(${target} PRIVATE ${TAVRIN_STATIC_LINK})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

if(TAVRIN_ENTRY_SOURCES)
  add_executable(Tavrin WIN32 ${TAVRIN_ENTRY_SOURCES} ${TAVRIN_RESOURCE_OBJECTS})
  tavrin_windows_program(Tavrin)
else()
  message(STATUS "No WinMain file (ui/*main_win32.cpp, app/startup_win32.cpp) yet: Tavrin.exe is not built")
endif()

# Console test programs: each prints what it checks and returns 0 on success.
# The code they check sits in the libraries above, built as the program is;
# the test programs themselves only drive windows and compare, so they are
# compiled without optimisation, with line tables only (enough for a
# backtrace), and share one precompiled header of the system and standard
# headers (wt_pch): each compiles in a third of the time.
file(GLOB TAVRIN_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/wt_*.cpp)
if(TAVRIN_WIN_TESTS)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wt_pch.cpp CONTENT "// holds the test programs' precompiled header\n")
  add_library(wt_pch OBJECT ${CMAKE_BINARY_DIR}/wt_pch.cpp)
  target_link_libraries(wt_pch PRIVATE tavrin_app tavrin_test_charset)
  target_compile_options(wt_pch PRIVATE -O0 -g1)
  target_precompile_headers(wt_pch PRIVATE
    <windows.h> <commctrl.h> <shellapi.h> <shlobj.h>
    <algorithm> <cstdint> <cstdio> <cstdlib> <cstring> <functional> <string> <vector>)
endif()
foreach(test_source ${TAVRIN_WIN_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_executable(${test_name} ${test_source} ${TAVRIN_RESOURCE_OBJECTS})
  tavrin_windows_program(${test_name})
  target_link_libraries(${test_name} PRIVATE tavrin_test_charset)
  target_compile_options(${test_name} PRIVATE -O0 -g1)
  target_precompile_headers(${test_name} REUSE_FROM wt_pch)
endforeach()

# Preview benchmark: key-frame steps timed in the preview window
# (tools/bench_preview.sh).
add_executable(bench_preview_win ${CMAKE_SOURCE_DIR}/tools/bench_win_preview.cpp)
tavrin_windows_program(bench_preview_win)
target_link_options(bench_preview_win PRIVATE -municode)

# Test plug-in: exports TestFunc under its plain name (i686: __stdcall, its
# decoration removed by --kill-at; x86-64 has one calling convention and no
# decoration). It lands
# in plugin/, away from Tavrin.exe, so that only the tests that copy it next
# to the program (or into its start-up folder) ever load it.
file(GLOB TAVRIN_PLUGIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/plugin/*.cpp)
if(TAVRIN_PLUGIN_SOURCES)
  add_library(TavrinD SHARED ${TAVRIN_PLUGIN_SOURCES})
  target_include_directories(TavrinD PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(TavrinD PRIVATE ${TAVRIN_STATIC_LINK} -Wl,--kill-at)
  set_target_properties(TavrinD PROPERTIES PREFIX "" OUTPUT_NAME TavrinD
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin)
endif()

# The plug-in itself: TavrinD.dll from dll/, a thin shell over the core
# library (the program's channel tells it the job). It lands in dll/, so that
# only what copies it next to Tavrin.exe (the run script, the Wine tests that
# want it) ever loads it.
file(GLOB TAVRIN_DLL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/dll/*_win32.cpp)
if(TAVRIN_DLL_SOURCES)
  add_library(TavrinDll SHARED ${TAVRIN_DLL_SOURCES})
  target_link_libraries(TavrinDll PRIVATE tavrin_app)
  target_link_options(TavrinDll PRIVATE ${TAVRIN_STATIC_LINK} -Wl,--kill-at)
  set_target_properties(TavrinDll PROPERTIES PREFIX "" OUTPUT_NAME TavrinD
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/dll)
endif()

# The command line for Windows: tavrin-cli.exe, a console program from the same
# cli/ sources as the native tavrin (Windows file names ignore case, so it
# cannot be tavrin.exe beside Tavrin.exe). Its messages and JSON are UTF-8, as
# on every other system: the core's texts as they are.
tavrin_sources(TAVRIN_CLI_SOURCES cli)
if(TAVRIN_CLI_SOURCES)
  add_executable(tavrin-cli ${TAVRIN_CLI_SOURCES})
  tavrin_unity_cli(tavrin-cli)
  target_link_libraries(tavrin-cli PRIVATE tavrin_core shell32)
  tavrin_link_codec(tavrin-cli)
  target_link_options(tavrin-cli PRIVATE ${TAVRIN_STATIC_LINK})
  set_target_properties(tavrin-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# What the test command builds, each as one target: the Makefiles build the
# targets named on one command line one after the other, so thirty test
# programs named one by one compile and link one at a time.
#   windows_products  Tavrin.exe and both plug-ins
#   wine_suite        those, tavrin-cli.exe and every test program
#   wine_smoke        those and the short set of tests/wine/smoke.txt
add_custom_target(windows_products)
foreach(target Tavrin TavrinD TavrinDll)
  if(TARGET ${target})
    add_dependencies(windows_products ${target})
  endif()
endforeach()
add_custom_target(wine_suite)
add_custom_target(wine_smoke)
add_dependencies(wine_suite windows_products)
add_dependencies(wine_smoke windows_products)
if(TARGET tavrin-cli)
  add_dependencies(wine_suite tavrin-cli)
endif()
file(STRINGS ${CMAKE_SOURCE_DIR}/tests/wine/smoke.txt TAVRIN_SMOKE_PROGRAMS REGEX "^wt_")
foreach(test_source ${TAVRIN_WIN_TESTS})
  get_filename_component(test_name ${test_source} NAME_WE)
  add_dependencies(wine_suite ${test_name})
  if(test_name IN_LIST TAVRIN_SMOKE_PROGRAMS)
    add_dependencies(wine_smoke ${test_name})
  endif()
endforeach()
