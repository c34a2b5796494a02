// End-to-end cases: each folder under tests/cases runs the program once, in
// that folder, and compares standard output, standard error and the way the
// run ended, byte for byte. A folder holds:
//   input   the data file (any other file the case needs may sit beside it)
//   args    the arguments, one per line; without it the one argument "input"
//   stdout, stderr   the expected streams
//   status  0, 1, or "abort" for the ending by GSL's error handler
// and, where a Windows build behaves otherwise, stdout.windows,
// stderr.windows or status.windows in place of the file of that name.
// The environment can point the cases at another build of the program:
//   KELVARIN_EXE       the program to run
//   KELVARIN_LAUNCHER  a command to run it with (wine, valgrind, ...)
//   KELVARIN_CRLF=1    the program writes CR LF line ends (a Windows build)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/run_program.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTimeoutSeconds = 60;

std::string Environment(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

bool CrLf() { return Environment("KELVARIN_CRLF", "0") == "1"; }

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(KELVARIN_CASES)) {
    if (entry.is_directory()) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) {
    words.push_back(word);
  }
  return words;
}

// The command line of a case: launcher, program, then the case's arguments.
std::vector<std::string> CommandLine(const fs::path& folder) {
  std::vector<std::string> argv = Words(Environment("KELVARIN_LAUNCHER", ""));
  argv.push_back(Environment("KELVARIN_EXE", KELVARIN_EXE));
  if (!fs::exists(folder / "args")) {
    argv.emplace_back("input");
    return argv;
  }
  std::istringstream lines(ReadFile((folder / "args").string()));
  for (std::string line; std::getline(lines, line);) {
    argv.push_back(line);
  }
  return argv;
}

// The content of a case's expected file, the Windows form where there is one.
std::string Expected(const fs::path& folder, const std::string& name) {
  const fs::path windows = folder / (name + ".windows");
  return ReadFile((CrLf() && fs::exists(windows) ? windows : folder / name).string());
}

std::string WithLineEnds(const std::string& text) {
  if (!CrLf()) {
    return text;
  }
  std::string converted;
  for (char c : text) {
    if (c == '\n') {
      converted += '\r';
    }
    converted += c;
  }
  return converted;
}

// GSL's report names its own source file and line, which depend on how the
// library was built; only the reason is compared.
std::string WithoutGslLocation(const std::string& text) {
  static const std::regex location("gsl: [^ ]+:[0-9]+: ");
  return std::regex_replace(text, location, "gsl: (location): ");
}

std::string Trim(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
    text.pop_back();
  }
  return text;
}

class EndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, MatchesExpectedOutput) {
  const fs::path folder = fs::path(KELVARIN_CASES) / GetParam();
  const RunResult run = RunProgram(CommandLine(folder), folder.string(), kTimeoutSeconds);
  const std::string status = Trim(Expected(folder, "status"));

  EXPECT_EQ(run.out, WithLineEnds(Expected(folder, "stdout")));
  ASSERT_NE(run.end, RunResult::End::kTimedOut);
  if (status == "abort") {
    const std::string expected = WithLineEnds(Expected(folder, "stderr"));
    if (CrLf()) {
      // Windows reports an abort as an exit status of its own, and its
      // runtime may add a line of its own to GSL's report.
      EXPECT_THAT(WithoutGslLocation(run.err), testing::HasSubstr(WithoutGslLocation(expected)));
      EXPECT_EQ(run.end, RunResult::End::kExited);
      EXPECT_NE(run.code, 0);
      EXPECT_NE(run.code, 1);
    } else {
      EXPECT_EQ(WithoutGslLocation(run.err), WithoutGslLocation(expected));
      EXPECT_EQ(run.end, RunResult::End::kSignaled);
      EXPECT_EQ(run.code, SIGABRT);
    }
  } else {
    EXPECT_EQ(run.err, WithLineEnds(Expected(folder, "stderr")));
    EXPECT_EQ(run.end, RunResult::End::kExited);
    EXPECT_EQ(std::to_string(run.code), status);
  }
}

std::string TestName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  std::replace_if(
      name.begin(), name.end(),
      [](char c) { return std::isalnum(static_cast<unsigned char>(c)) == 0; }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(CaseNames()), TestName);

}  // namespace
