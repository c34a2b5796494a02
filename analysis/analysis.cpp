// The analysis of a group in one pass: the sums of squares and their leaders,
// then M Q = V' reduced about the empath, solved by LU decomposition, and the
// measures of M, each figure kept in the value that every program shows.
#include "analysis/analysis.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "logarithm/log10.h"

namespace {

// Room for the LU factors of M, which keeps the values it is printed with.
constexpr int kMostReduced = static_cast<int>(kMaxPlayers) - 1;
constexpr int kFactorsCapacity = kMostReduced * kMostReduced;

// Room for the players named in a message, "P2, P3, ..., P20" at most.
constexpr int kPlayersCapacity = 128;

// Return the largest of sums[0..n) minus the second largest (n >= 2).
double Margin(const double* sums, int n) {
  double first = std::max(sums[0], sums[1]);
  double second = std::min(sums[0], sums[1]);
  for (int i = 2; i < n; ++i) {
    if (sums[i] > first) {
      second = first;
      first = sums[i];
    } else if (sums[i] > second) {
      second = sums[i];
    }
  }
  return first - second;
}

// End analysis for want of the memory for what report names, said in its
// message.
void EndOutOfMemory(Analysis* analysis, const char* report) {
  analysis->ending = Ending::kNoMemory;
  (void)std::snprintf(analysis->message, sizeof analysis->message, "%s", report);
}

// Solve M Q = V' into q from the LU decomposition of M with partial
// pivoting, P M = L U, its factors written into lu, and set determinant to
// det M = sign(P) times the product of U's pivots. Return GSL's status of the
// solve: GSL_EDOM when U has a zero pivot, so that M is singular.
int Solve(const gsl_matrix* reduced, const gsl_vector* v, gsl_matrix* lu, gsl_vector* q,
          double* determinant) {
  size_t pivots[kMostReduced] = {};
  gsl_permutation permutation = {reduced->size1, pivots};
  int signum = 0;
  gsl_matrix_memcpy(lu, reduced);
  gsl_linalg_LU_decomp(lu, &permutation, &signum);
  *determinant = gsl_linalg_LU_det(lu, signum);
  return gsl_linalg_LU_solve(lu, &permutation, v, q);
}

// Return ||M^-1||_1 from M's factors in lu, which it overwrites, or infinity
// when U cannot be inverted. The inverse is gsl_linalg_LU_invert's, U^-1
// L^-1, with its columns left in the order of the pivots: the 1-norm, the
// largest column sum, does not depend on the order of the columns, and each
// column holds the same entries in the same rows, so the inverse's
// permutation would only cost time.
double InverseNorm(gsl_matrix* lu) {
  const bool inverted = gsl_linalg_tri_invert(CblasUpper, CblasNonUnit, lu) == GSL_SUCCESS &&
                        gsl_linalg_tri_invert(CblasLower, CblasUnit, lu) == GSL_SUCCESS &&
                        gsl_linalg_tri_UL(lu) == GSL_SUCCESS;
  return inverted ? norm_1(lu) : HUGE_VAL;
}

// Set analysis->message to which figures of Q and S_E are not finite, and
// why: solving M Q = V' overflowed double precision. Leave it empty when all
// are finite.
void SayNotFinite(Analysis* analysis) {
  char players[kPlayersCapacity] = "";
  int length = 0;
  int count = 0;
  for (size_t i = 0; i < analysis->q->size; ++i) {
    if (!std::isfinite(gsl_vector_get(analysis->q.get(), i))) {
      // Q skips the empath.
      const int index = static_cast<int>(i);
      length += std::snprintf(players + length, sizeof players - static_cast<size_t>(length),
                              "%sP%d", count++ == 0 ? "" : ", ",
                              index < analysis->empath.player ? index + 1 : index + 2);
    }
  }
  const bool s_e_finite = std::isfinite(*analysis->s_e);
  if (count == 0 && s_e_finite) {
    return;
  }
  (void)std::snprintf(analysis->message, sizeof analysis->message,
                      "%s%s%s%s%s not finite: solving M Q = V' overflowed double precision",
                      s_e_finite ? "" : "S_E", !s_e_finite && count > 0 ? " and " : "",
                      count == 0   ? ""
                      : count == 1 ? "the weight Q of "
                                   : "the weights Q of ",
                      players, count + (s_e_finite ? 0 : 1) > 1 ? " are" : " is");
}

// Take the memory for analysis's sums of squares, n of each. Return false
// when it cannot be had.
bool TakeSums(Analysis* analysis) {
  const auto n = static_cast<size_t>(analysis->n);
  analysis->column_sums.reset(static_cast<double*>(std::calloc(n, sizeof(double))));
  analysis->row_sums.reset(static_cast<double*>(std::calloc(n, sizeof(double))));
  return analysis->column_sums && analysis->row_sums;
}

// Take the memory for analysis's V', M and Q, of n - 1 players. Return
// false when it cannot be had.
bool TakeReduced(Analysis* analysis) {
  const auto m = static_cast<size_t>(analysis->n - 1);
  analysis->q.reset(gsl_vector_alloc(m));
  analysis->v.reset(gsl_vector_alloc(m));
  analysis->reduced.reset(gsl_matrix_alloc(m, m));
  return analysis->q && analysis->v && analysis->reduced;
}

// Find the sums of squares of influence, its empath and its driver, their
// margins and their near ties, into analysis, whose sums have room for them.
void Rank(const gsl_matrix* influence, Analysis* analysis) {
  const int n = analysis->n;
  Leader& empath = analysis->empath;
  Leader& driver = analysis->driver;
  empath.near_ties =
      RankColumns(influence, n, analysis->column_sums.get(), &empath.player, empath.ties);
  driver.near_ties = RankRows(influence, n, analysis->row_sums.get(), &driver.player, driver.ties);
  empath.margin = Margin(analysis->column_sums.get(), n);
  driver.margin = Margin(analysis->row_sums.get(), n);
}

// Reduce influence about analysis's empath into V' and M, solve M Q = V'
// with M's factors written into lu, and set the determinant, and Q and S_E
// when M is not singular. Return GSL's status of the solve. With a zero
// pivot only the determinant exists: the solve and the inverse would divide
// by it.
int ReduceAndSolve(const gsl_matrix* influence, Analysis* analysis, gsl_matrix* lu) {
  ReduceMatrix(influence, analysis->n, analysis->reduced.get(), analysis->empath.player);
  ReduceVector(influence, analysis->n, analysis->v.get(), analysis->empath.player);
  double determinant = 0.0;
  const int solved =
      Solve(analysis->reduced.get(), analysis->v.get(), lu, analysis->q.get(), &determinant);
  analysis->determinant = determinant;
  analysis->has_weights = solved == GSL_SUCCESS;
  if (analysis->has_weights) {
    analysis->s_e = calcS_E(analysis->v.get(), analysis->q.get());
  }
  return solved;
}

}  // namespace

bool IsNearTie(double margin) { return margin < kNearTieTolerance; }

void AnalyseGroup(const gsl_matrix* influence, int n, Analysis* analysis) {
  analysis->n = n;
  if (!TakeSums(analysis)) {
    EndOutOfMemory(analysis, "Out of memory for the sums of squares.");
    return;
  }
  Rank(influence, analysis);
  if (!TakeReduced(analysis)) {
    EndOutOfMemory(analysis, kMatricesOutOfMemory);
    return;
  }
  const auto m = static_cast<size_t>(n - 1);
  double factors[kFactorsCapacity] = {};
  gsl_matrix_view lu = gsl_matrix_view_array(factors, m, m);
  if (ReduceAndSolve(influence, analysis, &lu.matrix) != GSL_SUCCESS) {
    (void)std::snprintf(analysis->message, sizeof analysis->message,
                        "M, the influence matrix without the empath P%d's row and column, is "
                        "singular: the weights Q do not exist",
                        analysis->empath.player + 1);
    analysis->ending = Ending::kSingular;
    return;
  }
  // An inverse that overflowed into infinities or NaNs makes cond_1(M)
  // infinite.
  double condition = norm_1(analysis->reduced.get()) * InverseNorm(&lu.matrix);
  if (std::isnan(condition)) {
    condition = HUGE_VAL;
  }
  analysis->condition = condition;
  analysis->log_condition = logarithm::Log10(condition);
  SayNotFinite(analysis);
  analysis->ending = analysis->message[0] == '\0' ? Ending::kComplete : Ending::kNotFinite;
}

bool MakeRoomToAnalyse(int n, Analysis* analysis) {
  analysis->n = n;
  return TakeSums(analysis) && TakeReduced(analysis);
}

bool AnalyseAgain(const gsl_matrix* influence, Analysis* analysis) {
  Rank(influence, analysis);
  const size_t m = analysis->reduced->size1;
  double factors[kFactorsCapacity] = {};
  gsl_matrix_view lu = gsl_matrix_view_array(factors, m, m);
  analysis->s_e.reset();
  if (ReduceAndSolve(influence, analysis, &lu.matrix) != GSL_SUCCESS) {
    return false;
  }
  return std::isfinite(*analysis->s_e);
}

double Weight(const Analysis& analysis, int player) {
  const int empath = analysis.empath.player;
  return gsl_vector_get(analysis.q.get(),
                        static_cast<size_t>(player < empath ? player : player - 1));
}

void SolveSingular(const Analysis& analysis) {
  const size_t m = analysis.reduced->size1;
  double factors[kFactorsCapacity] = {};
  gsl_matrix_view lu = gsl_matrix_view_array(factors, m, m);
  double weights[kMostReduced] = {};
  gsl_vector_view q = gsl_vector_view_array(weights, m);
  double determinant = 0.0;
  gsl_set_error_handler(nullptr);
  Solve(analysis.reduced.get(), analysis.v.get(), &lu.matrix, &q.vector, &determinant);
}
