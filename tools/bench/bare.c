/* The yardstick of tools/bench.sh, not a part of the program: the least a run
   of the same data file can cost. It reads the file with fscanf, solves the
   system reduced about the first player with GSL's LU decomposition, and
   prints the 19 weights and their coefficient: twenty numbers. */
#include <gsl/gsl_linalg.h>
#include <stdio.h>

enum { kLineSize = 128, kMaxPlayers = 20 };

int main(int argc, char* argv[]) {
  char line[kLineSize];
  int n = 0;
  FILE* file = argc > 1 ? fopen(argv[1], "r") : NULL;
  if (file == NULL || fgets(line, sizeof line, file) == NULL || fscanf(file, "%d", &n) != 1 ||
      n < 2 || n > kMaxPlayers) {
    return 1;
  }
  const size_t m = (size_t)n - 1;
  gsl_matrix* reduced = gsl_matrix_alloc(m, m);
  gsl_vector* v = gsl_vector_alloc(m);
  gsl_vector* q = gsl_vector_alloc(m);
  gsl_permutation* permutation = gsl_permutation_alloc(m);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      float value = 0;
      if (fscanf(file, "%f", &value) != 1) {
        return 1;
      }
      if (i > 0 && j > 0) {
        gsl_matrix_set(reduced, (size_t)i - 1, (size_t)j - 1, value);
      } else if (i > 0) {
        gsl_vector_set(v, (size_t)i - 1, value);
      }
    }
  }
  if (fclose(file) != 0) {
    return 1;
  }
  int signum = 0;
  gsl_linalg_LU_decomp(reduced, permutation, &signum);
  gsl_linalg_LU_solve(reduced, permutation, v, q);
  double s_e = 0;
  for (size_t i = 0; i < m; ++i) {
    printf("%9.4f\n", gsl_vector_get(q, i));
    s_e += gsl_vector_get(v, i) * gsl_vector_get(q, i);
  }
  printf("%9.4f\n", s_e);
  gsl_permutation_free(permutation);
  gsl_vector_free(q);
  gsl_vector_free(v);
  gsl_matrix_free(reduced);
  return 0;
}
