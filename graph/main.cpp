// kelvarin-graph: reads a group's influence matrix from a data file, as
// kelvarin does, and writes its influence network, its heat map or its
// focus on the empath and the driver as a Graphviz DOT digraph with the
// empath, the driver and the weights Q marked.
#include <gsl/gsl_errno.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "command_line/command_line.h"
#include "graph/dot.h"
#include "graph/names.h"
#include "graph/views.h"
#include "numbers/numbers.h"
#include "reader/reader.h"
#include "text/utf8.h"

namespace {

void PrintHelp();
constexpr Program kProgram = {
    "kelvarin-graph", "[--heatmap | --focus] [--top=K] [--min=X] [--names=LIST] FILE", &PrintHelp};

// What the command line asks for.
struct Options {
  const char* path = nullptr;
  const char* name = nullptr;  // what the messages call the file
  double min = 0.0;
  bool min_given = false;
  int top = 0;  // 0: no --top
  View view = View::kNetwork;
  const char* names = nullptr;  // --names=LIST, or the FILE of --names-from
  bool names_from_file = false;
};

// The most bytes of a names file: room for kMaxPlayers names of far more
// characters than a label shows, and a file that never ends (/dev/zero) is
// refused before it fills the memory.
constexpr size_t kMostNamesBytes = 65536;  // 64 KiB

// Groups of more than this many players draw as a tangle in the network
// view, and a note says so.
constexpr int kTangle = 8;

// The options' values in getopt_long's table.
enum Option : int { kMin = 256, kTop, kHeatmap, kFocus, kLabel, kNames, kNamesFrom };

constexpr option kOptions[] = {
    {"min", required_argument, nullptr, kMin},
    {"top", required_argument, nullptr, kTop},
    {"heatmap", no_argument, nullptr, kHeatmap},
    {"focus", no_argument, nullptr, kFocus},
    {"label", required_argument, nullptr, kLabel},
    {"names", required_argument, nullptr, kNames},
    {"names-from", required_argument, nullptr, kNamesFrom},
    kHelpEntry,
    kVersionEntry,
    kEndEntry,
};

void PrintHelp() {
  std::printf("Usage: kelvarin-graph %s\n", kProgram.usage);
  std::printf(
      "Write the influence network of the group of %lld to %lld players in the kelvarin\n"
      "data file FILE (- for standard input) as one Graphviz DOT digraph on standard\n"
      "output: a node per player, the empath and the driver marked, an edge per non-zero\n"
      "influence of one player on another (dashed when negative), and the weights Q on\n"
      "the edges into the empath.\n\n",
      kMinPlayers, kMaxPlayers);
  std::printf(
      "  --heatmap  draw the matrix as a grid of shaded cells instead (blue positive,\n"
      "             red negative, the darker the larger), with the sums of squares\n"
      "             and the weights Q; it draws every influence, so it takes no\n"
      "             --top or --min\n");
  std::printf("  --focus    draw only the influences on the empath and those of the driver\n");
  std::printf(
      "  --top=K    draw only each player's K strongest influences on the others\n"
      "             (by absolute value, a tie to the lower player), K a whole\n"
      "             number of at least 1\n");
  std::printf("  --min=X    leave out the edges whose absolute influence is below X\n");
  std::printf(
      "  --names=LIST\n"
      "             label the players with the names in LIST, separated by commas,\n"
      "             in the order of the matrix's rows: Anna,Ben draws P1 as\n"
      "             \"Anna (P1)\" and P2 as \"Ben (P2)\"; an empty name keeps Pk\n");
  std::printf(
      "  --names-from=FILE\n"
      "             the same with the names in FILE, one a line, in UTF-8\n");
  std::printf("  --label=NAME\n");
  std::printf("             call the FILE given next NAME in every message\n");
  std::printf("  -h, --help print this help\n");
  std::printf("  --version  print the version\n\n");
  std::printf(
      "--top and --min apply to the network and to --focus; an edge is drawn when it\n"
      "passes both, and the title says how many were left out.\n\n");
  std::printf("Examples: kelvarin-graph group.dat | dot -Tsvg > group.svg\n");
  std::printf("          kelvarin-graph --heatmap group.dat | dot -Tsvg > heatmap.svg\n");
  std::printf("          kelvarin-graph --focus group.dat | dot -Tpng > focus.png\n");
  std::printf("          kelvarin-graph --top 3 group.dat | dot -Tsvg > top3.svg\n\n");
  std::printf(
      "Exit status: 0 when the graph is written (a singular reduced matrix M gives it\n"
      "without weights), 1 when FILE cannot be read, S_E or a weight is not finite, or\n"
      "the graph cannot be written, 2 for a bad command line.\n");
}

// Read K of --top K: a whole number of at least 1 in decimal digits, the
// whole text; one beyond the range of int is more than any player's
// influences and keeps them all. Any other text is a bad command line, with
// the reason.
int ReadTop(const char* text) {
  const char* end = text + std::strlen(text);
  if (text == end || std::strspn(text, "0123456789") != static_cast<size_t>(end - text)) {
    BadCommandLine(kProgram,
                   text[0] == '-' ? "--top needs a whole number of at least 1, not"
                                  : "--top needs a whole number, not",
                   text);
  }
  int top = 0;
  const std::from_chars_result result = std::from_chars(text, end, top);
  if (result.ec == std::errc::result_out_of_range) {
    return static_cast<int>(kMaxPlayers);
  }
  if (top < 1) {
    BadCommandLine(kProgram, "--top needs a whole number of at least 1, not", text);
  }
  return top;
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
  const char* label = nullptr;  // the name of the FILE given next
  for (Argument a = NextArgument(kProgram, argc, argv, "", kOptions, &ended); a.option != -1;
       a = NextArgument(kProgram, argc, argv, "", kOptions, &ended)) {
    switch (a.option) {
      case 1:
        if (options.path != nullptr) {
          BadCommandLine(kProgram, "one data file is drawn at a time; another is", a.value);
        }
        options.path = a.value;
        options.name = label != nullptr ? label : a.value;
        label = nullptr;
        break;
      case kLabel:
        label = TakeLabel(kProgram, label, a.value);
        break;
      case kMin:
        options.min = ReadMin(a.value);
        options.min_given = true;
        break;
      case kTop:
        options.top = ReadTop(a.value);
        break;
      case kNames:
      case kNamesFrom:
        if (options.names != nullptr) {
          BadCommandLine(kProgram,
                         "the players are named once, by --names or --names-from; again by",
                         a.value);
        }
        options.names = a.value;
        options.names_from_file = a.option == kNamesFrom;
        break;
      case kHeatmap:
      case kFocus: {
        const View view = a.option == kHeatmap ? View::kHeatmap : View::kFocus;
        if (options.view != View::kNetwork && options.view != view) {
          BadCommandLine(kProgram, "--heatmap and --focus are two views: give one of them");
        }
        options.view = view;
        break;
      }
      default:
        break;
    }
  }
  LabelAllUsed(kProgram, label);
  if (options.path == nullptr) {
    BadCommandLine(kProgram, "no data file given");
  }
  if (options.view == View::kHeatmap && (options.min_given || options.top > 0)) {
    BadCommandLine(kProgram,
                   "--heatmap draws every influence: --top and --min are for the network "
                   "and --focus");
  }
  return options;
}

// Return the players' names that options give, none without --names or
// --names-from. A names file that cannot be read is a bad command line.
std::vector<std::string> ReadNames(const Options& options) {
  if (options.names == nullptr) {
    return {};
  }
  if (!options.names_from_file) {
    return SplitNames(options.names, ',');
  }
  std::FILE* file = std::fopen(options.names, "rb");
  if (file == nullptr) {
    const std::string what =
        std::string("cannot open the names file (") + SystemReason(errno) + ")";
    BadCommandLine(kProgram, what.c_str(), options.names);
  }
  std::string text;
  const bool read = ReadUpTo(file, kMostNamesBytes, &text);
  (void)std::fclose(file);
  if (!read) {
    BadCommandLine(kProgram, "cannot read the names file", options.names);
  }
  if (text.size() > kMostNamesBytes) {
    const std::string what = "the names file is longer than " + std::to_string(kMostNamesBytes) +
                             " bytes, far more than " + std::to_string(kMaxPlayers) +
                             " names need:";
    BadCommandLine(kProgram, what.c_str(), options.names);
  }
  return SplitNames(text, '\n');
}

// Say what of names does not fit a group of n players and, when
// say_guesses, which names are drawn as a guess because they are not UTF-8.
void CheckNames(const std::vector<std::string>& names, int n, bool say_guesses,
                Diagnostics* diagnostics) {
  if (names.size() > static_cast<size_t>(n)) {
    SayAboutProgram(diagnostics, Severity::kWarning,
                    "%zu names for a group of %d players: only the first %d are drawn",
                    names.size(), n, n);
  } else if (!names.empty() && names.size() < static_cast<size_t>(n)) {
    SayAboutProgram(diagnostics, Severity::kWarning,
                    "%zu name%s for a group of %d players: the players after P%zu are drawn as "
                    "numbers",
                    names.size(), names.size() == 1 ? "" : "s", n, names.size());
  }
  for (const std::string& name : names) {
    if (say_guesses && NotUtf8At(name) != name.size()) {
      SayAboutProgram(diagnostics, Severity::kWarning,
                      "the name '%s' is not UTF-8; it is drawn as Windows-1252: '%s'",
                      Escaped(name).c_str(), Escaped(AsUtf8(name)).c_str());
    }
  }
}

// Say that memory ran out, with no memory needed to say it, and end the
// process with status 1.
[[noreturn]] void EndForWantOfMemory() {
  std::fputs(kProgram.name, stderr);
  std::fputs(": error: out of memory\n", stderr);
  std::_Exit(kFailure);
}

// GSL's errors are statuses that the analysis checks, except memory that
// GSL cannot get, which ends the run: GSL's own callers (its LU
// decomposition, for one) go on to use what they failed to allocate.
void HandleGslError(const char* /*reason*/, const char* /*file*/, int /*line*/, int gsl_errno) {
  if (gsl_errno == GSL_ENOMEM) {
    EndForWantOfMemory();
  }
}

// Draw the graph that options ask for. Return the exit status.
int Run(const Options& options) {
  const std::vector<std::string> names = ReadNames(options);
  Diagnostics diagnostics;
  diagnostics.program = kProgram.name;

  // The data file, read and checked as kelvarin reads it.
  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadDataFile(options.path, options.name, &reader, &influence);
  if (failure != ReadFailure::kNone) {
    const char* message = FailureMessage(failure);
    if (failure == ReadFailure::kNotFound) {
      SayAboutProgram(&diagnostics, Severity::kError, "%s %s", message,
                      Escaped(options.name).c_str());
    } else {
      SayAboutProgram(&diagnostics, Severity::kError, "%s", message);
    }
    return kFailure;
  }

  // The empath and the driver, and the weights Q of the influence on the
  // empath from M Q = V', as kelvarin finds them.
  Analysis analysis;
  AnalyseGroup(influence.get(), static_cast<int>(reader.size), &analysis);
  const Ending ending = analysis.ending;
  if (ending == Ending::kNoMemory) {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", analysis.message);
    return kFailure;
  }
  if (ending == Ending::kSingular) {
    SayAboutProgram(&diagnostics, Severity::kNote, "%s, and the graph has none", analysis.message);
  } else if (ending == Ending::kNotFinite) {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", analysis.message);
  }

  // The graph.
  GroupGraph graph;
  graph.description = WithoutByteOrderMark(reader.description);
  graph.influence = influence.get();
  graph.analysis = &analysis;
  graph.min = options.min;
  graph.top = options.top;
  graph.view = options.view;
  graph.names = &names;
  // On Windows a program is given its command line in the system's code
  // page, which is Windows-1252 on Western systems: no guess to say for
  // --names there.
#if defined(_WIN32)
  const bool say_guesses = options.names_from_file;
#else
  const bool say_guesses = true;
#endif
  CheckNames(names, analysis.n, say_guesses, &diagnostics);
  if (analysis.n > kTangle && options.view == View::kNetwork && options.top == 0) {
    SayAboutProgram(&diagnostics, Severity::kNote,
                    "a group of %d players draws as a tangle of edges: try --heatmap, --focus "
                    "or --top 3",
                    analysis.n);
  }
  switch (options.view) {
    case View::kHeatmap:
      WriteHeatmap(stdout, graph);
      break;
    case View::kFocus:
      WriteFocus(stdout, graph);
      break;
    case View::kNetwork:
      WriteDot(stdout, graph);
      break;
  }
  const bool written = FinishOutput(kProgram, "the graph");
  return written && ending != Ending::kNotFinite ? kSuccess : kFailure;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Every GSL status is checked here; a singular M still gives a graph.
  gsl_set_error_handler(&HandleGslError);
  try {
    return Run(ReadCommandLine(argc, argv));
  } catch (const std::bad_alloc&) {
    EndForWantOfMemory();
  }
}
