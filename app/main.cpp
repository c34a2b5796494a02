// Kelvarin: reads a group's influence matrix from a data file and reports its
// empath and driver and the synchronization coefficient of the empath.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <cstdio>
#include <cstdlib>
#include <new>

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

// GSL's errors are statuses that the analysis checks, except memory that GSL
// cannot get, which ends the run with the program's own error report: GSL's
// callers go on to use what they failed to allocate.
void HandleGslError(const char* /*reason*/, const char* /*file*/, int /*line*/, int gsl_errno) {
  if (gsl_errno == GSL_ENOMEM) {
    WriteErrorMessage(kMatricesOutOfMemory, "", 0, 1);
  }
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

// Say on diagnostics which sums each of the report's near-tie warnings of
// leader (its sums of kind "column" or "row") compared.
void ExplainNearTies(const Leader& leader, const char* kind, Diagnostics* diagnostics) {
  for (int i = 0; i < leader.near_ties; ++i) {
    const NearTie& tie = leader.ties[i];
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

// Print the near-tie warnings of the search for the empath and the driver,
// the influence table (n by n) with every sum, and the two leaders.
void DescribeGroup(const gsl_matrix* influence, const Analysis& analysis,
                   Diagnostics* diagnostics) {
  const int n = analysis.n;
  print_near_ties("column", analysis.empath.near_ties);
  print_near_ties("row", analysis.driver.near_ties);
  // The warnings say only that two sums are close: a note names them.
  ExplainNearTies(analysis.empath, "column", diagnostics);
  ExplainNearTies(analysis.driver, "row", diagnostics);
  std::printf("\nOriginal Matrix\n\n");
  print_original_matrix(n, n, influence, analysis.row_sums.get(), analysis.column_sums.get());
  std::printf("\n\nThe empath is P%d.\n", analysis.empath.player + 1);
  std::printf("The driver is P%d.\n\n", analysis.driver.player + 1);
}

// Print V' and M, the weights Q that solve M Q = V', S_E = V' . Q, det M and
// cond_1(M) with its logarithm.
void ReportCoefficients(const Analysis& analysis, Diagnostics* diagnostics) {
  std::printf("\nReduced Vector V' \n\n");
  vector_print(analysis.v.get());
  std::printf("\nReduced Matrix M \n\n");
  matrix_print(analysis.reduced.get());

  // A singular M ends the run in the solve, with GSL's own report and an
  // abort; a line before it says what that means.
  if (analysis.ending == Ending::kSingular) {
    SayAboutProgram(diagnostics, Severity::kError, "%s", analysis.message);
    SolveSingular(analysis);
  }
  std::printf("\nThe vector of weights Q is:\n\n");
  vector_print(analysis.q.get());

  PrintMeasure("The synchronization coefficient S_E is: ", *analysis.s_e);
  // The report prints what the solve gave; a figure that overflowed is said.
  if (analysis.ending == Ending::kNotFinite) {
    SayAboutProgram(diagnostics, Severity::kWarning, "%s", analysis.message);
  }
  PrintMeasure("\nThe determinant of M is: \t\t\t", *analysis.determinant);
  PrintMeasure("The 1-condition number of M is: \t\t", *analysis.condition);
  PrintMeasure("The log of the 1-condition number of M is: \t", *analysis.log_condition);
}

// Read the data file of the command line, analyse it and write the report.
int Run(int argc, char* argv[]) {
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

  // The analysis, then its report: the group's description and the
  // coefficients. Memory for the sums of squares is the one failure that the
  // analysis itself reports; GSL's ends the run in HandleGslError.
  Analysis analysis;
  AnalyseGroup(influence.get(), static_cast<int>(reader.size), &analysis);
  if (analysis.ending == Ending::kNoMemory) {
    WriteErrorMessage(analysis.message, "", 0, 1);
  }
  DescribeGroup(influence.get(), analysis, &diagnostics);
  ReportCoefficients(analysis, &diagnostics);

  PrintExitBanner(stdout);
  FinishReport();
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Memory that runs out where no status can say it (a diagnostic's text)
  // ends the run with the fixed report of the matrices' memory.
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    WriteErrorMessage(kMatricesOutOfMemory, "", 0, 1);
  }
}
