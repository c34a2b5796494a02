#include "reader/scan.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>

#include "numbers/numbers.h"

namespace {

// Numbers in the data file are decimal.
constexpr int kRadix = 10;

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

// Convert the number times 10 to the power exponent to the nearest float,
// as strtof does. Return false when it is beyond the float range; a number
// closer to zero than half the smallest float is zero.
bool ToFloat(const Significand& significand, bool negative, long long exponent, float* value,
             bool* underflow) {
  const float zero = negative ? -0.0F : 0.0F;
  if (significand.kept == 0) {
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
  for (int i = 0; i < significand.kept; ++i) {
    *end++ = significand.digits[i];
  }
  if (significand.dropped_non_zero) {
    *end++ = '1';
  }
  *end++ = 'e';
  long long power = significand.point + exponent;
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

// Convert text, the bytes of a number whose significand is significand, to
// the nearest float as ToFloat does, and return true; return false, with
// value unchanged, for a number that ToFloat must convert: one not read at
// once (text empty), beyond the float range, or one that becomes zero
// without being zero.
bool FromText(std::string_view text, const Significand& significand, float* value) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  float read = 0.0F;
  const char* const end = text.data() + text.size();
  const std::from_chars_result result = numbers::FromChars(text.data(), end, &read);
  if (text.empty() || result.ec != std::errc() || result.ptr != end ||
      (read == 0.0F && significand.kept > 0)) {
    return false;
  }
  *value = read;
  return true;
}

// Take the digits at the front of *in into number: integer digits (leading
// zeros are not significant), fraction digits (zeros before the first
// significant one move the point) or exponent digits.
void TakeDigits(std::string_view* in, Number* number) {
  const char* at = in->data();
  const char* const end = at + in->size();
  if (number->part == Number::Part::kExponent) {
    for (; at < end && IsDigit(*at); ++at) {
      number->has_exponent_digits = true;
      if (number->exponent < kExponentCap) {
        number->exponent = number->exponent * kRadix + (*at - '0');
      }
    }
  } else {
    Significand* significand = &number->significand;
    const bool integer = number->part == Number::Part::kInteger;
    const char* const first = at;
    for (; significand->kept == 0 && at < end && *at == '0'; ++at) {
      significand->point -= integer ? 0 : 1;
    }
    for (; at < end && IsDigit(*at); ++at) {
      if (significand->kept < kKeptDigits) {
        significand->digits[significand->kept++] = *at;
      } else if (*at != '0') {
        significand->dropped_non_zero = true;
      }
      significand->point += integer ? 1 : 0;
    }
    number->mantissa_digits += at - first;
  }
  in->remove_prefix(static_cast<size_t>(at - in->data()));
}

}  // namespace

bool ConsumeNumber(std::string_view* in, Number* number) {
  using Part = Number::Part;
  while (!in->empty()) {
    const char c = in->front();
    switch (number->part) {
      case Part::kSign:
      case Part::kExponentSign:
        if (c == '+' || c == '-') {
          (number->part == Part::kSign ? number->negative : number->exponent_negative) = c == '-';
          in->remove_prefix(1);
        }
        number->part = number->part == Part::kSign ? Part::kInteger : Part::kExponent;
        break;
      case Part::kInteger:
      case Part::kFraction:
      case Part::kExponent:
        TakeDigits(in, number);
        if (in->empty()) {
          return false;
        }
        if (number->part == Part::kInteger && in->front() == '.' && !number->whole) {
          number->has_point = true;
          number->part = Part::kFraction;
          in->remove_prefix(1);
        } else {
          number->part = number->part == Part::kExponent || number->whole ? Part::kEnd
                                                                          : Part::kExponentMark;
        }
        break;
      case Part::kExponentMark:
        // An exponent can only extend a mantissa that has digits; once
        // begun, it is part of the run even when no digits follow ("1e").
        if (number->mantissa_digits > 0 && (c == 'e' || c == 'E')) {
          number->has_exponent = true;
          number->part = Part::kExponentSign;
          in->remove_prefix(1);
        } else {
          number->part = Part::kEnd;
        }
        break;
      case Part::kEnd:
        return true;
    }
  }
  return number->part == Part::kEnd;
}

bool ToWhole(const Number& number, long long* value) {
  // Accumulate towards the sign's own limit and stay there: a number beyond
  // 32 bits must never wrap into the accepted range.
  const Significand& significand = number.significand;
  long long result = 0;
  bool saturated = false;
  for (long long i = 0; i < significand.point && !saturated; ++i) {
    const int digit = i < significand.kept ? significand.digits[i] - '0' : 0;
    if (number.negative) {
      saturated = result < (LLONG_MIN + digit) / kRadix;
      result = saturated ? LLONG_MIN : result * kRadix - digit;
    } else {
      saturated = result > (LLONG_MAX - digit) / kRadix;
      result = saturated ? LLONG_MAX : result * kRadix + digit;
    }
  }
  *value = result;
  return !saturated;
}

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

namespace {

// Read a number from source into number: white space skipped, then the
// longest run that is or begins one, the source left before the byte after
// it, which is returned (EOF at the end). Where it began is held on to while
// it is read. Set text to the number's bytes when they were read at once,
// and to the empty view otherwise.
int ReadNumber(Source* source, Number* number, Place* start, std::string_view* text) {
  SkipSpace(source);
  *start = Here(*source);
  source->item = start->offset;
  *text = {};
  for (bool first = true;; first = false) {
    const std::string_view unread = Unread(*source);
    std::string_view in = unread;
    const bool ended = ConsumeNumber(&in, number);
    Skip(source, unread.size() - in.size());
    if (ended && first) {
      *text = unread.substr(0, unread.size() - in.size());
    }
    if (ended) {
      // A NUL byte is counted as it is read.
      const auto next = static_cast<unsigned char>(in.front());
      if (next == '\0') {
        Back(source, Next(source));
      }
      return next;
    }
    if (!Fill(source)) {
      return EOF;
    }
  }
}

}  // namespace

bool ReadInteger(Source* source, long long* value, bool* fits) {
  Number number;
  number.whole = true;
  Place start;
  std::string_view text;
  ReadNumber(source, &number, &start, &text);
  if (number.mantissa_digits == 0) {
    return false;
  }
  *fits = ToWhole(number, value);
  return true;
}

bool ReadValue(Source* source, float* value, ValueText* text) {
  ValueText seen;
  Number number;
  std::string_view bytes;
  const int c = ReadNumber(source, &number, &seen.start, &bytes);
  seen.next = c;
  seen.comma_after_point = number.has_point && c == ',';
  const Significand& significand = number.significand;
  const bool lone_zero =
      number.mantissa_digits == 1 && significand.kept == 0 && !number.has_point;
  bool underflow = false;
  const long long exponent = number.exponent_negative ? -number.exponent : number.exponent;
  if (number.mantissa_digits == 0) {
    seen.issue = ValueIssue::kNoNumber;
  } else if (number.has_exponent && !number.has_exponent_digits) {
    seen.issue = ValueIssue::kNoExponentDigits;
  } else if (lone_zero && (c == 'x' || c == 'X')) {
    // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
    // pass as a 0 followed by text.
    seen.issue = ValueIssue::kHexadecimal;
  } else if (!FromText(bytes, significand, value) &&
             !ToFloat(significand, number.negative, exponent, value, &underflow)) {
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
  SkipSpace(source);
  return true;
}
