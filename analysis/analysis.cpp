#include "analysis/analysis.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>

#include <algorithm>
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
  system->permutation.reset(gsl_permutation_alloc(static_cast<size_t>(m)));
  if (!system->q || !system->v || !system->reduced || !system->permutation) {
    return false;
  }
  ReduceMatrix(influence, n, system->reduced.get(), k);
  ReduceVector(influence, n, system->v.get(), k);
  system->norm = norm_1(system->reduced.get());
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
  // The inverse as gsl_linalg_LU_invert computes it, U^-1 L^-1, but with its
  // columns left in the order of the pivots: the 1-norm, the largest column
  // sum, does not depend on the order of the columns, and each column holds
  // the same entries in the same rows, so the inverse's permutation would only
  // cost time.
  gsl_matrix_memcpy(inverse.get(), system.reduced.get());
  int status = gsl_linalg_tri_invert(CblasUpper, CblasNonUnit, inverse.get());
  if (status == GSL_SUCCESS) {
    status = gsl_linalg_tri_invert(CblasLower, CblasUnit, inverse.get());
  }
  if (status == GSL_SUCCESS) {
    status = gsl_linalg_tri_UL(inverse.get());
  }
  if (status != GSL_SUCCESS) {
    return status;
  }
  *condition = system.norm * norm_1(inverse.get());
  if (std::isnan(*condition)) {
    *condition = HUGE_VAL;
  }
  return GSL_SUCCESS;
}

std::string NotFiniteMessage(const gsl_vector* q, double s_e, int empath) {
  std::string players;
  int count = 0;
  for (size_t i = 0; i < q->size; ++i) {
    if (!std::isfinite(gsl_vector_get(q, i))) {
      // Q skips the empath.
      const int index = static_cast<int>(i);
      players +=
          (count++ == 0 ? "P" : ", P") + std::to_string(index < empath ? index + 1 : index + 2);
    }
  }
  const bool s_e_finite = std::isfinite(s_e);
  if (count == 0 && s_e_finite) {
    return "";
  }
  std::string text = s_e_finite ? "" : "S_E";
  if (count > 0) {
    text += text.empty() ? "" : " and ";
    text += (count == 1 ? "the weight Q of " : "the weights Q of ") + players;
  }
  text += count + (s_e_finite ? 0 : 1) > 1 ? " are" : " is";
  return text + " not finite: solving M Q = V' overflowed double precision";
}

bool IsNearTie(double margin) { return margin < kNearTieTolerance; }

namespace {

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

}  // namespace

Ending AnalyseGroup(const gsl_matrix* influence, int n, Figures* figures) {
  figures->n = n;
  figures->near_ties = RankColumns(influence, n, figures->column_sums, &figures->empath) +
                       RankRows(influence, n, figures->row_sums, &figures->driver);
  figures->empath_margin = Margin(figures->column_sums, n);
  figures->driver_margin = Margin(figures->row_sums, n);
  const int empath = figures->empath;

  System system;
  if (!Reduce(influence, n, empath, &system)) {
    figures->message = kMatricesOutOfMemory;
    return figures->ending = Ending::kNoMemory;
  }
  // With a zero pivot only the determinant exists: the solve and the
  // inverse would divide by it.
  if (Decompose(&system)) {
    figures->determinant = Determinant(system);
    char message[kSingularMessageCapacity];
    SingularMessage(empath, message);
    figures->message = message;
    return figures->ending = Ending::kSingular;
  }
  Solve(&system);
  figures->s_e = calcS_E(system.v.get(), system.q.get());
  figures->determinant = Determinant(system);
  double condition = 0.0;
  if (ConditionNumber(system, &condition) == GSL_ENOMEM) {
    figures->message = kMatricesOutOfMemory;
    return figures->ending = Ending::kNoMemory;
  }
  figures->condition = condition;
  figures->log_condition = std::log10(condition);
  // Q is in the reduced order, which skips the empath.
  for (int p = 0; p < n; ++p) {
    if (p != empath) {
      figures->weights[p] =
          gsl_vector_get(system.q.get(), static_cast<size_t>(p < empath ? p : p - 1));
    }
  }
  figures->has_weights = true;
  figures->message = NotFiniteMessage(system.q.get(), *figures->s_e, empath);
  return figures->ending = figures->message.empty() ? Ending::kComplete : Ending::kNotFinite;
}
