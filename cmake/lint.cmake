# The lint preset's own parts (KELVARIN_LINT). clang-tidy and cppcheck run on
# every source as it is compiled (CMAKE_<LANG>_CLANG_TIDY and
# CMAKE_<LANG>_CPPCHECK, set by the preset), so a finding of either fails the
# build; clang-tidy reads the .clang-tidy nearest to each source, tests/ having
# its own exceptions. The yardstick of the benchmarks is compiled here too, so
# that it is analysed as the program is. The test clang_format checks every C
# and C++ source of the project (the end-to-end cases' files are data) against
# the checked-in .clang-format.
if(NOT KELVARIN_LINT)
  return()
endif()
add_library(bench_bare OBJECT ${PROJECT_SOURCE_DIR}/tools/bench/bare.c)
target_link_libraries(bench_bare PRIVATE kelvarin_flags GSL::gsl)

find_program(KELVARIN_CLANG_FORMAT clang-format REQUIRED)
set(format_sources "")
foreach(folder analysis app command_line face graph load logarithm matrix numbers reader routines table
               tests text tools)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.c
       ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  list(FILTER found EXCLUDE REGEX "^${PROJECT_SOURCE_DIR}/tests/cases/")
  list(APPEND format_sources ${found})
endforeach()
list(SORT format_sources)
add_test(NAME clang_format
         COMMAND ${KELVARIN_CLANG_FORMAT} --dry-run --Werror ${format_sources})
set_tests_properties(clang_format PROPERTIES LABELS lint)
