# What cmake --install and the Debian package (cpack -G DEB in the native
# tree) put where Linux expects it: the program in bin, its manual page in
# share/man/man1 and its bash completion in share/bash-completion. The page
# and the completion are printed by the built program from its own table of
# commands (cli/command_table.cpp), so they always tell what it does.
include(GNUInstallDirs)
# Installing and packing take what is built (build tavrin first): neither
# builds the whole tree, the tests included, on the way.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(TAVRIN_MAN_PAGE ${CMAKE_BINARY_DIR}/tavrin.1)
set(TAVRIN_COMPLETION ${CMAKE_BINARY_DIR}/tavrin.bash-completion)
# Made whenever tavrin is linked, so that a tree built for tavrin alone
# installs and packs too.
add_custom_command(TARGET tavrin POST_BUILD
  COMMAND tavrin --man > ${TAVRIN_MAN_PAGE}
  # -n: no name or time in the header, so the same page packs the same.
  COMMAND gzip -9 -n -f ${TAVRIN_MAN_PAGE} -c > ${TAVRIN_MAN_PAGE}.gz
  COMMAND tavrin --bash-completion > ${TAVRIN_COMPLETION}
  COMMENT "Writing the manual page and the bash completion of tavrin"
  VERBATIM)

install(TARGETS tavrin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TAVRIN_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TAVRIN_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME tavrin)

# cpack -G DEB: tavrin_VERSION_ARCH.deb installing the three under /usr,
# its dependencies read from the program by dpkg-shlibdeps (dpkg-dev).
set(TAVRIN_DEB_MAINTAINER "Tavrin developers <maintainers@tavrin.invalid>" CACHE STRING
  "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "Tavrin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The summary and the list of commands come from the table of commands
# (cli/command_table.cpp), as the manual page's do, so that the package
# tells of every command; tests/cli/test_install.sh holds them to what
# `tavrin help` prints. Read again whenever the table changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/cli/command_table.cpp)
file(READ ${CMAKE_SOURCE_DIR}/cli/command_table.cpp tavrin_table)
if(NOT tavrin_table MATCHES "kProgramSummary\\[\\] = \"([^\"]+)\";")
  message(FATAL_ERROR "cli/command_table.cpp: no kProgramSummary for the package's summary")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_MATCH_1}")
# A row begins {"NAME", RunNAME, "what the command does", ...
string(REGEX MATCHALL "{\"[a-z]+\", Run[A-Za-z]+, \"[^\"]+\"" tavrin_rows "${tavrin_table}")
if(NOT tavrin_rows)
  message(FATAL_ERROR "cli/command_table.cpp: no command rows for the package's description")
endif()
set(CPACK_PACKAGE_DESCRIPTION
  "tavrin splits AVI files at video key frames (in two, or into pieces by\n"
  "time or size), merges the parts back, joins recordings of one format,\n"
  "keeps or drops ranges and streams, puts other sound in and repairs\n"
  "recordings that ended badly, without re-encoding anything. It reads AVI\n"
  "1.0 and OpenDML (AVI 2.0) files of any size and can share the unchanged\n"
  "data on file systems that clone.\n"
  "\n"
  "Commands:\n")
foreach(row IN LISTS tavrin_rows)
  string(REGEX REPLACE "^{\"([a-z]+)\", Run[A-Za-z]+, \"([^\"]+)\"$" "  \\1: \\2\n" line "${row}")
  string(APPEND CPACK_PACKAGE_DESCRIPTION "${line}")
endforeach()
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
