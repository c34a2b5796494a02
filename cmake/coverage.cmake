# The coverage preset's own steps (KELVARIN_COVERAGE with the tests): every
# build clears the counts of earlier runs, and the test coverage_summary,
# which the preset's workflow runs after all others, prints the line and
# branch coverage of every program's sources (app/, table/, graph/, and
# routines/, reader/, analysis/, load/, logarithm/, command_line/ and text/,
# which they share)
# and fails below 95 % of lines or 90 % of branches.
if(NOT KELVARIN_COVERAGE OR NOT KELVARIN_TESTS)
  return()
endif()
find_program(KELVARIN_GCOVR gcovr REQUIRED)
add_custom_target(coverage_reset ALL
  COMMAND find ${PROJECT_BINARY_DIR} -name *.gcda -delete
  VERBATIM)
add_test(NAME coverage_summary
  COMMAND ${KELVARIN_GCOVR} --root . --filter app/ --filter routines/ --filter reader/
          --filter analysis/ --filter load/ --filter logarithm/ --filter command_line/ --filter text/ --filter table/ --filter graph/
          --exclude-throw-branches --exclude-unreachable-branches --print-summary
          --fail-under-line 95 --fail-under-branch 90 ${PROJECT_BINARY_DIR}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
