// The known ways a run of the program can end, for the tests and the tools
// that run it on many data files.
#ifndef KELVARIN_TESTS_ENDINGS_H_
#define KELVARIN_TESTS_ENDINGS_H_

#include <string>

#include "tests/run_program.h"

enum class RunEnding {
  kComplete,  // status 0, the whole report, only warnings and notes on standard error
  kReported,  // status 1, diagnostics and then a fixed error report of the data file
  kSingular,  // an abort by GSL's handler for a singular M, after the line that says so
  kUnknown,   // anything else: a fault
};

// Return the way run ended, given the exit banner the program prints.
RunEnding RunEndingOf(const RunResult& run);

// Return a name for ending: "complete", "reported", "singular" or "unknown".
const char* RunEndingName(RunEnding ending);

#endif  // KELVARIN_TESTS_ENDINGS_H_
