// The data file's item readers on in-memory files.
#include "reader/scan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "tests/file_with.h"

namespace {

Source SourceOf(std::FILE* file, size_t chunk = kChunkBytes) {
  Source source;
  source.chunk = chunk;
  BeginReading(&source, file);
  return source;
}

std::string Rest(Source* source) {
  std::string rest;
  for (int c = Next(source); c != EOF; c = Next(source)) {
    rest += static_cast<char>(c);
  }
  return rest;
}

TEST(ReadLine, StopsAfterLineFeedOrBufferAndFoldsCrLf) {
  char buffer[8];
  {
    File file = FileWith("abc\ndef");
    Source source = SourceOf(file.get());
    ASSERT_TRUE(ReadLine(&source, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abc\n");
    EXPECT_EQ(Rest(&source), "def");
  }
  {
    // The CR of a CR LF pair is neither counted nor kept; a lone CR is a byte.
    File file = FileWith("a\rb\r\nx");
    Source source = SourceOf(file.get());
    ASSERT_TRUE(ReadLine(&source, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "a\rb\n");
    EXPECT_EQ(Rest(&source), "x");
  }
  {
    // Six bytes and a CR LF fill the buffer of eight exactly.
    File file = FileWith("123456\r\n");
    Source source = SourceOf(file.get());
    ASSERT_TRUE(ReadLine(&source, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "123456\n");
  }
  {
    File file = FileWith("1234567\n");
    Source source = SourceOf(file.get());
    ASSERT_TRUE(ReadLine(&source, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_EQ(Rest(&source), "\n");
  }
  {
    File file = FileWith("ab\r");
    Source source = SourceOf(file.get());
    ASSERT_TRUE(ReadLine(&source, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ab\r");
  }
  {
    File file = FileWith("");
    Source source = SourceOf(file.get());
    EXPECT_FALSE(ReadLine(&source, buffer, sizeof buffer));
  }
}

TEST(ReadInteger, ReadsLikePercentDWithoutWrapping) {
  struct Case {
    std::string text;
    long long value;
    std::string rest;
    bool fits = true;
  };
  const Case cases[] = {
      {"3\n", 3, "\n"},
      {" \r\n\n +20 1", 20, " 1"},
      {"-7x", -7, "x"},
      {"007", 7, ""},
      {"4294967298", 4294967298LL, ""},
      {"-3000000000", -3000000000LL, ""},
      {"9223372036854775807", LLONG_MAX, ""},
      {"9223372036854775808", LLONG_MAX, "", false},
      {"99999999999999999999999 ", LLONG_MAX, " ", false},
      {"-9223372036854775808", LLONG_MIN, ""},
      {"-9223372036854775809", LLONG_MIN, "", false},
      {"-99999999999999999999999", LLONG_MIN, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    File file = FileWith(c.text);
    Source source = SourceOf(file.get());
    long long value = 0;
    bool fits = !c.fits;
    ASSERT_TRUE(ReadInteger(&source, &value, &fits));
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(fits, c.fits);
    EXPECT_EQ(Rest(&source), c.rest);
  }
  for (const std::string text : {"", "  \n", "x3", "-", "+ 3", "- 3", ".5"}) {
    SCOPED_TRACE(text);
    File file = FileWith(text);
    Source source = SourceOf(file.get());
    long long value = 0;
    bool fits = false;
    EXPECT_FALSE(ReadInteger(&source, &value, &fits));
  }
}

TEST(ReadValue, TakesTheLongestDecimalRunAndWhiteSpaceAfterIt) {
  struct Case {
    std::string text;
    float value;
    std::string rest;
  };
  const Case cases[] = {
      {"0.1", 0.1F, ""},       {"  1.5 \n\t 2", 1.5F, "2"},
      {"1.5-2", 1.5F, "-2"},   {"+.5", 0.5F, ""},
      {"-3.", -3.0F, ""},      {"2e3,", 2000.0F, ","},
      {"2.5E-1x", 0.25F, "x"}, {"1e-50", 0.0F, ""},
      {"1e-40", 1e-40F, ""},   {"3.4028234e38", 3.4028234e38F, ""},
      {"00x1", 0.0F, "x1"},    {"1.5abc 2", 1.5F, "abc 2"},
      {"-0", -0.0F, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    File file = FileWith(c.text);
    Source source = SourceOf(file.get());
    float value = -1.0F;
    ValueText seen;
    ASSERT_TRUE(ReadValue(&source, &value, &seen));
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    EXPECT_EQ(Rest(&source), c.rest);
  }
}

TEST(ReadValue, RejectsRunsThatAreNotWholeNumbersAndValuesThatAreNotFinite) {
  for (const std::string text :
       {"",     " \n ",  "-",      "+",     ".",     "-.",  ".e5", "1e",
        "1e+",  "2.5E-", "1ex",    "abc",   "nan",   "NaN", "inf", "-Infinity",
        "1e39", "-1e39", "3.5e38", "0x1p3", "-0X10", "\x01"}) {
    SCOPED_TRACE(text);
    File file = FileWith(text);
    Source source = SourceOf(file.get());
    float value = 0.0F;
    ValueText seen;
    EXPECT_FALSE(ReadValue(&source, &value, &seen));
  }
}

// Leading zeros move the point as far as an exponent does: the two must be
// added before either is cut to the range where a float is zero or infinite.
TEST(ReadValue, RoundsCorrectlyWhateverTheCountOfZerosAndExponentDigits) {
  std::mt19937 random(301);  // NOLINT(cert-msc32-c,cert-msc51-cpp): a failure must repeat
  for (int i = 0; i < 200; ++i) {
    const int zeros = std::uniform_int_distribution<int>(0, 300000)(random);
    const int shift = std::uniform_int_distribution<int>(-60, 60)(random);
    const bool leading = i % 2 == 0;  // zeros after the point, or before it
    std::string text = leading ? "0." + std::string(static_cast<size_t>(zeros), '0') + "15"
                               : "15" + std::string(static_cast<size_t>(zeros), '0');
    const long long exponent = leading ? zeros + shift : -zeros + shift;
    text += "e" + std::to_string(exponent);
    SCOPED_TRACE(text.substr(0, 20) + "..." + std::to_string(exponent));
    File file = FileWith(text);
    Source source = SourceOf(file.get());
    float value = -1.0F;
    // The number is 1.5 times a power of ten, which strtof reads from a short
    // text exactly on every system (msvcrt's does not read the long one).
    const std::string same = "1.5e" + std::to_string(leading ? shift - 1 : shift + 1);
    const float expected = std::strtof(same.c_str(), nullptr);
    ValueText seen;
    ASSERT_EQ(ReadValue(&source, &value, &seen), std::isfinite(expected));
    if (std::isfinite(expected)) {
      EXPECT_EQ(value, expected);
    }
  }
  // A number of a million digits, and a tie between two floats (1 + 2^-24)
  // that only a digit far beyond it breaks.
  const std::pair<std::string, float> long_ones[] = {
      {"0." + std::string(999999, '0') + "1e1000000", 1.0F},
      {"1.000000059604644775390625" + std::string(300, '0') + "1", std::nextafter(1.0F, 2.0F)}};
  for (const auto& [text, expected] : long_ones) {
    File file = FileWith(text);
    Source source = SourceOf(file.get());
    float value = 0.0F;
    ValueText seen;
    ASSERT_TRUE(ReadValue(&source, &value, &seen));
    EXPECT_EQ(value, expected);
  }
}

// A file is read ahead in chunks, and a value that stands whole in one is
// read at once; read one byte at a time (a chunk of 1), every value is read
// digit by digit. Both must give the same values, places and ends.
TEST(ReadValue, ReadsTheSameWhateverTheChunk) {
  using namespace std::string_literals;
  const std::string text = "t\n 0.5 1\t-2.25e1\r\n\n+.75 1e-50 1e-40 007 0.00000\x0c-0 3.\n1."s +
                           std::string(70, '0') + "1 2.5.5 1e+ 4,5 4.5,5 0x1 0X1 9\0 8\0 \n 1.5\n"s;
  auto trace = [&text](size_t chunk) {
    File file = FileWith(text);
    Source source = SourceOf(file.get(), chunk);
    char line[8];
    std::string seen = ReadLine(&source, line, sizeof line) ? line : "no line";
    for (int i = 0; i < 40; ++i) {
      float value = 0.0F;
      ValueText read;
      const bool ok = ReadValue(&source, &value, &read);
      const Place here = Here(source);
      seen += (ok ? "read " : "failed ") + std::to_string(value) +
              (std::signbit(value) ? "-" : "+") + " at " + std::to_string(read.start.line) + ":" +
              std::to_string(read.start.column) + "@" + std::to_string(read.start.offset) + "/" +
              std::to_string(read.start.line_offset) + " issue " +
              std::to_string(static_cast<int>(read.issue)) + " next " + std::to_string(read.next) +
              (read.comma_after_point ? " point," : "") + " then " + std::to_string(here.line) +
              ":" + std::to_string(here.column) + " nul " +
              std::to_string(static_cast<int>(source.read_nul)) + "\n";
      if (!ok) {
        Back(&source, Next(&source));
        seen += "skip " + std::to_string(Next(&source)) + "\n";
      }
    }
    return seen + Rest(&source);
  };
  const std::string byte_by_byte = trace(1);
  for (const size_t chunk : {2, 3, 5, 8, 13, 64}) {
    SCOPED_TRACE(chunk);
    EXPECT_EQ(trace(chunk), byte_by_byte);
  }
  EXPECT_EQ(trace(kChunkBytes), byte_by_byte);
}

}  // namespace
