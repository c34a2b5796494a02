// Analysis routines: stateless printing, leader identification, reduction and
// measures over GSL matrices and vectors. Every routine borrows its arguments
// for one call, writes only into the outputs it is given and keeps nothing.
// A routine that is handed a bad argument reports it through
// WriteLocalErrorMessage and ends the process with status 1.
#ifndef KELVARIN_ROUTINES_ROUTINES_H_
#define KELVARIN_ROUTINES_ROUTINES_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_vector.h>

// Print "Dorminax error: <message> <detail>" and the module's exit banner on
// standard error (with an empty line between them when flag is 0), then end
// the process with status.
[[noreturn]] void WriteLocalErrorMessage(const char* message, const char* detail, int flag,
                                         int status);

// The report's numbers have four decimals.
constexpr int kFixedDecimals = 4;

// The most bytes format_fixed writes for a width up to this: the 309 integer
// digits of the largest double, its sign, the point and the decimals.
constexpr int kFixedCapacity = 1 + 309 + 1 + kFixedDecimals;

// Write value into text as printf's "%<width>.4f" writes it in the C locale:
// correctly rounded to four decimals, ties to even, "-0.0000" for a negative
// value that rounds to zero, "inf" and "nan" with their signs, right-aligned
// in width columns unless it is longer. No NUL is written; returns the end.
char* format_fixed(char* text, double value, int width);

// Print each row of matrix on a line, every entry as "%9.4f  ". Returns 0.
// A matrix without rows or without columns is reported, rows first.
int matrix_print(const gsl_matrix* matrix);

// Print each element of vector on a line of its own as "%9.4f  ", then an
// empty line. Returns 0. A vector without elements is reported.
int vector_print(const gsl_vector* vector);

// Print the influence table: a "To" heading per column and "Communality", a
// "From" line per row ending in row_values[r], and the " Eigenvector" line of
// col_values. Returns 0. rows or cols below 1 is reported, rows first.
int print_original_matrix(int rows, int cols, const gsl_matrix* matrix, const double* row_values,
                          const double* col_values);

// Set column_sums[c] = sum over rows r of m(r, c)^2 for c < n and store the
// index of the largest sum (the lowest on a tie) in empath. Warns on standard
// output for each sum within 0.0001 of the largest found before it.
void FindEmpath(const gsl_matrix* matrix, int n, double* column_sums, int* empath);

// Set row_sums[r] = sum over columns c of m(r, c)^2 for r < n and store the
// index of the largest sum (the lowest on a tie) in driver. Warns as FindEmpath.
void FindDriver(const gsl_matrix* matrix, int n, double* row_sums, int* driver);

// Print FindEmpath's near-tie warning (sums "column") or FindDriver's (sums
// "row") count times: "\nWARNING: Two or more <sums> sum of squares are within
// 0.000 of each other.\n".
void print_near_ties(const char* sums, int count);

// Sums closer than this to the largest sum found so far count as a near tie.
constexpr double kNearTieTolerance = 0.0001;

// A near tie that FindEmpath or FindDriver warns of: the sum of player came
// within 0.0001 of best, the largest sum found before it, which is
// best_player's, or the starting 0 when best_player is -1.
struct NearTie {
  int player = 0;
  int best_player = -1;
  double sum = 0.0;
  double best = 0.0;
};

// Do what FindEmpath does without printing; return the number of its
// near-tie warnings, and describe each in ties (room for n) unless it is null.
int RankColumns(const gsl_matrix* matrix, int n, double* column_sums, int* empath,
                NearTie* ties = nullptr);

// Do what FindDriver does without printing; return the number of its
// near-tie warnings, and describe each in ties (room for n) unless it is null.
int RankRows(const gsl_matrix* matrix, int n, double* row_sums, int* driver,
             NearTie* ties = nullptr);

// Copy the n-by-n matrix without row k and column k into the (n-1)-by-(n-1)
// reduced, keeping the order of the others. k outside 0..n-1 is reported.
void ReduceMatrix(const gsl_matrix* matrix, int n, gsl_matrix* reduced, int k);

// Copy column k of the n-by-n matrix without its entry (k, k) into the n-1
// elements of vector, in row order. k outside 0..n-1 is reported.
void ReduceVector(const gsl_matrix* matrix, int n, gsl_vector* vector, int k);

// Return the synchronization coefficient S_E = sum over i of v[i] q[i],
// accumulated in index order. Vectors of different sizes are reported.
double calcS_E(const gsl_vector* v, const gsl_vector* q);

// Return the 1-norm of matrix: the largest sum of absolute values in a
// column, or NaN when an entry is NaN. A matrix without rows or without
// columns is reported, rows first.
double norm_1(const gsl_matrix* matrix);

// Return the infinity-norm of matrix: the largest sum of absolute values in a
// row, or NaN when an entry is NaN. A matrix without rows or without columns
// is reported, rows first.
double norm_inf(const gsl_matrix* matrix);

#endif  // KELVARIN_ROUTINES_ROUTINES_H_
