// The conversions over fast_float and {fmt}, giving the values and text of
// std::from_chars and std::to_chars where the C++ library lacks them for
// floating point. The values come from fast_float, the digits from {fmt}: its
// correctly rounded digits for a precision, and for the shortest text the
// digits and exponent of Dragonbox, the algorithm of {fmt}'s own shortest
// output, which this file only places in the notation std::to_chars chooses.
#include <fast_float/fast_float.h>
#include <fmt/compile.h>
#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "numbers/numbers.h"

namespace numbers::portable {
namespace {

// Room for any text written here: a sign and "%.0f" of the largest double
// (309 digits), or the shortest digits (at most 17) with a point, an
// exponent and leading zeros.
constexpr int kTextSize = 330;

// Exponents of 100 and more have three digits.
constexpr int kHundred = 100;

// std::to_chars's general form without a precision writes in fixed notation
// when the decimal exponent X has kGeneralLowest <= X < kGeneralLimit.
constexpr int kGeneralLowest = -4;
constexpr int kGeneralLimit = 6;

// The shortest decimal of a finite magnitude: digits d1 d2 ... dn without
// trailing zeros ("0" for zero), standing for d1.d2...dn times ten to the
// exponent.
struct Decimal {
  char digits[std::numeric_limits<std::uint64_t>::digits10 + 1] = {'0'};
  int count = 1;
  int exponent = 0;
};

Decimal Shortest(double magnitude) {
  Decimal decimal;
  if (magnitude != 0.0) {
    const auto dragonbox = fmt::detail::dragonbox::to_decimal(magnitude);
    const char* const end =
        std::to_chars(decimal.digits, decimal.digits + sizeof decimal.digits, dragonbox.significand)
            .ptr;
    decimal.count = static_cast<int>(end - decimal.digits);
    decimal.exponent = dragonbox.exponent + decimal.count - 1;
  }
  return decimal;
}

// The lengths of decimal in scientific and in fixed notation, without sign.
int ScientificLength(const Decimal& decimal) {
  const int exponent = std::abs(decimal.exponent);
  return decimal.count + (decimal.count > 1 ? 1 : 0) + 2 + (exponent >= kHundred ? 3 : 2);
}

int FixedLength(const Decimal& decimal) {
  if (decimal.exponent < 0) {
    return decimal.count + 1 - decimal.exponent;
  }
  const int whole = decimal.exponent + 1;
  return decimal.count > whole ? decimal.count + 1 : whole;
}

char* AddDigits(char* out, const char* digits, int count) {
  std::memcpy(out, digits, static_cast<std::size_t>(count));
  return out + count;
}

// "d.ddde+XX": at least two digits of exponent, as printf writes it.
char* AddScientific(char* out, const Decimal& decimal) {
  *out++ = decimal.digits[0];
  if (decimal.count > 1) {
    *out++ = '.';
    out = AddDigits(out, decimal.digits + 1, decimal.count - 1);
  }
  return fmt::format_to(out, FMT_COMPILE("e{:+03}"), decimal.exponent);
}

// Fixed notation of the shortest digits; a whole number with fewer digits
// than its length is written with all its digits, as printf's "%.0f" does.
char* AddFixed(char* out, const Decimal& decimal, double magnitude) {
  const int count = decimal.count;
  const int exponent = decimal.exponent;
  if (exponent >= count) {
    return fmt::format_to(out, FMT_COMPILE("{:.0f}"), magnitude);
  }
  if (exponent >= 0) {
    out = AddDigits(out, decimal.digits, exponent + 1);
    if (count > exponent + 1) {
      *out++ = '.';
      out = AddDigits(out, decimal.digits + exponent + 1, count - exponent - 1);
    }
    return out;
  }
  *out++ = '0';
  *out++ = '.';
  for (int zeros = -exponent - 1; zeros > 0; --zeros) {
    *out++ = '0';
  }
  return AddDigits(out, decimal.digits, count);
}

// Copy text into [first, last), or say that it does not fit.
std::to_chars_result Copy(const char* text, const char* end, char* first, char* last) {
  const std::ptrdiff_t length = end - text;
  if (length > last - first) {
    return {last, std::errc::value_too_large};
  }
  std::memcpy(first, text, static_cast<std::size_t>(length));
  return {first + length, std::errc()};
}

enum class Choice { kShortest, kScientific, kFixed, kGeneral };

std::to_chars_result WriteShortest(char* first, char* last, double value, Choice choice) {
  char text[kTextSize];
  char* end = text;
  if (!std::isfinite(value)) {
    // "inf", "-inf", "nan" or "-nan".
    end = fmt::format_to(end, FMT_COMPILE("{}"), value);
    return Copy(text, end, first, last);
  }
  const double magnitude = std::fabs(value);
  const Decimal decimal = Shortest(magnitude);
  bool fixed = false;
  switch (choice) {
    case Choice::kShortest:
      fixed = FixedLength(decimal) <= ScientificLength(decimal);
      break;
    case Choice::kFixed:
      fixed = true;
      break;
    case Choice::kGeneral:
      fixed = decimal.exponent >= kGeneralLowest && decimal.exponent < kGeneralLimit;
      break;
    case Choice::kScientific:
      break;
  }
  if (std::signbit(value)) {
    *end++ = '-';
  }
  end = fixed ? AddFixed(end, decimal, magnitude) : AddScientific(end, decimal);
  return Copy(text, end, first, last);
}

// {fmt}'s text of value with a precision, as printf's "%.*e", "%.*f" or
// "%.*g" writes it.
template <typename Format>
std::to_chars_result Print(char* first, char* last, const Format& format, double value,
                           int precision) {
  const auto capacity = static_cast<std::size_t>(last - first);
  const auto result = fmt::format_to_n(first, capacity, format, value, precision);
  if (result.size > capacity) {
    return {last, std::errc::value_too_large};
  }
  return {result.out, std::errc()};
}

// Return true when the digits of a number's text [digits, end) before its
// exponent are not all 0.
bool HasNonZeroDigit(const char* digits, const char* end) {
  for (; digits < end && *digits != 'e' && *digits != 'E'; ++digits) {
    if (*digits >= '1' && *digits <= '9') {
      return true;
    }
  }
  return false;
}

// fast_float reads what std::from_chars reads, to the bit, but rounds text
// beyond the range of the type to an infinity or to zero, which
// std::from_chars reports as out of range, keeping *value.
template <typename Number>
std::from_chars_result Read(const char* first, const char* last, Number* value) {
  Number read = 0;
  const fast_float::from_chars_result result = fast_float::from_chars(first, last, read);
  if (result.ec != std::errc()) {
    return {result.ptr, result.ec};
  }
  const char* const digits = *first == '-' ? first + 1 : first;
  const bool too_large = std::isinf(read) && *digits != 'i' && *digits != 'I';
  const bool too_small = read == 0 && HasNonZeroDigit(digits, result.ptr);
  if (too_large || too_small) {
    return {result.ptr, std::errc::result_out_of_range};
  }
  *value = read;
  return {result.ptr, std::errc()};
}

}  // namespace

std::to_chars_result ToChars(char* first, char* last, double value) {
  return WriteShortest(first, last, value, Choice::kShortest);
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form) {
  switch (form) {
    case Form::kScientific:
      return WriteShortest(first, last, value, Choice::kScientific);
    case Form::kFixed:
      return WriteShortest(first, last, value, Choice::kFixed);
    case Form::kGeneral:
      break;
  }
  return WriteShortest(first, last, value, Choice::kGeneral);
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form, int precision) {
  switch (form) {
    case Form::kScientific:
      return Print(first, last, FMT_COMPILE("{:.{}e}"), value, precision);
    case Form::kFixed:
      return Print(first, last, FMT_COMPILE("{:.{}f}"), value, precision);
    case Form::kGeneral:
      break;
  }
  return Print(first, last, FMT_COMPILE("{:.{}g}"), value, precision);
}

std::from_chars_result FromChars(const char* first, const char* last, double* value) {
  return Read(first, last, value);
}

std::from_chars_result FromChars(const char* first, const char* last, float* value) {
  return Read(first, last, value);
}

}  // namespace numbers::portable
