// The analysis routines: their reports of bad arguments, the report's print
// formats, the choice of empath and driver with its near-tie warnings, the
// reductions, and the order in which every sum is accumulated.
#include "routines/routines.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "analysis/sureness.h"

namespace {

struct MatrixFree {
  void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct VectorFree {
  void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};
using Matrix = std::unique_ptr<gsl_matrix, MatrixFree>;
using Vector = std::unique_ptr<gsl_vector, VectorFree>;

Matrix MatrixOf(std::initializer_list<std::initializer_list<double>> rows) {
  Matrix m(gsl_matrix_alloc(rows.size(), rows.begin()->size()));
  size_t i = 0;
  for (const auto& row : rows) {
    size_t j = 0;
    for (double value : row) {
      gsl_matrix_set(m.get(), i, j++, value);
    }
    ++i;
  }
  return m;
}

Vector VectorOf(std::initializer_list<double> values) {
  Vector v(gsl_vector_alloc(values.size()));
  size_t i = 0;
  for (double value : values) {
    gsl_vector_set(v.get(), i++, value);
  }
  return v;
}

// A square matrix with the square roots of sums on its diagonal, so that
// both its column and its row sums of squares are those sums.
Matrix DiagonalWithSums(const std::vector<double>& sums) {
  Matrix m(gsl_matrix_calloc(sums.size(), sums.size()));
  for (size_t i = 0; i < sums.size(); ++i) {
    gsl_matrix_set(m.get(), i, i, std::sqrt(sums[i]));
  }
  return m;
}

// A matrix or vector with no elements, which GSL's allocators refuse to make.
gsl_matrix EmptyMatrix(size_t rows, size_t cols) { return {rows, cols, cols, nullptr, nullptr, 0}; }
gsl_vector EmptyVector() { return {0, 1, nullptr, nullptr, 0}; }

// A regular expression that matches text exactly.
std::string Exactly(const std::string& text) {
  std::string pattern = "^";
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) {
      pattern += '\\';
    }
    pattern += c;
  }
  return pattern + "$";
}

// The module's whole report of a bad argument on standard error.
std::string Report(const std::string& message) {
  return "\nDorminax error: " + message + " \n\n\nExiting: Dorminax ver. 2.0 (Ostrelline).\n\n";
}

template <typename Call>
std::string StdoutOf(Call call) {
  testing::internal::CaptureStdout();
  call();
  return testing::internal::GetCapturedStdout();
}

const char kColumnWarning[] =
    "\nWARNING: Two or more column sum of squares are within 0.000 of each other.\n";
const char kRowWarning[] =
    "\nWARNING: Two or more row sum of squares are within 0.000 of each other.\n";

std::string Times(int count, const std::string& text) {
  std::string result;
  for (int i = 0; i < count; ++i) {
    result += text;
  }
  return result;
}

TEST(WriteLocalErrorMessageDeathTest, PrintsTheModuleReportAndExitsWithTheStatus) {
  EXPECT_EXIT(WriteLocalErrorMessage("Bad thing.", "", 0, 1), testing::ExitedWithCode(1),
              Exactly(Report("Bad thing.")));
  // A non-zero flag drops the empty line before the banner.
  EXPECT_EXIT(WriteLocalErrorMessage("Bad thing.", "detail", 7, 3), testing::ExitedWithCode(3),
              Exactly("\nDorminax error: Bad thing. detail\n\nExiting: Dorminax ver. 2.0 "
                      "(Ostrelline).\n\n"));
}

TEST(RoutinesDeathTest, ReportBadArgumentsRowsBeforeColumns) {
  gsl_matrix no_rows = EmptyMatrix(0, 0);
  gsl_matrix no_cols = EmptyMatrix(2, 0);
  gsl_vector no_elements = EmptyVector();
  const double sums[] = {1.0, 2.0};
  Matrix square = MatrixOf({{1, 2}, {3, 4}});
  const auto status_1 = testing::ExitedWithCode(1);

  EXPECT_EXIT(matrix_print(&no_rows), status_1,
              Exactly(Report("Number of matrix rows less than 1 in matrix_print.")));
  EXPECT_EXIT(matrix_print(&no_cols), status_1,
              Exactly(Report("Number of matrix columns less than 1 in matrix_print.")));
  EXPECT_EXIT(vector_print(&no_elements), status_1,
              Exactly(Report("Number of vector elements less than 1 in vector_print.")));
  EXPECT_EXIT(print_original_matrix(0, 0, square.get(), sums, sums), status_1,
              Exactly(Report("Number of rows less than 1 in print_original_matrix.")));
  EXPECT_EXIT(print_original_matrix(2, -1, square.get(), sums, sums), status_1,
              Exactly(Report("Number of columns less than 1 in print_original_matrix.")));
  EXPECT_EXIT(norm_1(&no_rows), status_1, Exactly(Report("Number of rows less than 1 in norm_1.")));
  EXPECT_EXIT(norm_1(&no_cols), status_1,
              Exactly(Report("Number of columns less than 1 in norm_1.")));
  EXPECT_EXIT(norm_inf(&no_rows), status_1,
              Exactly(Report("Number of rows less than 1 in norm_inf.")));
  EXPECT_EXIT(norm_inf(&no_cols), status_1,
              Exactly(Report("Number of columns less than 1 in norm_inf.")));

  Vector two = VectorOf({1, 2});
  Vector three = VectorOf({1, 2, 3});
  EXPECT_EXIT(calcS_E(two.get(), three.get()), status_1,
              Exactly(Report("Vector lengths not equal in calcS_E.")));
}

TEST(ReduceDeathTest, ReportsAnIndexOutsideTheMatrix) {
  Matrix m = MatrixOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  Matrix reduced(gsl_matrix_alloc(2, 2));
  Vector v(gsl_vector_alloc(2));
  for (int k : {-1, 3}) {
    EXPECT_EXIT(ReduceMatrix(m.get(), 3, reduced.get(), k), testing::ExitedWithCode(1),
                Exactly(Report("Improper index in ReduceMatrix.")));
    EXPECT_EXIT(ReduceVector(m.get(), 3, v.get(), k), testing::ExitedWithCode(1),
                Exactly(Report("Improper index in ReduceVector.")));
  }
}

TEST(Printing, UsesNineWideFieldsThatWidenAndKeepTheSign) {
  Matrix m = MatrixOf({{1, -1.0 / 6}, {-0.00004, 10000}, {-1000, 0.00005}});
  EXPECT_EQ(StdoutOf([&] { matrix_print(m.get()); }),
            "   1.0000    -0.1667  \n"
            "  -0.0000  10000.0000  \n"
            "-1000.0000     0.0001  \n");

  Vector v = VectorOf({0.25, -0.00001, 12345.6789});
  EXPECT_EQ(StdoutOf([&] { vector_print(v.get()); }), "   0.2500  \n  -0.0000  \n12345.6789  \n\n");

  Vector one = VectorOf({2});
  EXPECT_EQ(StdoutOf([&] { vector_print(one.get()); }), "   2.0000  \n\n");
}

TEST(Printing, FieldsAreWhatPrintfWritesHoweverLongTheLine) {
  // Extremes of the double range, ties at the fourth decimal, the signs of
  // zero, infinity and NaN; with a dozen more of 316 bytes, a line of over
  // 5000 bytes.
  std::vector<double> values = {DBL_MAX,       -DBL_MAX,   DBL_MIN,  -DBL_TRUE_MIN, 0.00005,
                                0.00015,       -0.00005,   2.5e-5,   1e300,         -1e22,
                                0.0,           -0.0,       HUGE_VAL, -HUGE_VAL,     std::nan(""),
                                -std::nan(""), 123.45675,  1e-4,     0.1,           2.0 / 3,
                                -2.0 / 3,      1e15 + 0.5, 9.99995,  -9.99995};
  values.insert(values.end(), 12, -DBL_MAX);
  Matrix row(gsl_matrix_alloc(1, values.size()));
  std::string expected;
  for (size_t j = 0; j < values.size(); ++j) {
    gsl_matrix_set(row.get(), 0, j, values[j]);
    std::vector<char> field(400);
    (void)std::snprintf(field.data(), field.size(), "%9.4f  ", values[j]);
    expected += field.data();
  }
  EXPECT_EQ(StdoutOf([&] { matrix_print(row.get()); }), expected + "\n");
}

TEST(Printing, LaysOutTheInfluenceTable) {
  Matrix m = MatrixOf({{1, 2}, {3, 4}});
  const double row_values[] = {5, 25};
  const double col_values[] = {10, 20};
  EXPECT_EQ(StdoutOf([&] { print_original_matrix(2, 2, m.get(), row_values, col_values); }),
            "                To1        To2      Communality\n"
            "     From1     1.0000     2.0000     5.0000  \n"
            "     From2     3.0000     4.0000    25.0000  \n"
            "\n"
            " Eigenvector  10.0000    20.0000  \n");

  // Two-digit player numbers widen their heading and row label by one.
  Matrix big(gsl_matrix_calloc(10, 10));
  const std::vector<double> sums(10, 0.0);
  const std::string table =
      StdoutOf([&] { print_original_matrix(10, 10, big.get(), sums.data(), sums.data()); });
  const std::string heading = table.substr(0, table.find('\n'));
  EXPECT_EQ(heading.substr(heading.size() - 32), "To9        To10      Communality");
  EXPECT_NE(table.find("\n     From9     0.0000"), std::string::npos);
  EXPECT_NE(table.find("\n     From10     0.0000"), std::string::npos);
}

struct LeaderCase {
  std::vector<double> sums;
  int warnings;
  int leader;
};

// Warnings compare each sum with the running best only, before it changes.
const LeaderCase kLeaderCases[] = {
    {{1.3125, 1.5, 1.625}, 0, 2},
    {{1.3125, 1.8125, 1.3125}, 0, 1},
    {{1, 1}, 1, 0},
    {{2, 1, 1}, 0, 0},
    {{0.00005, 3}, 1, 1},
    {{0, 0, 0}, 3, 0},
    {{1, 2, 2.00005}, 1, 2},
    {{3, 2.99995, 1}, 1, 0},
};

TEST(FindEmpathAndDriver, PickTheLargestSumAndWarnOnNearTies) {
  using Finder = void (*)(const gsl_matrix*, int, double*, int*);
  const struct {
    Finder find;
    const char* warning;
  } finders[] = {{FindEmpath, kColumnWarning}, {FindDriver, kRowWarning}};
  for (const auto& finder : finders) {
    for (const LeaderCase& c : kLeaderCases) {
      SCOPED_TRACE(finder.warning + testing::PrintToString(c.sums));
      Matrix m = DiagonalWithSums(c.sums);
      std::vector<double> sums(c.sums.size(), -1.0);
      int leader = -1;
      EXPECT_EQ(StdoutOf([&] {
                  finder.find(m.get(), static_cast<int>(sums.size()), sums.data(), &leader);
                }),
                Times(c.warnings, finder.warning));
      EXPECT_EQ(leader, c.leader);
      for (size_t i = 0; i < sums.size(); ++i) {
        EXPECT_NEAR(sums[i], c.sums[i], 1e-15);
      }
    }
  }
}

TEST(FindEmpathAndDriver, ReadColumnsForTheEmpathAndRowsForTheDriver) {
  Matrix m = MatrixOf({{1, 0.5, 0.25}, {0.5, 1, 0.75}, {0.25, 0.5, 1}});
  double column_sums[3];
  double row_sums[3];
  int empath = -1;
  int driver = -1;
  EXPECT_EQ(StdoutOf([&] {
              FindEmpath(m.get(), 3, column_sums, &empath);
              FindDriver(m.get(), 3, row_sums, &driver);
            }),
            "");
  EXPECT_EQ(empath, 2);
  EXPECT_EQ(driver, 1);
  EXPECT_EQ(std::vector<double>(column_sums, column_sums + 3),
            (std::vector<double>{1.3125, 1.5, 1.625}));
  EXPECT_EQ(std::vector<double>(row_sums, row_sums + 3),
            (std::vector<double>{1.3125, 1.8125, 1.3125}));
}

// 1 followed by three terms of 2^-54: added to 1 one by one each vanishes,
// but added together first they reach 1 + 2^-52. So a sum taken in any order
// but from the first index up differs from 1 in its last bit.
const double kTiny = std::ldexp(1.0, -27);  // Its square is 2^-54.
const double kTinySquare = std::ldexp(1.0, -54);

TEST(SumOrder, EverySumRunsFromTheFirstIndexUp) {
  Matrix m(gsl_matrix_calloc(4, 4));
  for (size_t i = 0; i < 4; ++i) {
    gsl_matrix_set(m.get(), i, 0, i == 0 ? 1.0 : kTiny);
    gsl_matrix_set(m.get(), 0, i, i == 0 ? 1.0 : kTiny);
  }
  double sums[4];
  int leader = 0;
  StdoutOf([&] { FindEmpath(m.get(), 4, sums, &leader); });
  EXPECT_EQ(sums[0], 1.0);
  StdoutOf([&] { FindDriver(m.get(), 4, sums, &leader); });
  EXPECT_EQ(sums[0], 1.0);

  Matrix abs_column = MatrixOf({{-1}, {kTinySquare}, {-kTinySquare}, {kTinySquare}});
  EXPECT_EQ(norm_1(abs_column.get()), 1.0);
  Matrix abs_row = MatrixOf({{-1, kTinySquare, -kTinySquare, kTinySquare}});
  EXPECT_EQ(norm_inf(abs_row.get()), 1.0);

  Vector v = VectorOf({1, kTiny, kTiny, kTiny});
  EXPECT_EQ(calcS_E(v.get(), v.get()), 1.0);
}

TEST(Reduce, RemovesThePlayersRowAndColumnKeepingTheOrder) {
  Matrix m = MatrixOf({{1, 0.5, 0.25}, {0.5, 1, 0.75}, {0.25, 0.5, 1}});
  Matrix reduced(gsl_matrix_alloc(2, 2));
  Vector v(gsl_vector_alloc(2));
  auto entries = [](const gsl_matrix* r) {
    return std::vector<double>{gsl_matrix_get(r, 0, 0), gsl_matrix_get(r, 0, 1),
                               gsl_matrix_get(r, 1, 0), gsl_matrix_get(r, 1, 1)};
  };
  auto elements = [](const gsl_vector* x) {
    return std::vector<double>{gsl_vector_get(x, 0), gsl_vector_get(x, 1)};
  };

  ReduceMatrix(m.get(), 3, reduced.get(), 2);
  ReduceVector(m.get(), 3, v.get(), 2);
  EXPECT_EQ(entries(reduced.get()), (std::vector<double>{1, 0.5, 0.5, 1}));
  EXPECT_EQ(elements(v.get()), (std::vector<double>{0.25, 0.75}));

  ReduceMatrix(m.get(), 3, reduced.get(), 0);
  ReduceVector(m.get(), 3, v.get(), 0);
  EXPECT_EQ(entries(reduced.get()), (std::vector<double>{1, 0.75, 0.5, 1}));
  EXPECT_EQ(elements(v.get()), (std::vector<double>{0.5, 0.25}));

  ReduceMatrix(m.get(), 3, reduced.get(), 1);
  ReduceVector(m.get(), 3, v.get(), 1);
  EXPECT_EQ(entries(reduced.get()), (std::vector<double>{1, 0.25, 0.25, 1}));
  EXPECT_EQ(elements(v.get()), (std::vector<double>{0.5, 0.5}));
}

TEST(CalcS_E, TakesTheDotProductAtEachVectorsStride) {
  Vector v = VectorOf({0.25, 0.75});
  Vector q = VectorOf({-1.0 / 6, 5.0 / 6});
  EXPECT_DOUBLE_EQ(calcS_E(v.get(), q.get()), 0.25 * (-1.0 / 6) + 0.75 * (5.0 / 6));

  Vector a = VectorOf({3});
  Vector b = VectorOf({-2.5});
  EXPECT_EQ(calcS_E(a.get(), b.get()), -7.5);

  // A column of a matrix has the matrix's row length as its stride.
  Matrix m = MatrixOf({{1, 10, 100}, {2, 20, 200}});
  gsl_vector_const_view column = gsl_matrix_const_column(m.get(), 1);
  gsl_vector_const_view row = gsl_matrix_const_row(m.get(), 0);
  gsl_vector_const_view row_head = gsl_vector_const_subvector(&row.vector, 0, 2);
  EXPECT_EQ(calcS_E(&column.vector, &row_head.vector), 10 * 1 + 20 * 10);
}

TEST(Norms, TakeTheLargestAbsoluteColumnOrRowSum) {
  Matrix m = MatrixOf({{1, 0.5}, {0.5, 1}});
  EXPECT_EQ(norm_1(m.get()), 1.5);
  Matrix inverse = MatrixOf({{4.0 / 3, -2.0 / 3}, {-2.0 / 3, 4.0 / 3}});
  EXPECT_EQ(norm_1(inverse.get()), 2);

  Matrix lopsided = MatrixOf({{1, -7}, {-3, 2}, {0, 0}});
  EXPECT_EQ(norm_1(lopsided.get()), 9);
  EXPECT_EQ(norm_inf(lopsided.get()), 8);

  // Wider than the columns summed at once, and a view whose rows stand apart
  // in memory: every column counts, and no entry outside the view.
  Matrix wide(gsl_matrix_alloc(3, 75));
  for (size_t j = 0; j < 75; ++j) {
    gsl_matrix_set(wide.get(), 0, j, static_cast<double>(j));
    gsl_matrix_set(wide.get(), 1, j, -static_cast<double>(j));
    gsl_matrix_set(wide.get(), 2, j, 1000);
  }
  gsl_matrix_view view = gsl_matrix_submatrix(wide.get(), 0, 0, 2, 74);
  EXPECT_EQ(norm_1(&view.matrix), 146);
  EXPECT_EQ(norm_inf(&view.matrix), 2701);
  gsl_matrix_set(wide.get(), 1, 32, -500);
  EXPECT_EQ(norm_1(&view.matrix), 532);

  Matrix zeros(gsl_matrix_calloc(3, 3));
  EXPECT_EQ(norm_1(zeros.get()), 0);
  EXPECT_EQ(norm_inf(zeros.get()), 0);

  // An overflowed inverse: a NaN anywhere, even beside a larger sum or an
  // infinity, makes the norm NaN.
  const double nan = std::nan("");
  Matrix overflowed = MatrixOf({{9, nan}, {HUGE_VAL, 1}});
  EXPECT_TRUE(std::isnan(norm_1(overflowed.get())));
  EXPECT_TRUE(std::isnan(norm_inf(overflowed.get())));
  Matrix infinite = MatrixOf({{1, -HUGE_VAL}, {2, 3}});
  EXPECT_EQ(norm_1(infinite.get()), HUGE_VAL);
  EXPECT_EQ(norm_inf(infinite.get()), HUGE_VAL);
}

}  // namespace

TEST(Quantile, IsRsDefaultTypeSeven) {
  // R: quantile(c(0, 1, 2, 4, 8), c(0.025, 0.5, 0.975)) is 0.1, 2, 7.6;
  // h = 4 p is 0.1, 2 and 3.9, and a value alone is every quantile of it.
  const double sorted[] = {0, 1, 2, 4, 8};
  EXPECT_DOUBLE_EQ(Quantile(sorted, 5, kLowQuantile), 0.1);
  EXPECT_EQ(Quantile(sorted, 5, kMedianQuantile), 2.0);
  EXPECT_DOUBLE_EQ(Quantile(sorted, 5, kHighQuantile), 7.6);
  EXPECT_DOUBLE_EQ(Quantile(sorted, 2, kHighQuantile), 0.975);
  EXPECT_EQ(Quantile(sorted + 4, 1, kHighQuantile), 8.0);
  // A quantile at a value is that value, even where the next one is beyond
  // it by more than a double holds.
  const double wide[] = {-DBL_MAX, -DBL_MAX, DBL_MAX};
  EXPECT_EQ(Quantile(wide, 3, kMedianQuantile), -DBL_MAX);
}
