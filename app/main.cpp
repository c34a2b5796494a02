// Kelvarin: reads a group's influence matrix from a data file and reports its
// empath and driver and the synchronization coefficient of the empath.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "analysis/analysis.h"
#include "app/front_end.h"
#include "reader/reader.h"
#include "routines/routines.h"
#include "text/utf8.h"

namespace {

constexpr const char* kNotice =
    "Finds the empath and the driver of a group and the weights of influence on the empath.";

// The measures at the report's end are printed as "%6.4f".
constexpr int kMeasureWidth = 6;

// GSL's errors end the run as GSL's default handler ends it, with GSL's
// report and an abort (a singular M ends in the solve so), except that memory
// GSL cannot get is the program's own error report with status 1. The handler
// never returns: GSL's callers go on to use what they failed to allocate.
void HandleGslError(const char* reason, const char* file, int line, int gsl_errno) {
  if (gsl_errno == GSL_ENOMEM) {
    WriteErrorMessage(kMatricesOutOfMemory, "", 0, 1);
  }
  gsl_set_error_handler(nullptr);
  gsl_error(reason, file, line, gsl_errno);
}

// Print a line of the report's measures: label, then value as "%6.4f".
void PrintMeasure(const char* label, double value) {
  char field[kFixedCapacity];
  const char* end = format_fixed(field, value, kMeasureWidth);
  std::fputs(label, stdout);
  std::fwrite(field, 1, static_cast<size_t>(end - field), stdout);
  std::putchar('\n');
}

// Return true when standard output is a terminal.
bool OutputIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(fileno(stdout)) != 0;
#endif
}

// End the run with the fixed report of a failure to read the data file.
[[noreturn]] void ReportReadFailure(ReadFailure failure) {
  WriteErrorMessage(FailureMessage(failure), "", 0, 1);
}

// Print the description and N as they are read, before N is checked.
void PrintHeader(const Reader& reader) {
  // On a terminal the description's control bytes are escaped, as ls
  // escapes names; into a file or a pipe it is written byte for byte.
  if (OutputIsTerminal()) {
    std::printf("Data description: %s", Escaped(reader.description, true).c_str());
  } else {
    std::printf("Data description: %s", reader.description);
  }
  std::printf("\nNumber of players (dimension of matrix) = %lld\n\n", reader.size);
}

// Allocate n zero-filled sums; the run cannot go on without them.
Sums NeededSums(int n) {
  Sums sums = NewSums(n);
  if (!sums) {
    WriteErrorMessage("Out of memory for the sums of squares.", "", 0, 1);
  }
  return sums;
}

// Say on diagnostics which sums each of the report's near-tie warnings of
// kind ("column" or "row") compared.
void ExplainNearTies(const NearTie* ties, int count, const char* kind, Diagnostics* diagnostics) {
  for (int i = 0; i < count; ++i) {
    const NearTie& tie = ties[i];
    char sum[kFixedCapacity + 1];
    *format_fixed(sum, tie.sum, 0) = '\0';
    if (tie.best_player < 0) {
      SayAboutProgram(diagnostics, Severity::kNote,
                      "near tie of %s sums of squares: P%d's %s is within 0.0001 of 0, the "
                      "starting value of the search, not of another player's sum",
                      kind, tie.player + 1, sum);
    } else {
      char best[kFixedCapacity + 1];
      *format_fixed(best, tie.best, 0) = '\0';
      SayAboutProgram(diagnostics, Severity::kNote,
                      "near tie of %s sums of squares: P%d's %s is within 0.0001 of P%d's %s, "
                      "the largest before it",
                      kind, tie.player + 1, sum, tie.best_player + 1, best);
    }
  }
}

// Find the empath (the largest column sum of squares) and the driver (the
// largest row sum), and print the influence table with every sum.
void DescribeGroup(const gsl_matrix* influence, int n, int* empath, int* driver,
                   Diagnostics* diagnostics) {
  const Sums column_sums = NeededSums(n);
  const Sums row_sums = NeededSums(n);
  FindEmpath(influence, n, column_sums.get(), empath);
  FindDriver(influence, n, row_sums.get(), driver);
  // The warnings say only that two sums are close: a note names them.
  NearTie ties[kMaxPlayers];
  int leader = 0;
  ExplainNearTies(ties, RankColumns(influence, n, column_sums.get(), &leader, ties), "column",
                  diagnostics);
  ExplainNearTies(ties, RankRows(influence, n, row_sums.get(), &leader, ties), "row", diagnostics);
  std::printf("\nOriginal Matrix\n\n");
  print_original_matrix(n, n, influence, row_sums.get(), column_sums.get());
  std::printf("\n\nThe empath is P%d.\n", *empath + 1);
  std::printf("The driver is P%d.\n\n", *driver + 1);
}

// Solve M Q = V' for the weights of the influence on the empath, where M is
// the influence matrix without the empath's row and column and V' the
// empath's column without its own entry, and print them with
// S_E = V' . Q, det M and cond_1(M) = ||M||_1 ||M^-1||_1.
void ReportCoefficients(const gsl_matrix* influence, int n, int empath, Diagnostics* diagnostics) {
  System system;
  Reduce(influence, n, empath, &system);
  std::printf("\nReduced Vector V' \n\n");
  vector_print(system.v.get());
  std::printf("\nReduced Matrix M \n\n");
  matrix_print(system.reduced.get());

  // A singular M ends the run in the solve, with GSL's own report and an
  // abort (HandleGslError); a line before it says what that means.
  if (Decompose(&system)) {
    char message[kSingularMessageCapacity];
    SingularMessage(empath, message);
    SayAboutProgram(diagnostics, Severity::kError, "%s", message);
  }
  Solve(&system);
  std::printf("\nThe vector of weights Q is:\n\n");
  vector_print(system.q.get());

  const double synchronization = calcS_E(system.v.get(), system.q.get());
  PrintMeasure("The synchronization coefficient S_E is: ", synchronization);
  // The report prints what the solve gave; a figure that overflowed is said.
  const std::string not_finite = NotFiniteMessage(system.q.get(), synchronization, empath);
  if (!not_finite.empty()) {
    SayAboutProgram(diagnostics, Severity::kWarning, "%s", not_finite.c_str());
  }
  PrintMeasure("\nThe determinant of M is: \t\t\t", Determinant(system));
  double condition = 0.0;
  ConditionNumber(system, &condition);
  PrintMeasure("The 1-condition number of M is: \t\t", condition);
  PrintMeasure("The log of the 1-condition number of M is: \t", std::log10(condition));
}

}  // namespace

int main(int argc, char* argv[]) {
  gsl_set_error_handler(&HandleGslError);
  Diagnostics diagnostics;

  char* path = nullptr;
  std::FILE* file = nullptr;
  GetCommandLine(argv, argc, &path, &file, &diagnostics);
  std::printf("\nEntering: %s ver. %s (Quorvane)...\n\n", kProgramName, kProgramVersion);
  std::printf("  %s\n\n", kNotice);

  Reader reader;
  reader.name = path;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadGroup(&reader, file, &influence, &PrintHeader);
  if (failure != ReadFailure::kNone) {
    ReportReadFailure(failure);
  }
  (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  const int n = static_cast<int>(reader.size);

  int empath = 0;
  int driver = 0;
  DescribeGroup(influence.get(), n, &empath, &driver, &diagnostics);
  ReportCoefficients(influence.get(), n, empath, &diagnostics);

  PrintExitBanner(stdout);
  FinishReport();
  return 0;
}
