// Identification of the group's leading players: the empath, whose column of
// influence received has the largest sum of squares, and the driver, whose row
// of influence exerted has the largest.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "routines/routines.h"

namespace {

// Find the leader among the n players' sums: the first with the largest
// sum, starting from 0, which is no player's. Return the near ties met on
// the way, each sum compared with the running best before it is updated, and
// describe them in ties unless it is null.
int RankSums(const double* sums, int n, int* leader, NearTie* ties) {
  int near_ties = 0;
  *leader = 0;
  int best_player = -1;
  double best = 0.0;
  for (int p = 0; p < n; ++p) {
    if (std::fabs(sums[p] - best) < kNearTieTolerance) {
      if (ties != nullptr) {
        ties[near_ties] = NearTie{p, best_player, sums[p], best};
      }
      ++near_ties;
    }
    if (sums[p] > best) {
      *leader = p;
      best = sums[p];
      best_player = p;
    }
  }
  return near_ties;
}

}  // namespace

// The entries are read through the matrix's data: the accessors test each
// row's first entry against the sizes, and n is at most the matrix's size.
// The column sums grow together, a row at a time, so that the matrix is read
// in the order it is stored: each still adds its column's entries from the
// first row down.
int RankColumns(const gsl_matrix* matrix, int n, double* column_sums, int* empath, NearTie* ties) {
  std::fill(column_sums, column_sums + n, 0.0);
  for (int r = 0; r < n; ++r) {
    const double* const row = gsl_matrix_const_ptr(matrix, static_cast<size_t>(r), 0);
    for (int c = 0; c < n; ++c) {
      column_sums[c] = row[c] * row[c] + column_sums[c];
    }
  }
  return RankSums(column_sums, n, empath, ties);
}

// Each row's sum is kept in a local, which the compiler keeps in a register:
// a sum in the array could share memory with the matrix, for all it knows.
int RankRows(const gsl_matrix* matrix, int n, double* row_sums, int* driver, NearTie* ties) {
  for (int r = 0; r < n; ++r) {
    const double* const row = gsl_matrix_const_ptr(matrix, static_cast<size_t>(r), 0);
    double sum = 0.0;
    for (int c = 0; c < n; ++c) {
      sum = row[c] * row[c] + sum;
    }
    row_sums[r] = sum;
  }
  return RankSums(row_sums, n, driver, ties);
}

void print_near_ties(const char* sums, int count) {
  for (int i = 0; i < count; ++i) {
    std::printf("\nWARNING: Two or more %s sum of squares are within %4.3f of each other.\n", sums,
                kNearTieTolerance);
  }
}

// Only standard output is written before the table, so the warnings can
// follow the sums rather than interleave with them.
void FindEmpath(const gsl_matrix* matrix, int n, double* column_sums, int* empath) {
  print_near_ties("column", RankColumns(matrix, n, column_sums, empath));
}

void FindDriver(const gsl_matrix* matrix, int n, double* row_sums, int* driver) {
  print_near_ties("row", RankRows(matrix, n, row_sums, driver));
}
