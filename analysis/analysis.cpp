#include "analysis/analysis.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>

#include <cmath>
#include <cstdio>

#include "routines/routines.h"

Matrix NewMatrix(int rows, int cols) {
  return Matrix(gsl_matrix_alloc(static_cast<size_t>(rows), static_cast<size_t>(cols)));
}

Sums NewSums(int n) {
  return Sums(static_cast<double*>(std::calloc(static_cast<size_t>(n), sizeof(double))));
}

bool Reduce(const gsl_matrix* influence, int n, int k, System* system) {
  const int m = n - 1;
  system->q.reset(gsl_vector_alloc(static_cast<size_t>(m)));
  system->v.reset(gsl_vector_alloc(static_cast<size_t>(m)));
  system->reduced = NewMatrix(m, m);
  system->reduced_copy = NewMatrix(m, m);
  system->permutation.reset(gsl_permutation_alloc(static_cast<size_t>(m)));
  if (!system->q || !system->v || !system->reduced || !system->reduced_copy ||
      !system->permutation) {
    return false;
  }
  ReduceMatrix(influence, n, system->reduced.get(), k);
  ReduceVector(influence, n, system->v.get(), k);
  gsl_matrix_memcpy(system->reduced_copy.get(), system->reduced.get());
  return true;
}

bool Decompose(System* system) {
  gsl_matrix* lu = system->reduced.get();
  gsl_linalg_LU_decomp(lu, system->permutation.get(), &system->signum);
  // The solve and the inverse refuse factors with a zero pivot.
  for (size_t i = 0; i < lu->size1; ++i) {
    if (gsl_matrix_get(lu, i, i) == 0.0) {
      return true;
    }
  }
  return false;
}

void SingularMessage(int empath, char text[kSingularMessageCapacity]) {
  (void)std::snprintf(text, kSingularMessageCapacity,
                      "M, the influence matrix without the empath P%d's row and column, is "
                      "singular: the weights Q do not exist",
                      empath + 1);
}

int Solve(System* system) {
  return gsl_linalg_LU_solve(system->reduced.get(), system->permutation.get(), system->v.get(),
                             system->q.get());
}

double Determinant(const System& system) {
  return gsl_linalg_LU_det(system.reduced.get(), system.signum);
}

int ConditionNumber(const System& system, double* condition) {
  const int m = static_cast<int>(system.reduced->size1);
  const Matrix inverse = NewMatrix(m, m);
  if (!inverse) {
    return GSL_ENOMEM;
  }
  const int status =
      gsl_linalg_LU_invert(system.reduced.get(), system.permutation.get(), inverse.get());
  if (status != GSL_SUCCESS) {
    return status;
  }
  *condition = norm_1(system.reduced_copy.get()) * norm_1(inverse.get());
  if (std::isnan(*condition)) {
    *condition = HUGE_VAL;
  }
  return GSL_SUCCESS;
}
