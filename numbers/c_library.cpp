// The conversions over the C library's snprintf, strtod and strtof, giving
// the text and values of std::to_chars and std::from_chars. The digits always
// come from printf, the values from strtod and strtof; this file only lays
// out the digits and exponent that printf wrote, in the notation
// std::to_chars chooses.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "numbers/numbers.h"

namespace numbers::c_library {
namespace {

// The most significant digits a double needs to read back to itself.
constexpr int kMostDigits = 17;

// Room for "%.*e" of a double with kMostDigits digits, for "%.0f" of the
// largest double (309 digits), and for a short text being read.
constexpr int kTextSize = 320;

// Exponents of 100 and more have three digits.
constexpr int kHundred = 100;
constexpr int kTen = 10;

// std::to_chars's general form without a precision writes in fixed notation
// when the decimal exponent X has kGeneralLowest <= X < kGeneralLimit.
constexpr int kGeneralLowest = -4;
constexpr int kGeneralLimit = 6;

// Text written into [next, last) a byte at a time; what does not fit makes
// the result value_too_large.
class Writer {
 public:
  Writer(char* first, char* last) : next_(first), last_(last) {}

  void Add(char c) {
    if (next_ == last_) {
      fits_ = false;
    } else {
      *next_++ = c;
    }
  }

  void Add(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
      Add(text[i]);
    }
  }

  std::to_chars_result Result() const {
    if (!fits_) {
      return {last_, std::errc::value_too_large};
    }
    return {next_, std::errc()};
  }

 private:
  char* next_;
  char* last_;
  bool fits_ = true;
};

// The shortest decimal of a finite magnitude: digits d1 d2 ... dn without
// trailing zeros (one "0" for zero), standing for d1.d2...dn times ten to
// the exponent.
struct Decimal {
  char digits[kMostDigits + 1] = {};
  int count = 0;
  int exponent = 0;
};

// Take the digits and exponent of printf's "%.*e" text of a magnitude, all
// digits kept.
void Split(const char* text, Decimal* decimal) {
  decimal->count = 0;
  const char* c = text;
  for (; *c != 'e'; ++c) {
    if (*c != '.') {
      decimal->digits[decimal->count++] = *c;
    }
  }
  decimal->exponent = static_cast<int>(std::strtol(c + 1, nullptr, kTen));
}

void DropTrailingZeros(Decimal* decimal) {
  while (decimal->count > 1 && decimal->digits[decimal->count - 1] == '0') {
    --decimal->count;
  }
}

// Write decimal as "d.ddde<exponent>", NUL-terminated, for strtod.
void Compose(const Decimal& decimal, char text[kTextSize]) {
  std::string digits(decimal.digits, static_cast<std::size_t>(decimal.count));
  digits.insert(1, ".");
  (void)std::snprintf(text, kTextSize, "%se%d", digits.c_str(), decimal.exponent);
}

// Add one in the last place of decimal's digits.
void Increment(Decimal* decimal) {
  int i = decimal->count - 1;
  for (; i >= 0 && decimal->digits[i] == '9'; --i) {
    decimal->digits[i] = '0';
  }
  if (i >= 0) {
    ++decimal->digits[i];
  } else {
    decimal->digits[0] = '1';
    ++decimal->exponent;
  }
}

bool ReadsBack(const char* text, double magnitude) {
  return std::strtod(text, nullptr) == magnitude;
}

// The fewest digits that read back to magnitude, and of those the nearest
// to it: printf's correctly rounded digits with 1, 2, ... 17 digits, the
// first that read back. Below a power of two the doubles stand twice as
// close as above it, so the nearest digits may fall below the values that
// read back while the next digits up read back; those are tried too.
Decimal Shortest(double magnitude) {
  char text[kTextSize];
  Decimal decimal;
  int power = 0;
  const bool power_of_two = std::frexp(magnitude, &power) == 0.5;
  for (int precision = 0;; ++precision) {
    (void)std::snprintf(text, sizeof text, "%.*e", precision, magnitude);
    Split(text, &decimal);
    if (ReadsBack(text, magnitude) || decimal.count >= kMostDigits) {
      break;
    }
    if (power_of_two) {
      Increment(&decimal);
      Compose(decimal, text);
      if (ReadsBack(text, magnitude)) {
        break;
      }
    }
  }
  DropTrailingZeros(&decimal);
  return decimal;
}

void AddExponent(Writer* out, int exponent) {
  out->Add('e');
  out->Add(exponent < 0 ? '-' : '+');
  const int magnitude = std::abs(exponent);
  if (magnitude >= kHundred) {
    out->Add(static_cast<char>('0' + magnitude / kHundred));
  }
  out->Add(static_cast<char>('0' + magnitude / kTen % kTen));
  out->Add(static_cast<char>('0' + magnitude % kTen));
}

void AddScientific(Writer* out, const Decimal& decimal) {
  out->Add(decimal.digits[0]);
  if (decimal.count > 1) {
    out->Add('.');
    out->Add(decimal.digits + 1, static_cast<std::size_t>(decimal.count - 1));
  }
  AddExponent(out, decimal.exponent);
}

// Fixed notation of the shortest digits; a whole number with fewer digits
// than its length is written with all its digits, as printf's "%.0f" does.
void AddFixed(Writer* out, const Decimal& decimal, double magnitude) {
  const int count = decimal.count;
  const int exponent = decimal.exponent;
  if (exponent >= count) {
    char text[kTextSize];
    const int length = std::snprintf(text, sizeof text, "%.0f", magnitude);
    out->Add(text, static_cast<std::size_t>(length));
  } else if (exponent >= 0) {
    out->Add(decimal.digits, static_cast<std::size_t>(exponent) + 1);
    if (count > exponent + 1) {
      out->Add('.');
      out->Add(decimal.digits + exponent + 1, static_cast<std::size_t>(count - exponent - 1));
    }
  } else {
    out->Add("0.", 2);
    for (int zeros = -exponent - 1; zeros > 0; --zeros) {
      out->Add('0');
    }
    out->Add(decimal.digits, static_cast<std::size_t>(count));
  }
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

// "inf", "-inf", "nan" or "-nan", as std::to_chars writes them.
std::to_chars_result NonFinite(char* first, char* last, double value) {
  Writer out(first, last);
  if (std::signbit(value)) {
    out.Add('-');
  }
  out.Add(std::isinf(value) ? "inf" : "nan", 3);
  return out.Result();
}

enum class Choice { kShortest, kScientific, kFixed, kGeneral };

std::to_chars_result WriteShortest(char* first, char* last, double value, Choice choice) {
  if (!std::isfinite(value)) {
    return NonFinite(first, last, value);
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
  Writer out(first, last);
  if (std::signbit(value)) {
    out.Add('-');
  }
  if (fixed) {
    AddFixed(&out, decimal, magnitude);
  } else {
    AddScientific(&out, decimal);
  }
  return out.Result();
}

// printf's text of value with a precision, "%.*e", "%.*f" or "%.*g".
std::to_chars_result Print(char* first, char* last, const char* format, int precision,
                           double value) {
  const int length = std::snprintf(nullptr, 0, format, precision, value);
  if (length < 0 || length > last - first) {
    return {last, std::errc::value_too_large};
  }
  const auto size = static_cast<std::size_t>(length);
  if (length < last - first) {
    (void)std::snprintf(first, size + 1, format, precision, value);
  } else {
    std::string text(size + 1, '\0');
    (void)std::snprintf(text.data(), size + 1, format, precision, value);
    std::memcpy(first, text.data(), size);
  }
  return {first + length, std::errc()};
}

bool IsNumberStart(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'i' || c == 'I' || c == 'n' || c == 'N';
}

double Convert(const char* text, char** end, double* /*type*/) { return std::strtod(text, end); }
float Convert(const char* text, char** end, float* /*type*/) { return std::strtof(text, end); }

// Read with strtod or strtof what std::from_chars reads. strtod would also
// take leading blanks and a plus sign, which std::from_chars takes for no
// number, and hexadecimal after "0x", where std::from_chars reads the 0.
template <typename Number>
std::from_chars_result Read(const char* first, const char* last, Number* value) {
  const char* start = first;
  if (start != last && *start == '-') {
    ++start;
  }
  if (start == last || !IsNumberStart(*start)) {
    return {first, std::errc::invalid_argument};
  }
  auto length = static_cast<std::size_t>(last - first);
  if (*start == '0' && last - start > 1 && (start[1] == 'x' || start[1] == 'X')) {
    length = static_cast<std::size_t>(start + 1 - first);
  }
  char short_text[kTextSize];
  std::string long_text;
  char* text = short_text;
  if (length >= sizeof short_text) {
    long_text.resize(length + 1);
    text = long_text.data();
  }
  std::memcpy(text, first, length);
  text[length] = '\0';
  char* end = nullptr;
  const int saved_errno = errno;
  errno = 0;
  const Number result = Convert(text, &end, value);
  const bool out_of_range = errno == ERANGE && (result == 0 || std::isinf(result));
  errno = saved_errno;
  if (end == text) {
    return {first, std::errc::invalid_argument};
  }
  const char* const ptr = first + (end - text);
  if (out_of_range) {
    return {ptr, std::errc::result_out_of_range};
  }
  *value = result;
  return {ptr, std::errc()};
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
  if (!std::isfinite(value)) {
    return NonFinite(first, last, value);
  }
  switch (form) {
    case Form::kScientific:
      return Print(first, last, "%.*e", precision, value);
    case Form::kFixed:
      return Print(first, last, "%.*f", precision, value);
    case Form::kGeneral:
      break;
  }
  return Print(first, last, "%.*g", precision, value);
}

std::from_chars_result FromChars(const char* first, const char* last, double* value) {
  return Read(first, last, value);
}

std::from_chars_result FromChars(const char* first, const char* last, float* value) {
  return Read(first, last, value);
}

}  // namespace numbers::c_library
