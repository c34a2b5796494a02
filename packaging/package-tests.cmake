# The Debian package's checks, as tests with the label package (the preset
# package runs them): the fixture package_deb builds the package with CPack
# and extracts it, without installing it; then its files, its dependency on
# GSL's runtime packages, the packaged programs on the packaged examples, the
# packaged kelvarin on every end-to-end case (Debian's hardened flags must not
# change a digit), the packaged manual pages' lint and lintian, which fails on
# an error or a warning (informational tags are shown and pass).
option(KELVARIN_PACKAGE_TESTS "Test the Debian package that CPack builds" OFF)
if(NOT KELVARIN_PACKAGE_TESTS OR NOT KELVARIN_TESTS)
  return()
endif()
find_program(KELVARIN_DPKG dpkg REQUIRED)
find_program(KELVARIN_LINTIAN lintian REQUIRED)
execute_process(COMMAND ${KELVARIN_DPKG} --print-architecture
                OUTPUT_VARIABLE deb_architecture OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(deb ${PROJECT_BINARY_DIR}/kelvarin_${PROJECT_VERSION}_${deb_architecture}.deb)
set(deb_root ${PROJECT_BINARY_DIR}/extracted)
set(deb_work ${PROJECT_BINARY_DIR}/package-checks)

add_test(NAME package_deb
         COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DBUILD=${PROJECT_BINARY_DIR}
                 -DDEB=${deb} -DROOT=${deb_root} -P ${CMAKE_CURRENT_LIST_DIR}/make-deb.cmake)
set_tests_properties(package_deb PROPERTIES FIXTURES_SETUP deb)

set(checks package_e2e package_lintian)
foreach(check contents depends kelvarin table graph)
  add_test(NAME package_${check}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh ${check} ${deb} ${deb_root}
                   ${PROJECT_SOURCE_DIR}/examples ${deb_work}/${check})
  list(APPEND checks package_${check})
endforeach()
foreach(page kelvarin kelvarin-table kelvarin-graph)
  add_test(NAME package_manual_${page}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/package_test.sh manual ${deb} ${deb_root}
                   ${PROJECT_SOURCE_DIR}/examples ${deb_work}/manual ${page})
  list(APPEND checks package_manual_${page})
endforeach()
add_test(NAME package_e2e COMMAND e2e_test --gtest_brief=1)
set_tests_properties(package_e2e PROPERTIES
                     ENVIRONMENT KELVARIN_EXE=${deb_root}/usr/bin/kelvarin)
add_test(NAME package_lintian
         COMMAND ${KELVARIN_LINTIAN} --fail-on error,warning --display-info ${deb})
set_tests_properties(package_deb ${checks} PROPERTIES LABELS package)
set_tests_properties(${checks} PROPERTIES FIXTURES_REQUIRED deb)
