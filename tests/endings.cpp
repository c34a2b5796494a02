#include "tests/endings.h"

#include <algorithm>
#include <csignal>
#include <iterator>
#include <regex>

#include "reader/reader.h"
#include "version/version.h"

namespace {

std::string ExitBanner() {
  return std::string("\nExiting: Kelvarin ver. ") + kProgramVersion + " (Quorvane).\n\n";
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A diagnostic line, with a place or the program's name, or a line under it.
const char kDiagnostic[] =
    "(?:(?:[^\\n]+:[0-9]+:[0-9]+|kelvarin): (?:warning|error|note): [^\\n]*\\n| [^\\n]*\\n)";

// Return true when err is diagnostic lines only (or nothing).
bool OnlyDiagnostics(const std::string& err) {
  static const std::regex lines(std::string(kDiagnostic) + "*");
  return std::regex_match(err, lines);
}

// Return true when err is diagnostics followed by one of the fixed reports
// of a data file.
bool IsReported(const std::string& err) {
  const ReadFailure failures[] = {ReadFailure::kDescription, ReadFailure::kDescriptionLength,
                                  ReadFailure::kSize, ReadFailure::kSizeBounds,
                                  ReadFailure::kValues};
  return std::any_of(std::begin(failures), std::end(failures), [&err](ReadFailure failure) {
    const std::string report =
        "\nKelvarin error: " + std::string(FailureMessage(failure)) + " \n\n" + ExitBanner();
    return EndsWith(err, report) && OnlyDiagnostics(err.substr(0, err.size() - report.size()));
  });
}

bool IsSingularAbort(const RunResult& run) {
  static const std::regex report(
      std::string(kDiagnostic) +
      "*kelvarin: error: M, [^\\n]* is singular: [^\\n]*\\n"
      "gsl: [^ ]+:[0-9]+: ERROR: matrix is singular\\nDefault GSL error handler invoked\\.\\n");
  return run.end == RunResult::End::kSignaled && run.code == SIGABRT &&
         std::regex_match(run.err, report);
}

}  // namespace

RunEnding RunEndingOf(const RunResult& run) {
  if (run.end == RunResult::End::kExited && run.code == 0 && EndsWith(run.out, ExitBanner()) &&
      OnlyDiagnostics(run.err) && run.err.find(": error: ") == std::string::npos) {
    return RunEnding::kComplete;
  }
  if (run.end == RunResult::End::kExited && run.code == 1 && IsReported(run.err)) {
    return RunEnding::kReported;
  }
  return IsSingularAbort(run) ? RunEnding::kSingular : RunEnding::kUnknown;
}

const char* RunEndingName(RunEnding ending) {
  switch (ending) {
    case RunEnding::kComplete:
      return "complete";
    case RunEnding::kReported:
      return "reported";
    case RunEnding::kSingular:
      return "singular";
    case RunEnding::kUnknown:
      break;
  }
  return "unknown";
}
