// The data file's item readers on in-memory files.
#include "app/scan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileClose {
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// An open file holding text, NUL bytes included.
File FileWith(const std::string& text) {
  File file(std::tmpfile());
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    ADD_FAILURE() << "cannot write a temporary file";
  }
  std::rewind(file.get());
  return file;
}

std::string Rest(std::FILE* file) {
  std::string rest;
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    rest += static_cast<char>(c);
  }
  return rest;
}

TEST(ReadLine, StopsAfterLineFeedOrBufferAndFoldsCrLf) {
  char buffer[8];
  {
    File file = FileWith("abc\ndef");
    ASSERT_TRUE(ReadLine(file.get(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abc\n");
    EXPECT_EQ(Rest(file.get()), "def");
  }
  {
    // The CR of a CR LF pair is neither counted nor kept; a lone CR is a byte.
    File file = FileWith("a\rb\r\nx");
    ASSERT_TRUE(ReadLine(file.get(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "a\rb\n");
    EXPECT_EQ(Rest(file.get()), "x");
  }
  {
    // Six bytes and a CR LF fill the buffer of eight exactly.
    File file = FileWith("123456\r\n");
    ASSERT_TRUE(ReadLine(file.get(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "123456\n");
  }
  {
    File file = FileWith("1234567\n");
    ASSERT_TRUE(ReadLine(file.get(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "1234567");
    EXPECT_EQ(Rest(file.get()), "\n");
  }
  {
    File file = FileWith("ab\r");
    ASSERT_TRUE(ReadLine(file.get(), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ab\r");
  }
  {
    File file = FileWith("");
    EXPECT_FALSE(ReadLine(file.get(), buffer, sizeof buffer));
  }
}

TEST(ReadInteger, ReadsLikePercentDWithoutWrapping) {
  struct Case {
    std::string text;
    long long value;
    std::string rest;
  };
  const Case cases[] = {
      {"3\n", 3, "\n"},
      {" \r\n\n +20 1", 20, " 1"},
      {"-7x", -7, "x"},
      {"007", 7, ""},
      {"4294967298", 4294967298LL, ""},
      {"-3000000000", -3000000000LL, ""},
      {"9223372036854775807", LLONG_MAX, ""},
      {"99999999999999999999999 ", LLONG_MAX, " "},
      {"-9223372036854775808", LLONG_MIN, ""},
      {"-99999999999999999999999", LLONG_MIN, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    File file = FileWith(c.text);
    long long value = 0;
    ASSERT_TRUE(ReadInteger(file.get(), &value));
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(Rest(file.get()), c.rest);
  }
  for (const std::string text : {"", "  \n", "x3", "-", "+ 3", "- 3", ".5"}) {
    SCOPED_TRACE(text);
    File file = FileWith(text);
    long long value = 0;
    EXPECT_FALSE(ReadInteger(file.get(), &value));
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
    float value = -1.0F;
    ASSERT_TRUE(ReadValue(file.get(), &value));
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(std::signbit(value), std::signbit(c.value));
    EXPECT_EQ(Rest(file.get()), c.rest);
  }
}

TEST(ReadValue, RejectsRunsThatAreNotWholeNumbersAndValuesThatAreNotFinite) {
  for (const std::string text :
       {"",     " \n ",  "-",      "+",     ".",     "-.",  ".e5", "1e",
        "1e+",  "2.5E-", "1ex",    "abc",   "nan",   "NaN", "inf", "-Infinity",
        "1e39", "-1e39", "3.5e38", "0x1p3", "-0X10", "\x01"}) {
    SCOPED_TRACE(text);
    File file = FileWith(text);
    float value = 0.0F;
    EXPECT_FALSE(ReadValue(file.get(), &value));
  }
}

}  // namespace
