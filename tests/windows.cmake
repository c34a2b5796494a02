# The test suite of the cross build for Windows (the preset windows), run by
# CTest under wine. It checks the Windows download as a user gets it: the
# fixture windows_zip packs it with CPack and unpacks it, and the programs in
# it run under wine, compared with the Linux build of the preset default
# (KELVARIN_LINUX_BUILD, which must be built first: its kelvarin,
# kelvarin-table, kelvarin-graph and end-to-end runner e2e_test).
#
# The unit tests, death tests included, run under wine too, built with
# GoogleTest from its source (tests/mingw gives it what mingw-w64's win32
# thread model lacks). kelvarin-table's own tests, its JSON test and
# kelvarin-graph's test run on the Windows programs, and
# kelvarin-table's tables of 300 generated files are compared with the Linux
# program's. Left out here:
# mutation_test, whose 2,000 runs would each start wine; the test of the
# table's clients, whose file name holds a double quote, which Windows does
# not allow; kelvarin-graph's test of its options, which refuses Linux's
# devices; the preloaded failing allocators (allocation_test and part of
# conditions), a full disk (/dev/full), FIFOs and closed descriptors
# (conditions), which Windows does not have; and valgrind's memcheck. The
# sanitizer, coverage and lint builds are Linux builds only.
set(KELVARIN_LINUX_BUILD "" CACHE PATH
    "Build of the preset default whose programs the Windows programs are compared with")
if(NOT EXISTS ${KELVARIN_LINUX_BUILD}/CMakeCache.txt)
  message(FATAL_ERROR "KELVARIN_LINUX_BUILD (\"${KELVARIN_LINUX_BUILD}\") must be a build "
    "of the preset default; the preset windows sets it to build/default")
endif()
find_program(KELVARIN_WINE wine REQUIRED)
find_program(KELVARIN_WINESERVER wineserver REQUIRED)
find_program(KELVARIN_WINEBOOT wineboot REQUIRED)
find_program(KELVARIN_OBJDUMP ${KELVARIN_MINGW_TRIPLET}-objdump REQUIRED)

# wine's prefix (WINEPREFIX, set by the test preset) is made once, and its
# registry written when the server that made it ends. Then the fixture wine
# starts one server for the whole suite, which stays for up to ten minutes
# without a program, and wine's services with it, their output closed: a
# server that ends between two tests can meet the next one's start
# ("recvmsg: Connection reset by peer"), and services started by a test would
# hold its output open, so that CTest would wait for them. (A server left
# by an earlier run is taken as it is.) The last test ends the server and
# the services.
add_test(NAME windows_wine_start
         COMMAND sh -c "exec </dev/null >/dev/null 2>&1
                        { [ -f \"$WINEPREFIX/system.reg\" ] || { \"$0\" --init && \"$1\" -w; }; } &&
                        { \"$1\" -p600 || :; } && \"$0\""
                 ${KELVARIN_WINEBOOT} ${KELVARIN_WINESERVER})
add_test(NAME windows_wine_end COMMAND sh -c "\"$0\" -k; \"$0\" -w" ${KELVARIN_WINESERVER})
set_tests_properties(windows_wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(windows_wine_end PROPERTIES FIXTURES_CLEANUP wine)

# The unit tests, each one program run by wine, the emulator of every
# program built here.
set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARIN_WINE})
set(INSTALL_GTEST OFF CACHE BOOL "GoogleTest is not installed" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_include_directories(gtest BEFORE PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/mingw)
foreach(test numbers_test:numbers,log10 scan_test:reader reader_test:reader,analysis routines_test:routines,analysis
             writers_test:table_rows,dot)
  string(REPLACE ":" ";" parts ${test})
  list(GET parts 0 name)
  list(GET parts 1 libraries)
  string(REPLACE "," ";" libraries ${libraries})
  add_executable(${name} ${name}.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${libraries} kelvarin_flags gtest gmock gtest_main)
  target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
  add_test(NAME windows_${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(windows_${name} PROPERTIES FIXTURES_REQUIRED wine)
endforeach()
# The program writes a negative NaN as "-nan", as glibc's printf does and
# the Linux program's reports show; msvcrt.dll's printf, which that test
# takes as the model of each field, writes "nan".
set_tests_properties(windows_routines_test PROPERTIES ENVIRONMENT
  "GTEST_FILTER=-Printing.FieldsAreWhatPrintfWritesHoweverLongTheLine")
target_compile_definitions(reader_test PRIVATE KELVARIN_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")

# The download, packed and unpacked, and its files.
set(top kelvarin-${PROJECT_VERSION}-win64)
set(zip_check ${PROJECT_BINARY_DIR}/zip-check)
set(unpacked ${zip_check}/${top})
set(check ${CMAKE_CURRENT_SOURCE_DIR}/windows_test.sh)
add_test(NAME windows_zip
         COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DBUILD=${PROJECT_BINARY_DIR}
                 -DZIP=${PROJECT_BINARY_DIR}/${top}.zip -DCHECK=${zip_check}
                 -P ${PROJECT_SOURCE_DIR}/packaging/unpack-zip.cmake)
set_tests_properties(windows_zip PROPERTIES FIXTURES_SETUP zip)
add_test(NAME windows_zip_contents
         COMMAND ${check} contents ${unpacked} ${KELVARIN_GSL_DEBIAN_VERSION}
                 ${PROJECT_SOURCE_DIR}/examples)
add_test(NAME windows_printf COMMAND ${check} imports ${unpacked}/kelvarin.exe ${KELVARIN_OBJDUMP})
set_tests_properties(windows_zip_contents windows_printf PROPERTIES FIXTURES_REQUIRED zip)

# The end-to-end cases on the unpacked kelvarin.exe, by the Linux runner.
set(linux ${KELVARIN_LINUX_BUILD})
add_test(NAME windows_e2e COMMAND ${linux}/tests/e2e_test --gtest_brief=1)
set_tests_properties(windows_e2e PROPERTIES ENVIRONMENT
  "KELVARIN_EXE=${unpacked}/kelvarin.exe;KELVARIN_LAUNCHER=${KELVARIN_WINE};KELVARIN_CRLF=1")
set(wine_tests windows_e2e)

# Each unpacked example reported as the Linux kelvarin reports it.
file(GLOB examples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.dat)
set(names "")
foreach(example ${examples})
  get_filename_component(name ${example} NAME)
  list(APPEND names ${name})
  add_test(NAME windows_report_${name}
           COMMAND ${check} report ${unpacked} ${name} ${linux}/app/kelvarin ${example})
  list(APPEND wine_tests windows_report_${name})
endforeach()

# kelvarin-table.exe and kelvarin-graph.exe against the Linux programs: the
# examples' file table, --players and --json, with the names written with "/",
# which Windows takes as "\", so that the file column is the same on both;
# then, in a folder of files named without one, so that the diagnostics'
# file names are the same on both, a list with a missing file, the list as
# JSON, each file's graph, and the 20-player example's heat map, focus and
# strongest ties.
set(work ${PROJECT_BINARY_DIR}/companions)
set(files ${work}/files)
set(table ${unpacked}/kelvarin-table.exe ${linux}/table/kelvarin-table)
set(graph ${unpacked}/kelvarin-graph.exe ${linux}/graph/kelvarin-graph)
list(TRANSFORM names PREPEND examples/ OUTPUT_VARIABLE example_paths)
add_test(NAME windows_table COMMAND ${check} compare ${unpacked} ${table} ${work}/table
                                    ${example_paths})
list(APPEND wine_tests windows_table)
foreach(form players json)
  add_test(NAME windows_table_${form} COMMAND ${check} compare ${unpacked} ${table}
                                              ${work}/table_${form} --${form} ${example_paths})
  list(APPEND wine_tests windows_table_${form})
endforeach()
add_test(NAME windows_files COMMAND ${check} files ${unpacked} ${CMAKE_CURRENT_SOURCE_DIR}/cases
                                    ${files})
set_tests_properties(windows_files PROPERTIES FIXTURES_REQUIRED zip FIXTURES_SETUP files)
add_test(NAME windows_table_list COMMAND ${check} compare ${files} ${table} ${work}/list
                                         --files-from=list missing.dat)
add_test(NAME windows_table_json_list COMMAND ${check} compare ${files} ${table} ${work}/json_list
                                              --json --files-from list)
set(file_tests windows_table_list windows_table_json_list)
foreach(name ${names} hostile.dat comma.dat ansi.dat overflow.dat)
  add_test(NAME windows_graph_${name} COMMAND ${check} compare ${files} ${graph}
                                              ${work}/graph_${name} ${name})
  list(APPEND file_tests windows_graph_${name})
endforeach()
# The 20-player example's other views.
foreach(view heatmap focus top)
  set(option --${view})
  if(view STREQUAL top)
    set(option --top=3 --min 0.5)
  endif()
  add_test(NAME windows_graph_${view} COMMAND ${check} compare ${files} ${graph}
                                              ${work}/graph_${view} ${option} group20.dat)
  list(APPEND file_tests windows_graph_${view})
endforeach()
# The same table as the Linux kelvarin-table's, byte for byte with CR LF
# folded, of 300 files.
add_test(NAME windows_same_table
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/same_table_test.sh ${work}/same_table
                 ${linux}/table/kelvarin-table ${KELVARIN_WINE} ${unpacked}/kelvarin-table.exe)
list(APPEND wine_tests windows_same_table)
# The same workbook (--xlsx), byte for byte, as the Linux kelvarin-table's,
# which openpyxl reads back as the CSV.
kelvarin_find_python3(KELVARIN_WORKBOOK_PYTHON3 openpyxl)
add_test(NAME windows_table_workbook
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/table_workbook_test.sh ${linux}/table/kelvarin-table
                 ${CMAKE_CURRENT_SOURCE_DIR}/cases ${KELVARIN_WORKBOOK_PYTHON3})
set_tests_properties(windows_table_workbook PROPERTIES ENVIRONMENT
  "KELVARIN_WORKBOOK_OTHER=${KELVARIN_WINE} ${unpacked}/kelvarin-table.exe")
list(APPEND wine_tests windows_table_workbook)
# A refused option is told as on Linux: mingw-w64's getopt_long reports an
# argument given to an option that takes none otherwise than glibc's.
foreach(option --json=x --files-from)
  string(MAKE_C_IDENTIFIER ${option} name)
  add_test(NAME windows_table_option${name} COMMAND ${check} compare ${unpacked} ${table}
                                                    ${work}/option${name} ${option})
  list(APPEND wine_tests windows_table_option${name})
endforeach()

# kelvarin-table.exe and kelvarin-graph.exe as the Linux tests run a
# program: under wine, their CR LF line ends (which the comparisons above
# check) turned into line feeds. kelvarin-table's unit of tests runs but for
# the FIFO, which Windows does not have, and a file name that is not UTF-8,
# which Windows does not pass as it is; and so do the tests of its JSON and
# of kelvarin-graph's pictures.
foreach(program kelvarin-table kelvarin-graph)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/wine-bin/${program}
       CONTENT "#!/bin/sh
out=$(mktemp) && err=$(mktemp) || exit 125
\"${KELVARIN_WINE}\" \"${unpacked}/${program}.exe\" \"$@\" >\"$out\" 2>\"$err\"
status=$?
sed -z 's/\\r\\n/\\n/g' \"$err\" >&2
sed -z 's/\\r\\n/\\n/g' \"$out\"
rm -f \"$out\" \"$err\"
exit $status
"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
endforeach()
set(wine_bin ${CMAKE_CURRENT_BINARY_DIR}/wine-bin)
add_test(NAME windows_table_test
         COMMAND ${linux}/tests/table_test --gtest_brief=1
                 --gtest_filter=-TableInputs.NoHangOnAFifoAndStandardInputOnce:TableRows.AFileNameNotUtf8IsSaid)
set_tests_properties(windows_table_test PROPERTIES ENVIRONMENT
  "KELVARIN_TABLE_EXE=${wine_bin}/kelvarin-table")
find_program(KELVARIN_PYTHON3 python3 REQUIRED)
add_test(NAME windows_table_json_test
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/table_json_test.sh ${wine_bin}/kelvarin-table
                 ${CMAKE_CURRENT_SOURCE_DIR}/cases ${KELVARIN_PYTHON3})
add_test(NAME windows_graph_test
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/graph_test.sh ${wine_bin}/kelvarin-graph
                 ${PROJECT_SOURCE_DIR}/examples ${CMAKE_CURRENT_SOURCE_DIR}/cases)
list(APPEND wine_tests windows_table_test windows_table_json_test windows_graph_test)
set_tests_properties(${file_tests} PROPERTIES FIXTURES_REQUIRED "zip;files;wine")
set_tests_properties(${wine_tests} PROPERTIES FIXTURES_REQUIRED "zip;wine")
