// The module's failure report and the printers of the report's tables.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "numbers/numbers.h"
#include "routines/routines.h"

namespace {

constexpr const char* kModuleName = "Dorminax";
constexpr const char* kModuleVersion = "2.0";

// A table's field: "%9.4f" followed by two blanks.
constexpr int kFieldWidth = 9;

// A table's line is built here and written with one call, instead of a call
// or more for each field; a line too long for it is written in pieces.
constexpr int kLineCapacity = 4096;

struct Line {
  char text[kLineCapacity];
  int length = 0;
};

void Write(Line* line) {
  std::fwrite(line->text, 1, static_cast<size_t>(line->length), stdout);
  line->length = 0;
}

// Make room for bytes more, writing out what the line holds if need be.
char* Room(Line* line, int bytes) {
  if (kLineCapacity - line->length < bytes) {
    Write(line);
  }
  return line->text + line->length;
}

// Append text, which is short.
void Append(Line* line, const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  std::memcpy(Room(line, length), text, static_cast<size_t>(length));
  line->length += length;
}

void AppendInteger(Line* line, int value) {
  constexpr int kIntegerCapacity = 11;  // "-2147483648"
  char* start = Room(line, kIntegerCapacity);
  line->length +=
      static_cast<int>(std::to_chars(start, start + kIntegerCapacity, value).ptr - start);
}

// Append value as a table's field, "%9.4f" and two blanks.
void AppendField(Line* line, double value) {
  char* start = Room(line, kFixedCapacity + 2);
  char* end = format_fixed(start, value, kFieldWidth);
  *end++ = ' ';
  *end++ = ' ';
  line->length += static_cast<int>(end - start);
}

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

namespace {

// The report prints most of its numbers more than once: the influence values
// again in M and V', which hold them as they are. The digits of the values
// converted lately are kept, each in the place its bits hash to, and copied
// instead of converted again.
constexpr int kKeptLength = 15;  // the longest digits kept: "-12345678.9012"
struct KeptDigits {
  std::uint64_t bits = 0;
  unsigned char length = 0;  // 0: nothing kept
  char digits[kKeptLength] = {};
};
constexpr int kKeptBits = 9;
thread_local KeptDigits kept_digits[1 << kKeptBits];

// Fibonacci hashing: the top bits of the product depend on all the value's.
constexpr std::uint64_t kGoldenRatio = 0x9E3779B97F4A7C15U;
constexpr int kHashShift = std::numeric_limits<std::uint64_t>::digits - kKeptBits;

}  // namespace

char* format_fixed(char* text, double value, int width) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  KeptDigits& kept = kept_digits[(bits * kGoldenRatio) >> kHashShift];
  char converted[kFixedCapacity];
  const char* digits = kept.digits;
  int length = kept.length;
  if (length == 0 || kept.bits != bits) {
    // The C++ library's conversion, where it has one, gives the digits
    // printf gives, without printf's cost of parsing a format and of
    // multi-precision arithmetic.
    const std::to_chars_result result = numbers::ToChars(
        converted, converted + kFixedCapacity, value, numbers::Form::kFixed, kFixedDecimals);
    digits = converted;
    length = static_cast<int>(result.ptr - converted);
    if (length <= static_cast<int>(sizeof kept.digits)) {
      kept.bits = bits;
      kept.length = static_cast<unsigned char>(length);
      std::memcpy(kept.digits, converted, static_cast<size_t>(length));
    }
  }
  for (int pad = width - length; pad > 0; --pad) {
    *text++ = ' ';
  }
  std::memcpy(text, digits, static_cast<size_t>(length));
  return text + length;
}

int matrix_print(const gsl_matrix* matrix) {
  if (matrix->size1 == 0) {
    WriteLocalErrorMessage("Number of matrix rows less than 1 in matrix_print.", "", 0, 1);
  } else if (matrix->size2 == 0) {
    WriteLocalErrorMessage("Number of matrix columns less than 1 in matrix_print.", "", 0, 1);
  }
  Line line;
  for (size_t i = 0; i < matrix->size1; ++i) {
    for (size_t j = 0; j < matrix->size2; ++j) {
      AppendField(&line, gsl_matrix_get(matrix, i, j));
    }
    Append(&line, "\n");
    Write(&line);
  }
  return 0;
}

int vector_print(const gsl_vector* vector) {
  if (vector->size == 0) {
    WriteLocalErrorMessage("Number of vector elements less than 1 in vector_print.", "", 0, 1);
  }
  Line line;
  for (size_t i = 0; i < vector->size; ++i) {
    AppendField(&line, gsl_vector_get(vector, i));
    Append(&line, "\n");
  }
  Append(&line, "\n");
  Write(&line);
  return 0;
}

int print_original_matrix(int rows, int cols, const gsl_matrix* matrix, const double* row_values,
                          const double* col_values) {
  if (rows <= 0) {
    WriteLocalErrorMessage("Number of rows less than 1 in print_original_matrix.", "", 0, 1);
  } else if (cols <= 0) {
    WriteLocalErrorMessage("Number of columns less than 1 in print_original_matrix.", "", 0, 1);
  }

  Line line;
  Append(&line, "            ");
  for (int c = 1; c <= cols; ++c) {
    Append(&line, "    To");
    AppendInteger(&line, c);
    Append(&line, "    ");
  }
  Append(&line, "  Communality\n");
  Write(&line);

  for (int r = 1; r <= rows; ++r) {
    Append(&line, "     From");
    AppendInteger(&line, r);
    Append(&line, "  ");
    for (int c = 1; c <= cols; ++c) {
      AppendField(&line,
                  gsl_matrix_get(matrix, static_cast<size_t>(r - 1), static_cast<size_t>(c - 1)));
    }
    AppendField(&line, row_values[r - 1]);
    Append(&line, "\n");
    Write(&line);
  }

  Append(&line, "\n Eigenvector");
  for (int c = 1; c <= cols; ++c) {
    AppendField(&line, col_values[c - 1]);
  }
  Append(&line, "\n");
  Write(&line);
  return 0;
}
