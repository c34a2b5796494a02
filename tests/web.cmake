# The tests of the WebAssembly build (the preset web), run under node:
#   the unit tests that need no other process, built with GoogleTest from
#     its source, run by CMAKE_CROSSCOMPILING_EMULATOR (node);
#   the end-to-end cases, kelvarin-table's tests and kelvarin-graph's test,
#     run by the native build's runners (KELVARIN_NATIVE_TESTS, the preset
#     default's tests/, which make web builds first) on the node programs;
#   the node kelvarin-table's tables of 300 files and its workbook against
#     the native one's.
set(gtest_disable_pthreads ON CACHE BOOL "GoogleTest without threads under node" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "GoogleTest is not installed" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Add a GoogleTest program named after its source file, linked with libraries.
function(kelvarin_web_test name)
  add_executable(${name} ${name}.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARGN} kelvarin_flags gtest gmock gtest_main)
  target_link_options(${name} PRIVATE ${KELVARIN_WEB_NODE_OPTIONS})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
endfunction()

kelvarin_web_test(numbers_test numbers log10)
kelvarin_web_test(scan_test reader)
kelvarin_web_test(reader_test reader analysis)
target_compile_definitions(reader_test PRIVATE KELVARIN_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
kelvarin_web_test(writers_test table_rows dot)

set(KELVARIN_NATIVE_TESTS "${PROJECT_SOURCE_DIR}/build/default/tests" CACHE PATH
    "The native build's tests/, whose runners run the node programs")
set(cases ${CMAKE_CURRENT_SOURCE_DIR}/cases)
set(examples ${PROJECT_SOURCE_DIR}/examples)

# A command for each node program, as the shell tests run a program.
foreach(program kelvarin kelvarin-table kelvarin-graph)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/node-bin/${program}
       CONTENT "#!/bin/sh\nexec node \"$<TARGET_FILE:${program}>\" \"$@\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endforeach()
set(bin ${CMAKE_CURRENT_BINARY_DIR}/node-bin)

add_test(NAME e2e COMMAND ${KELVARIN_NATIVE_TESTS}/e2e_test --gtest_brief=1)
set_tests_properties(e2e PROPERTIES
  ENVIRONMENT "KELVARIN_EXE=$<TARGET_FILE:kelvarin>;KELVARIN_LAUNCHER=node")
# Node opens a FIFO that has no writer by waiting for one, which the native
# program does not, and hands a program its arguments as UTF-8, any other
# bytes replaced; those cases are left to the native build.
add_test(NAME table
         COMMAND ${KELVARIN_NATIVE_TESTS}/table_test --gtest_brief=1
                 --gtest_filter=-TableInputs.NoHangOnAFifoAndStandardInputOnce:TableRows.AFileNameNotUtf8IsSaid)
set_tests_properties(table PROPERTIES ENVIRONMENT "KELVARIN_TABLE_EXE=${bin}/kelvarin-table")
find_program(KELVARIN_PYTHON3 python3 REQUIRED)
add_test(NAME table_json
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/table_json_test.sh ${bin}/kelvarin-table ${cases}
                 ${KELVARIN_PYTHON3})
# The same table as the Linux kelvarin-table's, byte for byte, of 300 files.
add_test(NAME same_table
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/same_table_test.sh ${CMAKE_CURRENT_BINARY_DIR}/same_table
                 ${KELVARIN_NATIVE_TESTS}/../table/kelvarin-table ${bin}/kelvarin-table)
# The same workbook (--xlsx), byte for byte, as the Linux kelvarin-table's,
# which openpyxl reads back as the CSV.
kelvarin_find_python3(KELVARIN_WORKBOOK_PYTHON3 openpyxl)
add_test(NAME table_workbook
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/table_workbook_test.sh
                 ${KELVARIN_NATIVE_TESTS}/../table/kelvarin-table ${cases}
                 ${KELVARIN_WORKBOOK_PYTHON3})
set_tests_properties(table_workbook PROPERTIES ENVIRONMENT
  "KELVARIN_WORKBOOK_OTHER=${bin}/kelvarin-table")
add_test(NAME graph COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/graph_test.sh ${bin}/kelvarin-graph
                            ${examples} ${cases})
add_test(NAME graph_options COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/graph_options_test.sh
                                    ${bin}/kelvarin-graph ${examples} ${cases})

# The page's pure modules (web/src), as tables of input and exact output,
# under node's own test runner.
add_test(NAME page_modules COMMAND node --test ${PROJECT_SOURCE_DIR}/web/test/)
set_tests_properties(page_modules PROPERTIES LABELS web)

# The page in headless chromium and firefox-esr (puppeteer-core from
# web/node_modules): the end-to-end cases opened in it, the examples' table
# against the native kelvarin-table, the summary, the examples' buttons, the
# explanations, the table's statuses and figures, names, files of one name,
# late results, bad entries, Windows-1252 text, Top K, pastes, the status,
# the policy and memory over three passes, the grid, the players' names,
# group20 on one screen, the longest busy time, no request leaving it;
# chromium's run takes docs/page.png, docs/page-phone.png and
# docs/page-group20.png, firefox-esr's its own beside the page.
foreach(browser chromium firefox)
  if(browser STREQUAL chromium)
    set(screenshot ${PROJECT_SOURCE_DIR}/docs/page.png)
  else()
    set(screenshot ${PROJECT_BINARY_DIR}/../page-${browser}.png)
  endif()
  add_test(NAME page_${browser}
           COMMAND node ${PROJECT_SOURCE_DIR}/web/page_test.js ${browser} ${KELVARIN_WEB_PAGE} ${cases}
                   ${examples} ${KELVARIN_NATIVE_TESTS}/../table/kelvarin-table ${screenshot})
  set_tests_properties(page_${browser} PROPERTIES LABELS web RUN_SERIAL ON)
endforeach()
