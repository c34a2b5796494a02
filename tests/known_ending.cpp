// Tells how a finished run of the program ended, for scripts:
//   known_ending STDOUT_FILE STDERR_FILE STATUS
// where STATUS is the shell's $? (128 + the signal's number for a signal).
// Prints the ending's name; exits with 0 when it is a known ending, 1 when not.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/endings.h"
#include "tests/run_program.h"

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: known_ending STDOUT_FILE STDERR_FILE STATUS\n");
    return 2;
  }
  constexpr int kSignalBase = 128;
  constexpr int kRadix = 10;
  RunResult run;
  run.out = ReadFile(argv[1]);
  run.err = ReadFile(argv[2]);
  const int status = static_cast<int>(std::strtol(argv[3], nullptr, kRadix));
  run.end = status > kSignalBase ? RunResult::End::kSignaled : RunResult::End::kExited;
  run.code = status > kSignalBase ? status - kSignalBase : status;
  const RunEnding ending = RunEndingOf(run);
  std::printf("%s\n", RunEndingName(ending));
  return ending == RunEnding::kUnknown ? 1 : 0;
}
