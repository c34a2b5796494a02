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

// The columns whose sums grow together, a row at a time: the matrix is then
// read in the order it is stored, and each sum still adds its column's
// entries from the first row down.
constexpr size_t kColumnsAtOnce = 32;

// Keep in *largest the largest of the count sums, taken in order. Return
// false at the first sum that is not a number, which becomes *largest: it
// makes the norm not a number, and skipping it would report a finite norm
// for a matrix that has none.
bool KeepLargest(const double* sums, size_t count, double* largest) {
  for (size_t i = 0; i < count; ++i) {
    if (std::isnan(sums[i])) {
      *largest = sums[i];
      return false;
    }
    if (sums[i] > *largest) {
      *largest = sums[i];
    }
  }
  return true;
}

}  // namespace

double norm_1(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in norm_1.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in norm_1.", "", 0, 1);
  }
  double result = 0.0;
  for (size_t first = 0; first < matrix->size2; first += kColumnsAtOnce) {
    const size_t count = std::min(kColumnsAtOnce, matrix->size2 - first);
    double sums[kColumnsAtOnce] = {};
    for (size_t row = 0; row < matrix->size1; ++row) {
      const double* const entry = matrix->data + row * matrix->tda + first;
      for (size_t column = 0; column < count; ++column) {
        sums[column] = std::fabs(entry[column]) + sums[column];
      }
    }
    if (!KeepLargest(sums, count, &result)) {
      break;
    }
  }
  return result;
}

double norm_inf(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in norm_inf.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in norm_inf.", "", 0, 1);
  }
  double result = 0.0;
  for (size_t row = 0; row < matrix->size1; ++row) {
    const double* const entry = matrix->data + row * matrix->tda;
    double sum = 0.0;
    for (size_t column = 0; column < matrix->size2; ++column) {
      sum = std::fabs(entry[column]) + sum;
    }
    if (!KeepLargest(&sum, 1, &result)) {
      break;
    }
  }
  return result;
}
