// Runs a program as a child process and collects what it wrote and how it ended.
#ifndef KELVARIN_TESTS_RUN_PROGRAM_H_
#define KELVARIN_TESTS_RUN_PROGRAM_H_

#include <string>
#include <vector>

struct RunResult {
  enum class End { kExited, kSignaled, kTimedOut };
  End end = End::kExited;
  int code = 0;  // The exit status, or the signal's number.
  std::string out;
  std::string err;
};

// Run argv[0] with the arguments argv[1..] in the folder directory, standard
// input empty, killing it after timeout_seconds.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& directory,
                     int timeout_seconds);

// Return the whole content of a file, or the empty string when it does not exist.
std::string ReadFile(const std::string& path);

#endif  // KELVARIN_TESTS_RUN_PROGRAM_H_
