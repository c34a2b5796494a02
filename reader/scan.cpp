#include "reader/scan.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>

#include "numbers/numbers.h"

namespace {

// Numbers in the data file are decimal.
constexpr int kRadix = 10;

// A number's digits beyond this many significant ones need not be kept: a
// value halfway between two floats has fewer significant digits than this,
// so the first ones and whether any later one is non-zero decide the
// correctly rounded float. A number of any length is read in this memory.
constexpr int kKeptDigits = 200;

// A power of ten beyond this size makes any number zero or infinite as a
// float, so larger powers need not be told apart.
constexpr long long kExponentLimit = 100000;

// An exponent's digits are counted up to this size and no further. It is far
// beyond any power that a number's own digits can offset (their count is
// bounded by the file's size), and small enough that adding the two cannot
// overflow.
constexpr long long kExponentCap = 100000000000000000LL;

// Room for "-0.", the kept digits, the digit that stands for the dropped
// ones, "e" and the power of ten.
constexpr int kTextSize = 3 + kKeptDigits + 1 + 1 + 20;

// The significant digits of a decimal number as they are read, held as
// 0.d1 d2 d3 ... times 10 to the power point.
struct Significand {
  char digits[kKeptDigits];
  int kept = 0;
  bool dropped_non_zero = false;
  long long point = 0;

  void Keep(int c) {
    if (kept < kKeptDigits) {
      digits[kept++] = static_cast<char>(c);
    } else if (c != '0') {
      dropped_non_zero = true;
    }
  }
  // Leading zeros of the integer part are not significant.
  void AddIntegerDigit(int c) {
    if (kept > 0 || c != '0') {
      Keep(c);
      ++point;
    }
  }
  // Zeros between the point and the first significant digit move the point.
  void AddFractionDigit(int c) {
    if (kept > 0 || c != '0') {
      Keep(c);
    } else {
      --point;
    }
  }
  // Convert the number times 10 to the power exponent to the nearest float,
  // as strtof does. Return false when it is beyond the float range; a number
  // closer to zero than half the smallest float is zero.
  bool ToFloat(bool negative, long long exponent, float* value, bool* underflow) const {
    const float zero = negative ? -0.0F : 0.0F;
    if (kept == 0) {
      *value = zero;
      return true;
    }
    // The text "-0.<kept digits>e<power>", where dropped digits that are not
    // all zero stand as one digit 1 after the kept ones, which rounds as they
    // do.
    char text[kTextSize];
    char* end = text;
    if (negative) {
      *end++ = '-';
    }
    *end++ = '0';
    *end++ = '.';
    for (int i = 0; i < kept; ++i) {
      *end++ = digits[i];
    }
    if (dropped_non_zero) {
      *end++ = '1';
    }
    *end++ = 'e';
    long long power = point + exponent;
    power = power > kExponentLimit ? kExponentLimit : power;
    power = power < -kExponentLimit ? -kExponentLimit : power;
    end = std::to_chars(end, text + kTextSize, power).ptr;
    const std::from_chars_result result = numbers::FromChars(text, end, value);
    if (result.ec == std::errc()) {
      *underflow = *value == 0.0F;
      return true;
    }
    // Out of range: too large when the number is 1 or more (power above 0),
    // otherwise too small.
    if (result.ec == std::errc::result_out_of_range && power <= 0) {
      *value = zero;
      *underflow = true;
      return true;
    }
    return false;
  }
};

// Read the optional sign and the digits of an exponent whose "e" has just
// been read, leaving in *c the first byte after them. Store its value,
// saturated at kExponentCap, and return false when it has no digits.
bool ReadExponent(Source* source, int* c, long long* exponent) {
  *c = Next(source);
  const bool negative = *c == '-';
  if (*c == '+' || *c == '-') {
    *c = Next(source);
  }
  bool has_digits = false;
  long long value = 0;
  for (; IsDigit(*c); *c = Next(source)) {
    has_digits = true;
    if (value < kExponentCap) {
      value = value * kRadix + (*c - '0');
    }
  }
  *exponent = negative ? -value : value;
  return has_digits;
}

}  // namespace

bool ReadLine(Source* source, char* buffer, int size) {
  int length = 0;
  while (length < size - 1) {
    int c = Next(source);
    if (c == EOF) {
      break;
    }
    // The file is read in binary mode on every system: a CR LF pair is one
    // line end, its CR neither counted nor kept.
    if (c == '\r') {
      const int next = Next(source);
      if (next == '\n') {
        c = '\n';
      } else {
        Back(source, next);
      }
    }
    buffer[length++] = static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  if (ReadFailed(*source) || length == 0) {
    return false;
  }
  buffer[length] = '\0';
  return true;
}

bool ReadInteger(Source* source, long long* value, bool* fits) {
  int c = SkipSpace(source);
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    c = Next(source);
  }
  if (!IsDigit(c)) {
    Back(source, c);
    return false;
  }
  // Accumulate towards the sign's own limit and stay there: a number beyond
  // 32 bits must never wrap into the accepted range.
  long long result = 0;
  bool saturated = false;
  for (; IsDigit(c); c = Next(source)) {
    const int digit = c - '0';
    if (negative) {
      saturated = saturated || result < (LLONG_MIN + digit) / kRadix;
      result = saturated ? LLONG_MIN : result * kRadix - digit;
    } else {
      saturated = saturated || result > (LLONG_MAX - digit) / kRadix;
      result = saturated ? LLONG_MAX : result * kRadix + digit;
    }
  }
  Back(source, c);
  *value = result;
  *fits = !saturated;
  return true;
}

namespace {

bool ReadValueFrom(Source* source, float* value, ValueText* text) {
  ValueText seen;
  Significand significand;
  int c = SkipSpace(source);
  seen.start = Previous(*source);
  const bool negative = c == '-';
  if (c == '+' || c == '-') {
    c = Next(source);
  }
  long long mantissa_digits = 0;
  for (; IsDigit(c); c = Next(source), ++mantissa_digits) {
    significand.AddIntegerDigit(c);
  }
  const bool lone_zero = mantissa_digits == 1 && significand.kept == 0 && c != '.';
  const bool has_point = c == '.';
  if (has_point) {
    for (c = Next(source); IsDigit(c); c = Next(source), ++mantissa_digits) {
      significand.AddFractionDigit(c);
    }
  }
  // An exponent can only extend a mantissa that has digits; once begun, it is
  // part of the run even when no digits follow ("1e", "1e+").
  long long exponent = 0;
  bool exponent_whole = true;
  if (mantissa_digits > 0 && (c == 'e' || c == 'E')) {
    exponent_whole = ReadExponent(source, &c, &exponent);
  }
  Back(source, c);
  seen.next = c;
  seen.comma_after_point = has_point && c == ',';
  bool underflow = false;
  if (mantissa_digits == 0) {
    seen.issue = ValueIssue::kNoNumber;
  } else if (!exponent_whole) {
    seen.issue = ValueIssue::kNoExponentDigits;
  } else if (lone_zero && (c == 'x' || c == 'X')) {
    // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
    // pass as a 0 followed by text.
    seen.issue = ValueIssue::kHexadecimal;
  } else if (!significand.ToFloat(negative, exponent, value, &underflow)) {
    // A number beyond the float range is no value of the data file.
    seen.issue = ValueIssue::kOutOfRange;
  } else if (underflow) {
    seen.issue = ValueIssue::kUnderflow;
  }
  if (text != nullptr) {
    *text = seen;
  }
  if (seen.issue != ValueIssue::kNone && seen.issue != ValueIssue::kUnderflow) {
    return false;
  }
  Back(source, SkipSpace(source));
  return true;
}

}  // namespace

bool ReadValue(Source* source, float* value, ValueText* text) {
  return ReadPlainValue(source, value, text) || ReadValueFrom(source, value, text);
}
