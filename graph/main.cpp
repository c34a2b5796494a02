// kelvarin-graph: reads a group's influence matrix from a data file, as
// kelvarin does, and writes its influence network as a Graphviz DOT digraph
// with the empath, the driver and the weights Q marked.
#include <gsl/gsl_errno.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/analysis.h"
#include "command_line/command_line.h"
#include "graph/dot.h"
#include "numbers/numbers.h"
#include "reader/reader.h"

namespace {

constexpr Program kProgram = {"kelvarin-graph", "[--min=X] FILE"};

// What the command line asks for.
struct Options {
  const char* path = nullptr;
  double min = 0.0;
};

// The options' values in getopt_long's table.
enum Option : int { kMin = 256, kHelp, kVersion };

constexpr option kOptions[] = {
    {"min", required_argument, nullptr, kMin},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

void PrintHelp() {
  std::printf("Usage: kelvarin-graph [--min=X] FILE\n");
  std::printf(
      "Write the influence network of the group of %lld to %lld players in the kelvarin\n"
      "data file FILE (- for standard input) as one Graphviz DOT digraph on standard\n"
      "output: a node per player, the empath and the driver marked, an edge per non-zero\n"
      "influence of one player on another (dashed when negative), and the weights Q on\n"
      "the edges into the empath.\n\n",
      kMinPlayers, kMaxPlayers);
  std::printf("  --min=X    leave out the edges whose absolute influence is below X\n");
  std::printf("  --help     print this help\n");
  std::printf("  --version  print the version\n\n");
  std::printf("Example: kelvarin-graph group.dat | dot -Tsvg > group.svg\n\n");
  std::printf(
      "Exit status: 0 when the graph is written (a singular reduced matrix M gives it\n"
      "without weights), 1 when FILE cannot be read, S_E or a weight is not finite, or\n"
      "the graph cannot be written, 2 for a bad command line.\n");
}

// Read X of --min X: a finite number of at least 0, the whole text; any
// other text is a bad command line, with the reason.
double ReadMin(const char* text) {
  const char* end = text + std::strlen(text);
  double min = 0.0;
  const std::from_chars_result result = numbers::FromChars(text, end, &min);
  if (result.ec == std::errc::result_out_of_range) {
    BadCommandLine(kProgram, "--min is beyond the range of double precision:", text);
  }
  if (result.ec != std::errc() || result.ptr != end || std::isnan(min)) {
    BadCommandLine(kProgram, "--min needs a number, not", text);
  }
  if (std::isinf(min)) {
    BadCommandLine(kProgram, "--min needs a finite number, not", text);
  }
  if (min < 0.0) {
    BadCommandLine(kProgram, "--min needs a number of at least 0, not", text);
  }
  return min;
}

// Read the command line into options. End the process after --help and
// --version and on a bad command line (status 2).
Options ReadCommandLine(int argc, char* argv[]) {
  Options options;
  bool ended = false;
  for (Argument a = NextArgument(kProgram, argc, argv, "", kOptions, &ended); a.option != -1;
       a = NextArgument(kProgram, argc, argv, "", kOptions, &ended)) {
    switch (a.option) {
      case 1:
        if (options.path != nullptr) {
          BadCommandLine(kProgram, "one data file is drawn at a time; another is", a.value);
        }
        options.path = a.value;
        break;
      case kMin:
        options.min = ReadMin(a.value);
        break;
      case kHelp:
        PrintHelp();
        std::exit(FinishOutput(kProgram, "the help") ? kSuccess : kFailure);
      case kVersion:
      default:
        PrintVersion(kProgram);
        std::exit(FinishOutput(kProgram, "the version") ? kSuccess : kFailure);
    }
  }
  if (options.path == nullptr) {
    BadCommandLine(kProgram, "no data file given");
  }
  return options;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Every GSL status is checked here; a singular M still gives a graph.
  gsl_set_error_handler_off();
  const Options options = ReadCommandLine(argc, argv);
  Diagnostics diagnostics;
  diagnostics.program = kProgram.name;

  // The data file, read and checked as kelvarin reads it.
  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadDataFile(options.path, &reader, &influence);
  if (failure != ReadFailure::kNone) {
    char message[kFailureMessageCapacity];
    FailureMessage(failure, message);
    if (failure == ReadFailure::kNotFound) {
      SayAboutProgram(&diagnostics, Severity::kError, "%s %s", message,
                      Escaped(options.path).c_str());
    } else {
      SayAboutProgram(&diagnostics, Severity::kError, "%s", message);
    }
    return kFailure;
  }

  // The empath and the driver, and the weights Q of the influence on the
  // empath from M Q = V', as kelvarin finds them.
  Figures figures;
  const Ending ending = AnalyseGroup(influence.get(), static_cast<int>(reader.size), &figures);
  if (ending == Ending::kNoMemory) {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", figures.message.c_str());
    return kFailure;
  }
  if (ending == Ending::kSingular) {
    SayAboutProgram(&diagnostics, Severity::kNote, "%s, and the graph has none",
                    figures.message.c_str());
  } else if (ending == Ending::kNotFinite) {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", figures.message.c_str());
  }

  // The graph.
  GroupGraph graph;
  graph.description = reader.description;
  graph.influence = influence.get();
  graph.figures = &figures;
  graph.min = options.min;
  WriteDot(stdout, graph);
  const bool written = FinishOutput(kProgram, "the graph");
  return written && ending != Ending::kNotFinite ? kSuccess : kFailure;
}
