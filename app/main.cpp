// Kelvarin: reads a group's influence matrix from a data file and reports its
// empath and driver and the synchronization coefficient of the empath.
#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_permutation.h>
#include <gsl/gsl_vector.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/front_end.h"
#include "app/scan.h"
#include "routines/routines.h"

namespace {

constexpr const char* kNotice =
    "Finds the empath and the driver of a group and the weights of influence on the empath.";

// The description line holds up to 120 bytes, its line feed and the NUL.
constexpr int kMaxDescriptionLength = 120;
constexpr int kDescriptionBufferSize = kMaxDescriptionLength + 2;
constexpr long long kMinPlayers = 2;
constexpr long long kMaxPlayers = 20;
// The measures at the report's end are printed as "%6.4f".
constexpr int kMeasureWidth = 6;

struct MatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct VectorFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
struct PermutationFree {
  void operator()(gsl_permutation* p) const { gsl_permutation_free(p); }
};
struct ArrayFree {
  void operator()(double* a) const { std::free(a); }
};
using Matrix = std::unique_ptr<gsl_matrix, MatrixFree>;
using Vector = std::unique_ptr<gsl_vector, VectorFree>;
using Permutation = std::unique_ptr<gsl_permutation, PermutationFree>;
using Sums = std::unique_ptr<double[], ArrayFree>;

// GSL's errors end the run as GSL's default handler ends it, with GSL's
// report and an abort (a singular M ends in the solve so), except that memory
// GSL cannot get is the program's own error report with status 1. The handler
// never returns: GSL's callers go on to use what they failed to allocate.
void HandleGslError(const char* reason, const char* file, int line, int gsl_errno) {
  if (gsl_errno == GSL_ENOMEM) {
    WriteErrorMessage("Out of memory for the matrices and vectors.", "", 0, 1);
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

Matrix NewMatrix(int rows, int cols) {
  return Matrix(gsl_matrix_alloc(static_cast<size_t>(rows), static_cast<size_t>(cols)));
}

Vector NewVector(int size) { return Vector(gsl_vector_alloc(static_cast<size_t>(size))); }

// Allocate n zero-filled sums; the run cannot go on without them.
Sums NewSums(int n) {
  Sums sums(static_cast<double*>(std::calloc(static_cast<size_t>(n), sizeof(double))));
  if (!sums) {
    WriteErrorMessage("Out of memory for the sums of squares.", "", 0, 1);
  }
  return sums;
}

}  // namespace

int main(int argc, char* argv[]) {
  gsl_set_error_handler(&HandleGslError);

  // Command line and start banner.
  char* path = nullptr;
  std::FILE* file = nullptr;
  GetCommandLine(argv, argc, &path, &file);
  std::printf("\nEntering: %s ver. %s (Quorvane)...\n\n", kProgramName, kProgramVersion);
  std::printf("  %s\n\n", kNotice);

  // Data file: description, number of players, influence values.
  char description[kDescriptionBufferSize];
  if (!ReadLine(file, description, kDescriptionBufferSize)) {
    WriteErrorMessage("Error reading data description.", "", 0, 1);
  }
  // A line that fits the buffer ends in its line feed. A NUL byte ends the
  // string early, even as the line's first byte, and so fails this test too.
  const size_t length = std::strlen(description);
  if (length == 0 || description[length - 1] != '\n') {
    WriteErrorMessage("Max description length exceeded:  max = 120.", "", 0, 1);
  }
  description[length - 1] = '\0';

  // N is read wider than an int, so that a value beyond 32 bits is reported
  // as written instead of wrapping into the accepted range.
  long long size = 0;
  if (!ReadInteger(file, &size)) {
    WriteErrorMessage("Error reading in matrix size.", "", 0, 1);
  }
  std::printf("Data description: %s", description);
  std::printf("\nNumber of players (dimension of matrix) = %lld\n\n", size);
  if (size < kMinPlayers || size > kMaxPlayers) {
    WriteErrorMessage("Size of matrix out of bounds.  N must be between 2 and 20", "", 0, 1);
  }
  const int n = static_cast<int>(size);

  Sums column_sums = NewSums(n);
  Sums row_sums = NewSums(n);
  Matrix influence = NewMatrix(n, n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      float value = 0.0F;
      if (!ReadValue(file, &value)) {
        WriteErrorMessage("Error reading in matrix.  Check size and values.", "", 0, 1);
      }
      gsl_matrix_set(influence.get(), static_cast<size_t>(i), static_cast<size_t>(j),
                     static_cast<double>(value));
    }
  }
  (void)std::fclose(file);  // Opened for reading only: nothing to lose.

  // Group description: the empath, the driver and the influence table.
  int empath = 0;
  int driver = 0;
  FindEmpath(influence.get(), n, column_sums.get(), &empath);
  FindDriver(influence.get(), n, row_sums.get(), &driver);
  std::printf("\nOriginal Matrix\n\n");
  print_original_matrix(n, n, influence.get(), row_sums.get(), column_sums.get());
  std::printf("\n\nThe empath is P%d.\n", empath + 1);
  std::printf("The driver is P%d.\n\n", driver + 1);

  // Coefficients: solve M Q = V' for the weights of influence on the empath.
  const int m = n - 1;
  Vector b = NewVector(m);
  Vector q = NewVector(m);
  Vector v = NewVector(m);
  Matrix reduced = NewMatrix(m, m);
  Matrix reduced_copy = NewMatrix(m, m);
  ReduceMatrix(influence.get(), n, reduced.get(), empath);
  ReduceVector(influence.get(), n, v.get(), empath);
  gsl_matrix_memcpy(reduced_copy.get(), reduced.get());
  gsl_vector_memcpy(b.get(), v.get());
  std::printf("\nReduced Vector V' \n\n");
  vector_print(v.get());
  std::printf("\nReduced Matrix M \n\n");
  matrix_print(reduced.get());

  // A singular M ends the run in the solve with GSL's own report and an
  // abort (HandleGslError).
  Permutation permutation(gsl_permutation_alloc(static_cast<size_t>(m)));
  int signum = 0;
  gsl_linalg_LU_decomp(reduced.get(), permutation.get(), &signum);
  gsl_linalg_LU_solve(reduced.get(), permutation.get(), b.get(), q.get());
  std::printf("\nThe vector of weights Q is:\n\n");
  vector_print(q.get());

  const double s_e = calcS_E(v.get(), q.get());
  PrintMeasure("The synchronization coefficient S_E is: ", s_e);
  PrintMeasure("\nThe determinant of M is: \t\t\t", gsl_linalg_LU_det(reduced.get(), signum));

  Matrix inverse = NewMatrix(m, m);
  gsl_linalg_LU_invert(reduced.get(), permutation.get(), inverse.get());
  // An inverse that overflowed holds infinities or NaNs: its condition
  // number is reported as infinite, never as a finite figure.
  double condition = norm_1(reduced_copy.get()) * norm_1(inverse.get());
  if (std::isnan(condition)) {
    condition = HUGE_VAL;
  }
  PrintMeasure("The 1-condition number of M is: \t\t", condition);
  PrintMeasure("The log of the 1-condition number of M is: \t", std::log10(condition));

  std::printf("\nExiting: %s ver. %s (Quorvane).\n\n", kProgramName, kProgramVersion);
  FinishReport();
  return 0;
}
