// The analysis of a group, computed once into one value that kelvarin
// reports, kelvarin-table tabulates and kelvarin-graph draws: the sums of
// squares, the empath and the driver with their near ties, V' and M reduced
// about the empath, the weights Q that solve M Q = V', the synchronization
// coefficient S_E = V' . Q, det M and cond_1(M) = ||M||_1 ||M^-1||_1.
//
// The analysis never fails outright: how it ended is analysis.ending, and
// why it did not complete is analysis.message, a fixed text. GSL's error
// handler must return from the errors that it checks, a singular M and
// memory for the vectors and matrices it keeps, and must not return from
// memory that GSL's own routines cannot get, which they do not check.
#ifndef KELVARIN_ANALYSIS_ANALYSIS_H_
#define KELVARIN_ANALYSIS_ANALYSIS_H_

#include <gsl/gsl_matrix.h>

#include <optional>

#include "matrix/matrix.h"
#include "routines/routines.h"

// How the analysis of a group ended.
enum class Ending {
  kComplete,   // every figure exists and S_E and Q are finite
  kSingular,   // M has a zero pivot: no Q, no S_E, no condition number
  kNotFinite,  // Q or S_E overflowed double precision
  kNoMemory,   // the sums, or V', M and Q, could not be had
  kNotRead,    // no group was analysed: its file was not read whole, or its figures were dropped
};

// The empath, who leads the column sums of squares, or the driver, who
// leads the row sums.
struct Leader {
  int player = 0;
  double margin = 0.0;        // the leader's sum minus the second largest
  int near_ties = 0;          // the near-tie warnings of kelvarin's report
  NearTie ties[kMaxPlayers];  // what each of them compared
};

// Room for the message of an analysis that did not complete.
constexpr int kAnalysisMessageCapacity = 256;

// What the analysis finds of a group of n players (kMinPlayers to
// kMaxPlayers), players 0-based. A figure that does not exist for the group
// is empty; V', M and Q are null when the sums are.
struct Analysis {
  Ending ending = Ending::kNotRead;
  int n = 0;
  Sums column_sums;  // of squares, n of them; the report's " Eigenvector"
  Sums row_sums;     // of squares; its "Communality"
  Leader empath;
  Leader driver;
  Vector v;                  // V': the empath's column without its own entry
  Matrix reduced;            // M: the influence without the empath's row and column
  Vector q;                  // Q in the order of V', which skips the empath
  bool has_weights = false;  // Q and S_E exist: M is not singular
  std::optional<double> s_e;
  std::optional<double> determinant;
  std::optional<double> condition;
  std::optional<double> log_condition;
  char message[kAnalysisMessageCapacity] = "";  // why the ending is not kComplete
};

// Return true when a lead of margin over the next player is a near tie.
bool IsNearTie(double margin);

// Analyse the group whose n-by-n influence matrix is influence into
// analysis. Nothing is printed.
void AnalyseGroup(const gsl_matrix* influence, int n, Analysis* analysis);

// Take the memory that analysing groups of n players again takes (the sums,
// V', M and Q) into analysis. Return false when it cannot be had.
bool MakeRoomToAnalyse(int n, Analysis* analysis);

// Analyse another group of analysis's size, whose influence matrix is
// influence, into analysis, which has the room for it (MakeRoomToAnalyse): only the
// sums of squares, the empath and the driver with their margins and near
// ties, V', M, the determinant and, when M is not singular, Q and S_E. No
// memory is taken, no message written, and no function of the C library's
// mathematics called. Return true when M is not singular and S_E is finite.
bool AnalyseAgain(const gsl_matrix* influence, Analysis* analysis);

// Return the weight Q of player, who is not the empath, of an analysis that
// has weights.
double Weight(const Analysis& analysis, int player);

// Solve M Q = V' of analysis, whose M is singular, with GSL's default error
// handler in force: GSL reports that M is singular and aborts the process.
void SolveSingular(const Analysis& analysis);

#endif  // KELVARIN_ANALYSIS_ANALYSIS_H_
