// The module's failure report and the printers of the report's tables.
#include <cstdio>
#include <cstdlib>

#include "routines/routines.h"

namespace {

constexpr const char* kModuleName = "Dorminax";
constexpr const char* kModuleVersion = "2.0";

}  // namespace

void WriteLocalErrorMessage(const char* message, const char* detail, int flag, int status) {
  std::fprintf(stderr, "\n%s error: %s %s\n", kModuleName, message, detail);
  // The module has no usage lines; a zero flag asks for the empty line.
  if (flag == 0) {
    std::fprintf(stderr, "\n");
  }
  std::fprintf(stderr, "\nExiting: %s ver. %s (Ostrelline).\n\n", kModuleName, kModuleVersion);
  std::exit(status);
}

int matrix_print(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of matrix rows less than 1 in matrix_print.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of matrix columns less than 1 in matrix_print.", "", 0, 1);
  }
  for (size_t i = 0; i < matrix->size1; ++i) {
    for (size_t j = 0; j < matrix->size2; ++j) {
      std::printf("%9.4f  ", gsl_matrix_get(matrix, i, j));
    }
    std::printf("\n");
  }
  return 0;
}

int vector_print(const gsl_vector* vector) {
  if (vector->size == 0) {
    WriteLocalErrorMessage("Number of vector elements less than 1 in vector_print.", "", 0, 1);
  }
  for (size_t i = 0; i < vector->size; ++i) {
    std::printf("%9.4f  \n", gsl_vector_get(vector, i));
  }
  std::printf("\n");
  return 0;
}

int print_original_matrix(int rows, int cols, const gsl_matrix* matrix, const double* row_values,
                          const double* col_values) {
  if (rows <= 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in print_original_matrix.", "", 0, 1);
  } else if (cols <= 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in print_original_matrix.", "", 0, 1);
  }

  std::printf("            ");
  for (int c = 1; c <= cols; ++c) {
    std::printf("    %s%d    ", "To", c);
  }
  std::printf("  Communality\n");

  for (int r = 1; r <= rows; ++r) {
    std::printf("     %s%d  ", "From", r);
    for (int c = 1; c <= cols; ++c) {
      std::printf("%9.4f  ",
                  gsl_matrix_get(matrix, static_cast<size_t>(r - 1), static_cast<size_t>(c - 1)));
    }
    std::printf("%9.4f  \n", row_values[r - 1]);
  }

  std::printf("\n");
  std::printf(" Eigenvector");
  for (int c = 1; c <= cols; ++c) {
    std::printf("%9.4f  ", col_values[c - 1]);
  }
  std::printf("\n");
  return 0;
}
