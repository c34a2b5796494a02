// A run whose sums of squares cannot be allocated reports it and ends with
// status 1 instead of writing through a null pointer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/run_program.h"
#include "version/version.h"

namespace {

TEST(Allocation, FailureOfTheSumsIsReported) {
  ASSERT_EQ(setenv("LD_PRELOAD", FAIL_CALLOC_LIBRARY, 1), 0);
  const RunResult run = RunProgram({KELVARIN_EXE, "input"}, KELVARIN_CASES "/triad", 10);
  unsetenv("LD_PRELOAD");

  EXPECT_EQ(run.end, RunResult::End::kExited);
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out.substr(run.out.find("Data description:")),
            "Data description: Triad of three players\n"
            "Number of players (dimension of matrix) = 3\n\n");
  EXPECT_EQ(run.err,
            "\nKelvarin error: Out of memory for the sums of squares. \n\n"
            "\nExiting: Kelvarin ver. " +
                std::string(kProgramVersion) + " (Quorvane).\n\n");
}

}  // namespace
