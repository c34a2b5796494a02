// The analysis of a group that kelvarin reports and the companion programs
// tabulate and draw: the weights Q of the influence on the empath, from the
// system M Q = V' reduced about the empath, and the measures of M. Each step
// is one function, so that a report can be printed between the steps.
#ifndef KELVARIN_ANALYSIS_ANALYSIS_H_
#define KELVARIN_ANALYSIS_ANALYSIS_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_permutation.h>
#include <gsl/gsl_vector.h>

#include <cstdlib>
#include <memory>

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

// Return a new rows-by-cols matrix, or null when GSL's error handler
// returns from a failed allocation.
Matrix NewMatrix(int rows, int cols);

// Return n zero-filled sums, or null when there is no memory for them.
Sums NewSums(int n);

// The system M Q = V' of the influence on one player, of order m = N - 1.
struct System {
  Matrix reduced;       // M; after Decompose its LU factors
  Matrix reduced_copy;  // M as reduced, for the condition number
  Vector v;             // V': the influence of the other players on the player
  Vector q;             // Q: the weights
  Permutation permutation;
  int signum = 0;
};

// Allocate the system of order n - 1 and fill M and V' with influence (n by
// n) reduced about player k: M without row and column k, V' column k without
// its entry (k, k). Return false when memory could not be had.
bool Reduce(const gsl_matrix* influence, int n, int k, System* system);

// Factorise M in place into P M = L U by partial pivoting. Return true when
// U has a zero pivot: M is singular, and Q does not exist.
bool Decompose(System* system);

// Room for SingularMessage's text.
constexpr int kSingularMessageCapacity = 128;

// Write into text what a singular M means for the group whose empath is
// player empath (0-based): the weights Q do not exist.
void SingularMessage(int empath, char text[kSingularMessageCapacity]);

// Solve M Q = V' from the factors. Return GSL's status (GSL_SUCCESS).
int Solve(System* system);

// Return det M = sign(P) times the product of U's pivots.
double Determinant(const System& system);

// Set condition to cond_1(M) = ||M||_1 ||M^-1||_1, with M^-1 from the
// factors; an inverse that overflowed into infinities or NaNs makes it
// infinite. Return GSL's status (GSL_SUCCESS).
int ConditionNumber(const System& system, double* condition);

#endif  // KELVARIN_ANALYSIS_ANALYSIS_H_
