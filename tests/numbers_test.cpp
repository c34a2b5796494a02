// The project's number conversions: a few texts as std::to_chars writes
// them, and, where the C++ library has floating-point std::to_chars and
// std::from_chars, the conversions over fast_float and {fmt} against those on
// a large sample with a fixed seed. The correctly rounded log10 against
// MPFR's.
#include "numbers/numbers.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "logarithm/log10.h"

namespace {

using numbers::Form;

constexpr int kCapacity = 400;

std::string Text(std::to_chars_result result, const char* first) {
  if (result.ec != std::errc()) {
    return "too large";
  }
  return std::string(first, static_cast<const char*>(result.ptr));
}

std::string Shortest(double value) {
  char text[kCapacity];
  return Text(numbers::portable::ToChars(text, text + kCapacity, value), text);
}

std::string Shortest(double value, Form form) {
  char text[kCapacity];
  return Text(numbers::portable::ToChars(text, text + kCapacity, value, form), text);
}

std::string WithPrecision(double value, Form form, int precision) {
  char text[kCapacity];
  return Text(numbers::portable::ToChars(text, text + kCapacity, value, form, precision), text);
}

TEST(NumbersTest, PortableWritesAsToChars) {
  EXPECT_EQ(Shortest(1e30), "1e+30");
  EXPECT_EQ(Shortest(7.0 / 12.0), "0.5833333333333334");
  EXPECT_EQ(Shortest(-0.0), "-0");
  EXPECT_EQ(Shortest(100000.0), "1e+05");
  EXPECT_EQ(Shortest(0.001), "0.001");
  EXPECT_EQ(Shortest(std::pow(2.0, 60)), "1152921504606846976");
  EXPECT_EQ(Shortest(5e-324), "5e-324");
  EXPECT_EQ(Shortest(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(Shortest(-std::numeric_limits<double>::quiet_NaN()), "-nan");
  EXPECT_EQ(Shortest(0.0, Form::kScientific), "0e+00");
  EXPECT_EQ(Shortest(123456.0, Form::kGeneral), "123456");
  EXPECT_EQ(Shortest(1234567.0, Form::kGeneral), "1.234567e+06");
  EXPECT_EQ(WithPrecision(0.03125, Form::kFixed, 4), "0.0312");
  EXPECT_EQ(WithPrecision(-0.00004, Form::kFixed, 4), "-0.0000");
  EXPECT_EQ(WithPrecision(1234567.0, Form::kGeneral, 4), "1.235e+06");
  char text[4];
  EXPECT_EQ(numbers::portable::ToChars(text, text + 4, 12345.0).ec, std::errc::value_too_large);
  EXPECT_EQ(numbers::portable::ToChars(text, text + 4, 1.5, Form::kFixed, 4).ec,
            std::errc::value_too_large);
}

TEST(NumbersTest, PortableReadsAsFromChars) {
  const auto read = [](const std::string& text, double* value) {
    return numbers::portable::FromChars(text.data(), text.data() + text.size(), value);
  };
  double value = 2.0;
  EXPECT_EQ(read("+1", &value).ec, std::errc::invalid_argument);
  EXPECT_EQ(read(" 1", &value).ec, std::errc::invalid_argument);
  EXPECT_EQ(read("1e400", &value).ec, std::errc::result_out_of_range);
  EXPECT_EQ(value, 2.0);
  const std::string hex = "-0x1p3";
  const std::from_chars_result result = read(hex, &value);
  EXPECT_EQ(result.ec, std::errc());
  EXPECT_EQ(result.ptr - hex.data(), 2);
  EXPECT_TRUE(value == 0.0 && std::signbit(value));
  EXPECT_EQ(read("1e-310", &value).ec, std::errc());
  float single = 2.0F;
  const std::string tiny = "1e-46";
  EXPECT_EQ(numbers::portable::FromChars(tiny.data(), tiny.data() + tiny.size(), &single).ec,
            std::errc::result_out_of_range);
}

// log10 as MPFR rounds it to nearest in 53 bits.
double Log10ByMpfr(double x) {
  mpfr_t value;
  mpfr_init2(value, std::numeric_limits<double>::digits);
  mpfr_set_d(value, x, MPFR_RNDN);
  mpfr_log10(value, value, MPFR_RNDN);
  const double result = mpfr_get_d(value, MPFR_RNDN);
  mpfr_clear(value);
  return result;
}

TEST(Log10Test, RoundsAsMpfr) {
  // Exact results, the ends of the range, next to 1, and two whose fast
  // evaluation rounds a last bit away, upward and downward.
  const struct {
    double x;
    double log10;
  } rows[] = {{1, 0},
              {1e22, 22},
              {3, 0x1.e8927964fd5fdp-2},
              {1 - 0x1p-53, -0x1.bcb7b1526e50fp-55},
              {1 + 0x1p-52, 0x1.bcb7b1526e50dp-54},
              {0x1p-1074, -0x1.434e6420f4374p+8},
              {std::numeric_limits<double>::max(), 0x1.34413509f79ffp+8},
              {0x1.020185e0d6611p+0, 0x1.bc4d4af565d92p-9},
              {0x1.e48484c0fb0fbp-1, -0x1.889106c168295p-6},
              {0, -std::numeric_limits<double>::infinity()},
              {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()}};
  for (const auto& row : rows) {
    EXPECT_EQ(logarithm::Log10(row.x), row.log10) << std::hexfloat << row.x;
    EXPECT_EQ(std::signbit(logarithm::Log10(row.x)), std::signbit(row.log10)) << row.x;
  }
  EXPECT_TRUE(std::isnan(logarithm::Log10(-1)));
  EXPECT_TRUE(std::isnan(logarithm::Log10(std::numeric_limits<double>::quiet_NaN())));
  // Condition numbers from 1 to 1e17, numbers near 1, whose logarithm is
  // the fast evaluation's alone, and any positive double; about one in a
  // hundred takes MPFR's way, and a C library's log10 misses some of the
  // others by a last bit.
  std::mt19937_64 random(20240603);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  std::uniform_real_distribution<double> power(0, 17);
  std::uniform_real_distribution<double> near_1(0.7, 1.42);
  for (int i = 0; i < 60000; ++i) {
    double x = i % 3 == 0 ? std::pow(10.0, power(random)) : near_1(random);
    if (i % 3 == 2) {
      const std::uint64_t bits = random() >> 1;
      std::memcpy(&x, &bits, sizeof x);
    }
    if (std::isfinite(x) && x > 0) {
      EXPECT_EQ(logarithm::Log10(x), Log10ByMpfr(x)) << std::hexfloat << x;
    }
  }
}

#if defined(__cpp_lib_to_chars)

// A double of any magnitude, sign and kind: any bit pattern.
double AnyDouble(std::mt19937_64* random) {
  const std::uint64_t bits = (*random)();
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A double with few significant digits and ties for the short precisions.
double ShortDouble(std::mt19937_64* random) {
  std::uniform_int_distribution<int> numerator(-200000, 200000);
  std::uniform_int_distribution<int> power(0, 12);
  return std::ldexp(static_cast<double>(numerator(*random)), -power(*random));
}

void ExpectSameText(double value) {
  char mine[kCapacity];
  char theirs[kCapacity];
  const auto same = [&](std::to_chars_result a, std::to_chars_result b, const char* what) {
    EXPECT_EQ(Text(a, mine), Text(b, theirs))
        << what << " of " << std::hexfloat << value << std::defaultfloat;
  };
  char* const end = mine + kCapacity;
  char* const their_end = theirs + kCapacity;
  same(numbers::portable::ToChars(mine, end, value), numbers::ToChars(theirs, their_end, value),
       "shortest");
  for (const Form form : {Form::kScientific, Form::kFixed, Form::kGeneral}) {
    same(numbers::portable::ToChars(mine, end, value, form),
         numbers::ToChars(theirs, their_end, value, form), "shortest in a form");
  }
  for (const int precision : {0, 2, 4, 6, 16}) {
    for (const Form form : {Form::kScientific, Form::kGeneral}) {
      same(numbers::portable::ToChars(mine, end, value, form, precision),
           numbers::ToChars(theirs, their_end, value, form, precision), "precision");
    }
  }
  if (std::fabs(value) < 1e300) {
    for (const int precision : {2, 4}) {
      same(numbers::portable::ToChars(mine, end, value, Form::kFixed, precision),
           numbers::ToChars(theirs, their_end, value, Form::kFixed, precision), "fixed");
    }
  }
}

template <typename Number>
void ExpectSameReading(const std::string& text) {
  Number mine = 2;
  Number theirs = 2;
  const char* const first = text.data();
  const char* const last = first + text.size();
  const std::from_chars_result a = numbers::portable::FromChars(first, last, &mine);
  const std::from_chars_result b = numbers::FromChars(first, last, &theirs);
  EXPECT_EQ(a.ec, b.ec) << text;
  EXPECT_EQ(a.ptr - first, b.ptr - first) << text;
  const bool same = (mine == theirs && std::signbit(mine) == std::signbit(theirs)) ||
                    (std::isnan(mine) && std::isnan(theirs));
  EXPECT_TRUE(same) << text << ": " << mine << " and " << theirs;
}

TEST(NumbersTest, PortableWritesAsTheStandardLibrary) {
  // A fixed seed, so that a failure can be repeated.
  std::mt19937_64 random(20240601);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  for (int i = 0; i < 40000; ++i) {
    ExpectSameText(AnyDouble(&random));
    ExpectSameText(ShortDouble(&random));
  }
  for (int power = -1074; power <= 1023; ++power) {
    ExpectSameText(std::ldexp(1.0, power));
    ExpectSameText(-std::ldexp(1.0, power));
  }
  for (const double value :
       {0.0, -0.0, std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::max(), 1e23,
        9007199254740993.0}) {
    ExpectSameText(value);
  }
}

TEST(NumbersTest, PortableReadsAsTheStandardLibrary) {
  std::mt19937_64 random(20240602);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  std::uniform_int_distribution<int> exponent(-340, 320);
  std::uniform_int_distribution<int> length(1, 25);
  std::uniform_int_distribution<int> digit(0, 9);
  for (int i = 0; i < 40000; ++i) {
    char text[kCapacity];
    const double value = AnyDouble(&random);
    std::string shortest = Text(numbers::ToChars(text, text + kCapacity, value), text);
    ExpectSameReading<double>(shortest);
    ExpectSameReading<float>(shortest);
    std::string digits = i % 2 == 0 ? "-" : "";
    for (int n = length(random); n > 0; --n) {
      digits += static_cast<char>('0' + digit(random));
      if (n == 3) {
        digits += '.';
      }
    }
    digits += "e" + std::to_string(exponent(random) / (i % 3 == 0 ? 8 : 1));
    ExpectSameReading<double>(digits);
    ExpectSameReading<float>(digits);
  }
  for (const char* text :
       {"",       "-",         ".",      "-.",    "e5",      "+1",           " 1",
        "1 ",     "0x10",      "-0X1p3", "0x",    "nan",     "-NaN(abc)",    "nan(",
        "inf",    "-Infinity", "infin",  "1e",    "1e+",     "1.e-2",        ".5",
        "1e-310", "1e-400",    "1e400",  "7e-46", "1.5e-45", "3.4028235e38", "3.4028236e38",
        "0.0000", "-0",        "0E5"}) {
    ExpectSameReading<double>(text);
    ExpectSameReading<float>(text);
  }
  // The reader's text of a long number: its 200 kept digits, a 1 standing
  // for dropped digits that are not all 0, and a power of ten as far as
  // 100000 either way. Halfway between the floats 1 and 1 + 2^-23 the last
  // digit decides, which a float read through a double would lose.
  const std::string halfway = "0.1000000059604644775390625";
  for (const std::string& text : {halfway + "e1", halfway + std::string(174, '0') + "1e1",
                                  std::string("-0.5e-100000"), std::string("0.5e100000")}) {
    ExpectSameReading<float>(text);
  }
}

#endif

}  // namespace
