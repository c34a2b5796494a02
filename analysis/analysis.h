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
#include <optional>
#include <string>

#include "matrix/matrix.h"

// Return a new rows-by-cols matrix, or null when GSL's error handler
// returns from a failed allocation.
Matrix NewMatrix(int rows, int cols);

// Return n zero-filled sums, or null when there is no memory for them.
Sums NewSums(int n);

// The system M Q = V' of the influence on one player, of order m = N - 1.
struct System {
  Matrix reduced;  // M; after Decompose its LU factors
  Vector v;        // V': the influence of the other players on the player
  Vector q;        // Q: the weights
  Permutation permutation;
  int signum = 0;
  double norm = 0.0;  // ||M||_1, taken before M is factorised
};

// Allocate the system of order n - 1 and fill M and V' with influence (n by
// n) reduced about player k: M without row and column k, V' column k without
// its entry (k, k), and take ||M||_1. Return false when memory could not be
// had.
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

// Return a text that names the figures of Q (by player, 0-based, in player
// order without the empath; m of them) and S_E that are not finite, and why:
// solving M Q = V' overflowed double precision. Return the empty string when
// all are finite.
std::string NotFiniteMessage(const gsl_vector* q, double s_e, int empath);

// How the analysis of a group ended.
enum class Ending {
  kComplete,   // every figure exists and S_E and Q are finite
  kSingular,   // M has a zero pivot: no Q, no S_E, no condition number
  kNotFinite,  // Q or S_E overflowed double precision
  kNoMemory,   // the matrices and vectors could not be had
};

// What the analysis finds of a group of n players, as plain figures.
// Players are 0-based. A figure that does not exist for the group is empty.
struct Figures {
  Ending ending = Ending::kNoMemory;
  int n = 0;
  double column_sums[kMaxPlayers] = {};  // of squares; the report's " Eigenvector"
  double row_sums[kMaxPlayers] = {};     // of squares; its "Communality"
  int empath = 0;
  int driver = 0;
  int near_ties = 0;  // the near-tie warnings of kelvarin's report
  // The largest column (row) sum of squares minus the second largest: the
  // empath's (driver's) lead over the next player.
  double empath_margin = 0.0;
  double driver_margin = 0.0;
  bool has_weights = false;
  double weights[kMaxPlayers] = {};  // Q by player; the empath's entry unused
  std::optional<double> s_e;
  std::optional<double> determinant;
  std::optional<double> condition;
  std::optional<double> log_condition;
  std::string message;  // why the ending is not kComplete
};

// Return true when a lead of margin over the next player is a near tie.
bool IsNearTie(double margin);

// Analyse the group whose n-by-n influence matrix is influence as kelvarin's
// report does, with the same calls in the same order, into figures. Nothing
// is printed; GSL's error handler must be off. Return figures->ending.
Ending AnalyseGroup(const gsl_matrix* influence, int n, Figures* figures);

#endif  // KELVARIN_ANALYSIS_ANALYSIS_H_
