// Identification of the group's leading players: the empath, whose column of
// influence received has the largest sum of squares, and the driver, whose row
// of influence exerted has the largest.
#include <cmath>
#include <cstdio>

#include "routines/routines.h"

int RankColumns(const gsl_matrix* matrix, int n, double* column_sums, int* empath, NearTie* ties) {
  int near_ties = 0;
  *empath = 0;
  int best_player = -1;  // the starting 0 is no player's
  double best = 0.0;
  for (int c = 0; c < n; ++c) {
    double sum = 0.0;
    for (int r = 0; r < n; ++r) {
      const double entry = gsl_matrix_get(matrix, static_cast<size_t>(r), static_cast<size_t>(c));
      sum = entry * entry + sum;
    }
    // Compared with the running best only, before it is updated.
    if (std::fabs(sum - best) < kNearTieTolerance) {
      if (ties != nullptr) {
        ties[near_ties] = NearTie{c, best_player, sum, best};
      }
      ++near_ties;
    }
    if (sum > best) {
      *empath = c;
      best = sum;
      best_player = c;
    }
    column_sums[c] = sum;
  }
  return near_ties;
}

int RankRows(const gsl_matrix* matrix, int n, double* row_sums, int* driver, NearTie* ties) {
  int near_ties = 0;
  *driver = 0;
  int best_player = -1;
  double best = 0.0;
  for (int r = 0; r < n; ++r) {
    // Summed in a local, which the compiler keeps in a register: the sum in
    // row_sums could share memory with the matrix, for all it knows.
    double sum = 0.0;
    for (int c = 0; c < n; ++c) {
      const double entry = gsl_matrix_get(matrix, static_cast<size_t>(r), static_cast<size_t>(c));
      sum = entry * entry + sum;
    }
    row_sums[r] = sum;
    if (std::fabs(row_sums[r] - best) < kNearTieTolerance) {
      if (ties != nullptr) {
        ties[near_ties] = NearTie{r, best_player, row_sums[r], best};
      }
      ++near_ties;
    }
    if (row_sums[r] > best) {
      *driver = r;
      best = row_sums[r];
      best_player = r;
    }
  }
  return near_ties;
}

// Only standard output is written before the table, so the warnings can
// follow the sums rather than interleave with them.
void FindEmpath(const gsl_matrix* matrix, int n, double* column_sums, int* empath) {
  for (int i = RankColumns(matrix, n, column_sums, empath); i > 0; --i) {
    std::printf("\nWARNING: Two or more column sum of squares are within %4.3f of each other.\n",
                kNearTieTolerance);
  }
}

void FindDriver(const gsl_matrix* matrix, int n, double* row_sums, int* driver) {
  for (int i = RankRows(matrix, n, row_sums, driver); i > 0; --i) {
    std::printf("\nWARNING: Two or more row sum of squares are within %4.3f of each other.\n",
                kNearTieTolerance);
  }
}
