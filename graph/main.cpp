// kelvarin-graph: reads a group's influence matrix from a data file, as
// kelvarin does, and writes its influence network as a Graphviz DOT digraph
// with the empath, the driver and the weights Q marked.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis/analysis.h"
#include "app/version.h"
#include "graph/dot.h"
#include "reader/diagnostics.h"
#include "reader/reader.h"
#include "routines/routines.h"

namespace {

constexpr const char* kProgram = "kelvarin-graph";
constexpr const char* kUsage = "Usage: kelvarin-graph [--min X] FILE\n";

// Exit statuses: a bad command line is told apart from a file that fails.
constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kBadCommandLine = 2;

// What the command line asks for.
struct Options {
  const char* path = nullptr;
  double min = 0.0;
  bool help = false;
  bool version = false;
};

void PrintHelp() {
  std::printf("%s", kUsage);
  std::printf(
      "Write the influence network of the group of %lld to %lld players in the kelvarin\n"
      "data file FILE as one Graphviz DOT digraph on standard output: a node per player,\n"
      "the empath and the driver marked, an edge per non-zero influence of one player on\n"
      "another (dashed when negative), and the weights Q on the edges into the empath.\n\n",
      kMinPlayers, kMaxPlayers);
  std::printf("  --min X    leave out the edges whose absolute influence is below X\n");
  std::printf("  --help     print this help\n");
  std::printf("  --version  print the version\n\n");
  std::printf("Example: kelvarin-graph group.dat | dot -Tsvg > group.svg\n\n");
  std::printf(
      "Exit status: 0 when the graph is written (a singular reduced matrix M gives it\n"
      "without weights), 1 when FILE cannot be read or the graph cannot be written,\n"
      "2 for a bad command line.\n");
}

// Say the usage, after an error in the command line.
void SayUsage(Diagnostics* diagnostics) {
  SayAboutProgram(diagnostics, Severity::kNote, "usage: %s [--min X] FILE; '%s --help' tells more",
                  kProgram, kProgram);
}

// Report a bad command line, its argument escaped, with the usage.
void SayBadCommandLine(Diagnostics* diagnostics, const char* what, const char* argument) {
  char escaped[kDiagnosticCapacity / 2];
  Escape(argument, std::strlen(argument), escaped, sizeof escaped);
  SayAboutProgram(diagnostics, Severity::kError, "%s '%s'", what, escaped);
  SayUsage(diagnostics);
}

// Read X of --min X into min: a finite number of at least 0, the whole text.
bool ParseMin(const char* text, double* min) {
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = std::from_chars(text, end, *min);
  return result.ec == std::errc() && result.ptr == end && end != text && std::isfinite(*min) &&
         *min >= 0.0;
}

// Read the command line into options. Return false after reporting what is
// wrong with it.
bool ParseCommandLine(int argc, char* argv[], Options* options, Diagnostics* diagnostics) {
  bool only_files = false;  // after "--"
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (only_files || argument[0] != '-' || argument[1] == '\0') {
      if (options->path != nullptr) {
        SayBadCommandLine(diagnostics, "one data file is drawn at a time; another is", argument);
        return false;
      }
      options->path = argument;
    } else if (std::strcmp(argument, "--") == 0) {
      only_files = true;
    } else if (std::strcmp(argument, "--help") == 0) {
      options->help = true;
      return true;
    } else if (std::strcmp(argument, "--version") == 0) {
      options->version = true;
      return true;
    } else if (std::strcmp(argument, "--min") != 0) {
      SayBadCommandLine(diagnostics, "unknown option", argument);
      return false;
    } else if (i + 1 == argc) {
      SayBadCommandLine(diagnostics, "a number must follow", argument);
      return false;
    } else if (!ParseMin(argv[++i], &options->min)) {
      SayBadCommandLine(diagnostics, "--min needs a number of at least 0, not", argv[i]);
      return false;
    }
  }
  if (options->path == nullptr) {
    SayAboutProgram(diagnostics, Severity::kError, "no data file given");
    SayUsage(diagnostics);
    return false;
  }
  return true;
}

// Report the fixed error text of a failure to read the data file.
void SayReadFailure(Diagnostics* diagnostics, ReadFailure failure) {
  char message[kFailureMessageCapacity];
  FailureMessage(failure, message);
  SayAboutProgram(diagnostics, Severity::kError, "%s", message);
}

// Read the data file as kelvarin reads it: the description, N and the
// N-by-N influence matrix into influence. Return false after reporting a
// failure with kelvarin's diagnostics and fixed error text.
bool ReadGroup(Reader* reader, Matrix* influence) {
  ReadFailure failure = ReadHeader(reader);
  if (failure == ReadFailure::kNone) {
    failure = CheckSize(reader);
  }
  if (failure != ReadFailure::kNone) {
    SayReadFailure(reader->diagnostics, failure);
    return false;
  }
  const int n = static_cast<int>(reader->size);
  *influence = NewMatrix(n, n);
  if (!*influence) {
    SayAboutProgram(reader->diagnostics, Severity::kError,
                    "Out of memory for the matrices and vectors.");
    return false;
  }
  failure = ReadMatrix(reader, influence->get());
  if (failure != ReadFailure::kNone) {
    SayReadFailure(reader->diagnostics, failure);
    return false;
  }
  return true;
}

// Open and read the data file at path. Return false after reporting why it
// could not be opened or read.
bool ReadDataFile(const char* path, Reader* reader, Matrix* influence) {
  errno = 0;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    char escaped[kDiagnosticCapacity / 2];
    Escape(path, std::strlen(path), escaped, sizeof escaped);
    SayAboutProgram(reader->diagnostics, Severity::kError, "cannot open '%s': %s", escaped,
                    SystemReason(errno));
    SayAboutProgram(reader->diagnostics, Severity::kError, "Data file not found: %s", escaped);
    return false;
  }
  reader->source.file = file;
  reader->name = path;
  const bool read = ReadGroup(reader, influence);
  (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  return read;
}

// Deliver what standard output holds. Return false after reporting that
// some of it could not be written.
bool FinishOutput(Diagnostics* diagnostics) {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    SayAboutProgram(diagnostics, Severity::kError, "cannot write the graph: %s",
                    SystemReason(errno));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Every GSL status is checked here; a singular M still gives a graph.
  gsl_set_error_handler_off();
  Diagnostics diagnostics;
  diagnostics.program = kProgram;

  // The command line.
  Options options;
  if (!ParseCommandLine(argc, argv, &options, &diagnostics)) {
    return kBadCommandLine;
  }
  if (options.help || options.version) {
    if (options.help) {
      PrintHelp();
    } else {
      std::printf("%s (Kelvarin) %s\n", kProgram, kProgramVersion);
      std::printf("License GPLv3+: GNU General Public License version 3 or later.\n");
    }
    return FinishOutput(&diagnostics) ? kSuccess : kFailure;
  }

  // The data file, read and checked as kelvarin reads it.
  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  if (!ReadDataFile(options.path, &reader, &influence)) {
    return kFailure;
  }
  const int n = static_cast<int>(reader.size);

  // The empath and the driver, and the weights Q of the influence on the
  // empath from M Q = V', as kelvarin finds them.
  GroupGraph graph;
  graph.description = reader.description;
  graph.influence = influence.get();
  graph.n = n;
  graph.min = options.min;
  const Sums column_sums = NewSums(n);
  const Sums row_sums = NewSums(n);
  if (!column_sums || !row_sums) {
    SayAboutProgram(&diagnostics, Severity::kError, "Out of memory for the sums of squares.");
    return kFailure;
  }
  graph.empath_tie = RankColumns(influence.get(), n, column_sums.get(), &graph.empath) > 0;
  graph.driver_tie = RankRows(influence.get(), n, row_sums.get(), &graph.driver) > 0;
  System system;
  if (!Reduce(influence.get(), n, graph.empath, &system)) {
    SayAboutProgram(&diagnostics, Severity::kError, "Out of memory for the matrices and vectors.");
    return kFailure;
  }
  if (Decompose(&system)) {
    char message[kSingularMessageCapacity];
    SingularMessage(graph.empath, message);
    SayAboutProgram(&diagnostics, Severity::kNote, "%s, and the graph has none", message);
  } else {
    const int status = Solve(&system);
    if (status != GSL_SUCCESS) {
      SayAboutProgram(&diagnostics, Severity::kNote,
                      "the weights Q could not be found (%s), and the graph has none",
                      gsl_strerror(status));
    } else {
      graph.q = system.q.get();
      graph.synchronization = calcS_E(system.v.get(), system.q.get());
    }
  }

  // The graph.
  WriteDot(stdout, graph);
  return FinishOutput(&diagnostics) ? kSuccess : kFailure;
}
