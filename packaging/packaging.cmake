# Installation and the Debian package.
#
#   cmake --install <build> --prefix <dir>   installs the programs, their
#                                            manual pages and the example
#                                            data files;
#   cpack -G DEB (in <build>)                builds kelvarin_<version>_<arch>.deb
#                                            from the same rules, laid out
#                                            for Debian by
#                                            deb-staging.cmake beside this file.

# The Windows download, from a cross build (the preset windows):
#   cpack -G ZIP (in <build>)   builds kelvarin-<version>-win64.zip, whose
#                               folder kelvarin-<version>-win64/ holds
#                               kelvarin.exe, kelvarin-table.exe and
#                               kelvarin-graph.exe, their manuals as HTML,
#                               README.txt, LICENSE.txt and the examples.
# The installation layout and the Debian package below are not made there.
set(CPACK_PACKAGE_NAME kelvarin)
set(CPACK_PACKAGE_VENDOR "Kelvarin developers")
set(CPACK_STRIP_FILES ON)

# The page, kelvarin.html, which make page builds: one file that runs the
# three programs in any browser with no install. Both downloads carry it
# (make package and make windows build it first, and their tests check it);
# an install without it leaves it out.
set(KELVARIN_PAGE ${PROJECT_SOURCE_DIR}/build/web/kelvarin.html CACHE FILEPATH
    "The page that the downloads carry (make web builds it)")

if(WIN32)
  # README.txt names the source GSL was built from, as the GPL asks of
  # whoever passes the GSL inside kelvarin.exe on.
  # tools/gsl.sh windows writes it beside that GSL, in built-from ("gsl_<version>").
  set(gsl_built_from "")
  if(EXISTS ${GSL_ROOT_DIR}/built-from)
    file(STRINGS ${GSL_ROOT_DIR}/built-from gsl_built_from LIMIT_COUNT 1)
    string(REGEX REPLACE "^gsl_" "" gsl_built_from "${gsl_built_from}")
  endif()
  set(KELVARIN_GSL_DEBIAN_VERSION "${gsl_built_from}" CACHE STRING
      "Version of Debian's source package gsl that the GSL for Windows was built from")
  if(NOT KELVARIN_GSL_DEBIAN_VERSION MATCHES "^([0-9.]+)[+~-]"
     OR NOT CMAKE_MATCH_1 VERSION_EQUAL GSL_VERSION)
    message(FATAL_ERROR "KELVARIN_GSL_DEBIAN_VERSION (\"${KELVARIN_GSL_DEBIAN_VERSION}\") "
      "must be the version of Debian's source package of GSL ${GSL_VERSION}, from which "
      "${GSL_ROOT_DIR} was built; tools/gsl.sh windows writes it in ${GSL_ROOT_DIR}/built-from")
  endif()
  # And the sources of MPFR and GMP's mini-gmp inside the programs, as their
  # license, the LGPL, asks: tools/mpfr.sh windows writes them in built-from
  # ("mpfr4=<version> gmp=<version>").
  set(mpfr_built_from "")
  if(EXISTS ${MPFR_ROOT_DIR}/built-from)
    file(STRINGS ${MPFR_ROOT_DIR}/built-from mpfr_built_from LIMIT_COUNT 1)
  endif()
  if(NOT mpfr_built_from MATCHES "^mpfr4=([^ ]+) gmp=([^ ]+)$")
    message(FATAL_ERROR "${MPFR_ROOT_DIR}/built-from (\"${mpfr_built_from}\") must name "
      "Debian's source packages of MPFR and GMP, as tools/mpfr.sh windows writes it")
  endif()
  set(KELVARIN_MPFR_DEBIAN_VERSION ${CMAKE_MATCH_1})
  set(KELVARIN_GMP_DEBIAN_VERSION ${CMAKE_MATCH_2})
  # And the source of libxlsxwriter in kelvarin-table.exe: tools/xlsxwriter.sh
  # windows writes it in built-from ("libxlsxwriter=<version>").
  set(xlsxwriter_built_from "")
  if(EXISTS ${XLSXWRITER_ROOT_DIR}/built-from)
    file(STRINGS ${XLSXWRITER_ROOT_DIR}/built-from xlsxwriter_built_from LIMIT_COUNT 1)
  endif()
  if(NOT xlsxwriter_built_from MATCHES "^libxlsxwriter=([^ ]+)$")
    message(FATAL_ERROR "${XLSXWRITER_ROOT_DIR}/built-from (\"${xlsxwriter_built_from}\") must "
      "name Debian's source package of libxlsxwriter, as tools/xlsxwriter.sh windows writes it")
  endif()
  set(KELVARIN_XLSXWRITER_DEBIAN_VERSION ${CMAKE_MATCH_1})
  set(windows_files ${PROJECT_BINARY_DIR}/windows)

  # Each manual as a web page, which Windows opens without other software:
  # the manual page with its register "windows" set, which gives its Windows
  # paths, statuses and shells.
  find_program(KELVARIN_MANDOC mandoc REQUIRED)
  file(CONFIGURE OUTPUT ${windows_files}/windows.roff CONTENT ".nr windows 1\n")
  set(manuals_html "")
  foreach(page kelvarin kelvarin-table kelvarin-graph)
    set(manual ${PROJECT_SOURCE_DIR}/man/${page}.1)
    add_custom_command(OUTPUT ${windows_files}/${page}-manual.html
      COMMAND ${CMAKE_COMMAND} -E cat ${windows_files}/windows.roff ${manual}
              > ${windows_files}/${page}.1
      COMMAND ${KELVARIN_MANDOC} -T html ${windows_files}/${page}.1
              > ${windows_files}/${page}-manual.html.new
      COMMAND ${CMAKE_COMMAND} -E rename ${windows_files}/${page}-manual.html.new
              ${windows_files}/${page}-manual.html
      DEPENDS ${manual}
      COMMENT "Rendering the manual page ${page}.1 as HTML"
      VERBATIM)
    list(APPEND manuals_html ${windows_files}/${page}-manual.html)
  endforeach()
  add_custom_target(manual_html ALL DEPENDS ${manuals_html})

  # Text files with CR LF line ends, for Windows editors, the examples too
  # (the program reads CR LF as LF, so their reports stay the same). LICENSE
  # and the examples hold no "@", so @ONLY copies them unchanged.
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README.windows.txt.in
                 ${windows_files}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${windows_files}/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  # libxlsxwriter's license, which kelvarin-table.exe's download must carry (it
  # holds no "@NAME@" for @ONLY to replace).
  configure_file(${XLSXWRITER_ROOT_DIR}/License.txt ${windows_files}/LICENSE-libxlsxwriter.txt
                 @ONLY NEWLINE_STYLE CRLF)
  file(GLOB examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.dat)
  foreach(example ${examples})
    get_filename_component(name ${example} NAME)
    configure_file(${example} ${windows_files}/examples/${name} @ONLY NEWLINE_STYLE CRLF)
  endforeach()

  install(TARGETS kelvarin kelvarin-table kelvarin-graph RUNTIME DESTINATION .)
  install(FILES ${manuals_html} ${windows_files}/README.txt ${windows_files}/LICENSE.txt
                ${windows_files}/LICENSE-libxlsxwriter.txt DESTINATION .)
  install(FILES ${KELVARIN_PAGE} DESTINATION . OPTIONAL)
  install(DIRECTORY ${windows_files}/examples DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kelvarin-${PROJECT_VERSION}-win64)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)

install(FILES ${KELVARIN_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvarin OPTIONAL)

install(TARGETS kelvarin kelvarin-table kelvarin-graph RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/kelvarin.1 ${PROJECT_SOURCE_DIR}/man/kelvarin-table.1
              ${PROJECT_SOURCE_DIR}/man/kelvarin-graph.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The folder is read at install time, so a data file added to examples/ is
# installed without configuring again.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.dat")
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
# kelvarin-table (and the page) contain libxlsxwriter, whose license asks
# that its notice go with the programs.
install(FILES ${XLSXWRITER_ROOT_DIR}/License.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME LICENSE-libxlsxwriter)

set(KELVARIN_MAINTAINER "Kelvarin developers <kelvarin@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_CONTACT "${KELVARIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "influence structure of a small group: empath, driver and weights")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELVARIN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The extended description. CPack writes the summary above it as the synopsis
# and starts each of its lines with the blank that the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"kelvarin reads the influence matrix of a group of 2 to 20 players from a
text data file and reports every player's sums of squares, the empath and
the driver of the group, the weights Q that solve M Q = V' for the matrix
reduced about the empath, the synchronization coefficient S_E, and the
determinant and 1-norm condition number of the reduced matrix.
kelvarin-table analyses any number of such files in one run and writes
their results as one CSV or JSON table. kelvarin-graph draws a group's
influence network as a Graphviz graph.")
# kelvarin-graph's graph is drawn by Graphviz's dot.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS graphviz)
# The Debian package's own files and layout (packaging/deb-staging.cmake).
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb-staging.cmake)
set(CPACK_KELVARIN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CPACK_KELVARIN_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_KELVARIN_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_KELVARIN_DOCDIR ${CMAKE_INSTALL_DOCDIR})
# dpkg-shlibdeps names the packages of the shared libraries the program needs
# itself (GSL and the C library; the C++ runtime is linked in) with their
# minimum versions. GSL's CBLAS
# (soname 0) is loaded through libgsl, so its package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(NOT KELVARIN_STATIC)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS libgslcblas0)
endif()

include(CPack)
include(${CMAKE_CURRENT_LIST_DIR}/package-tests.cmake)
