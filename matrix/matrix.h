// The matrices of a group of players, which the reader fills and the
// analysis reduces: the bounds of the group's size N, and the owners of
// GSL's matrices, vectors and permutations and of the sums of squares, each
// freed by its own free function when its owner goes. An allocation that
// fails leaves its owner null, which its user reports.
#ifndef KELVARIN_MATRIX_MATRIX_H_
#define KELVARIN_MATRIX_MATRIX_H_

#include <gsl/gsl_matrix.h>
#include <gsl/gsl_permutation.h>
#include <gsl/gsl_vector.h>

#include <cstdlib>
#include <memory>

// A group has from kMinPlayers to kMaxPlayers players.
constexpr long long kMinPlayers = 2;
constexpr long long kMaxPlayers = 20;

// The report of a matrix or a vector that could not be allocated.
constexpr const char* kMatricesOutOfMemory = "Out of memory for the matrices and vectors.";

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

#endif  // KELVARIN_MATRIX_MATRIX_H_
