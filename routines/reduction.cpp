// Reduction of the influence matrix about one player, the synchronization
// coefficient and the matrix norms that form the condition number.
#include <algorithm>
#include <cmath>

#include "routines/routines.h"

void ReduceMatrix(const gsl_matrix* matrix, int n, gsl_matrix* reduced, int k) {
  if (k < 0 || k >= n) {
    WriteLocalErrorMessage("Improper index in ReduceMatrix.", "", 0, 1);
  }
  // Fill reduced row by row, each row from the matrix's row without entry k.
  // The accessors test each row's index against the sizes; n is at most
  // the matrix's size, and n - 1 at most the reduced matrix's.
  size_t out_row = 0;
  for (int i = 0; i < n; ++i) {
    if (i == k) {
      continue;
    }
    const double* const in = gsl_matrix_const_ptr(matrix, static_cast<size_t>(i), 0);
    double* const out = gsl_matrix_ptr(reduced, out_row, 0);
    std::copy(in, in + k, out);
    std::copy(in + k + 1, in + n, out + k);
    ++out_row;
  }
}

void ReduceVector(const gsl_matrix* matrix, int n, gsl_vector* vector, int k) {
  if (k < 0 || k >= n) {
    WriteLocalErrorMessage("Improper index in ReduceVector.", "", 0, 1);
  }
  size_t out = 0;
  for (int i = 0; i < n; ++i) {
    if (i == k) {
      continue;
    }
    gsl_vector_set(vector, out,
                   gsl_matrix_get(matrix, static_cast<size_t>(i), static_cast<size_t>(k)));
    ++out;
  }
}

double calcS_E(const gsl_vector* v, const gsl_vector* q) {
  if (v->size != q->size) {
    WriteLocalErrorMessage("Vector lengths not equal in calcS_E.", "", 0, 1);
  }
  double sum = 0.0;
  for (size_t i = 0; i < v->size; ++i) {
    sum = v->data[i * v->stride] * q->data[i * q->stride] + sum;
  }
  return sum;
}

namespace {

// Return the largest sum of absolute values of the matrix's columns
// (by_columns) or of its rows, each summed in order.
double LargestAbsoluteSum(const gsl_matrix* matrix, bool by_columns) {
  const size_t lines = by_columns ? matrix->size2 : matrix->size1;
  const size_t entries = by_columns ? matrix->size1 : matrix->size2;
  // The steps through the matrix's data from one line, and from one entry
  // of a line, to the next.
  const size_t line_step = by_columns ? 1 : matrix->tda;
  const size_t entry_step = by_columns ? matrix->tda : 1;
  double result = 0.0;
  for (size_t line = 0; line < lines; ++line) {
    const double* entry = matrix->data + line * line_step;
    double sum = 0.0;
    for (size_t e = 0; e < entries; ++e, entry += entry_step) {
      sum = std::fabs(*entry) + sum;
    }
    // A sum that is not a number makes the norm not a number: skipping it
    // would report a finite norm for a matrix that has none.
    if (std::isnan(sum)) {
      return sum;
    }
    if (sum > result) {
      result = sum;
    }
  }
  return result;
}

}  // namespace

double norm_1(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in norm_1.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in norm_1.", "", 0, 1);
  }
  return LargestAbsoluteSum(matrix, true);
}

double norm_inf(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in norm_inf.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in norm_inf.", "", 0, 1);
  }
  return LargestAbsoluteSum(matrix, false);
}
