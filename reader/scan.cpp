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

// Convert number, its digits kept, to the nearest float, as strtof does.
// Return false when it is beyond the float range; a number closer to zero
// than half the smallest float is zero.
bool ToFloat(const Number& number, float* value, bool* underflow) {
  const Significand& significand = number.significand;
  const bool negative = number.negative;
  const long long exponent = number.exponent_negative ? -number.exponent : number.exponent;
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

// Take the sign at the front of *in, if there is one, into *negative.
void TakeSign(std::string_view* in, bool* negative) {
  if (in->front() == '+' || in->front() == '-') {
    *negative = in->front() == '-';
    in->remove_prefix(1);
  }
}

// Take the digits at the front of *in into number: integer digits (leading
// zeros are not significant), fraction digits (zeros before the first
// significant one move the point) or exponent digits.
// Inlined in each part of ConsumeNumber: a number is mostly its digits.
[[gnu::always_inline]] inline void TakeDigits(std::string_view* in, Number* number) {
  size_t count = 0;
  while (count < in->size() && IsDigit((*in)[count])) {
    ++count;
  }
  const char* digit = in->data();
  in->remove_prefix(count);
  if (number->part == Number::Part::kExponent) {
    number->has_exponent_digits = number->has_exponent_digits || count > 0;
    for (; count > 0 && number->exponent < kExponentCap; --count) {
      number->exponent = number->exponent * kRadix + (*digit++ - '0');
    }
    return;
  }
  number->mantissa_digits += static_cast<long long>(count);
  Significand* significand = &number->significand;
  const bool integer = number->part == Number::Part::kInteger;
  for (; significand->kept == 0 && count > 0 && *digit == '0'; --count, ++digit) {
    significand->point -= integer ? 0 : 1;
  }
  significand->point += integer ? static_cast<long long>(count) : 0;
  for (; count > 0 && significand->kept < kKeptDigits; --count) {
    significand->digits[significand->kept++] = *digit++;
  }
  for (; count > 0; --count) {
    significand->dropped_non_zero = significand->dropped_non_zero || *digit++ != '0';
  }
}

}  // namespace

bool ConsumeNumber(std::string_view* in, Number* number) {
  using Part = Number::Part;
  // Each part goes on from where the bytes before ran out.
  switch (number->part) {
    case Part::kSign:
      if (in->empty()) {
        return false;
      }
      TakeSign(in, &number->negative);
      number->part = Part::kInteger;
      [[fallthrough]];
    case Part::kInteger:
      TakeDigits(in, number);
      if (in->empty()) {
        return false;
      }
      if (number->whole) {
        number->part = Part::kEnd;
        return true;
      }
      if (in->front() == '.') {
        number->has_point = true;
        in->remove_prefix(1);
      }
      number->part = Part::kFraction;
      [[fallthrough]];
    case Part::kFraction:
      TakeDigits(in, number);
      if (in->empty()) {
        return false;
      }
      // An exponent can only extend a mantissa that has digits; once begun,
      // it is part of the run even when no digits follow ("1e").
      if (number->mantissa_digits == 0 || (in->front() != 'e' && in->front() != 'E')) {
        number->part = Part::kEnd;
        return true;
      }
      number->has_exponent = true;
      in->remove_prefix(1);
      number->part = Part::kExponentSign;
      [[fallthrough]];
    case Part::kExponentSign:
      if (in->empty()) {
        return false;
      }
      TakeSign(in, &number->exponent_negative);
      number->part = Part::kExponent;
      [[fallthrough]];
    case Part::kExponent:
      TakeDigits(in, number);
      if (in->empty()) {
        return false;
      }
      number->part = Part::kEnd;
      [[fallthrough]];
    case Part::kEnd:
      break;
  }
  return true;
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
  const std::string_view unread = Unread(*source);
  std::string_view in = unread;
  bool ended = ConsumeNumber(&in, number);
  *text = unread.substr(0, ended ? unread.size() - in.size() : 0);
  Skip(source, unread.size() - in.size());
  while (!ended) {
    if (!Fill(source)) {
      return EOF;
    }
    in = Unread(*source);
    const size_t size = in.size();
    ended = ConsumeNumber(&in, number);
    Skip(source, size - in.size());
  }
  // A NUL byte is counted as it is read.
  const auto next = static_cast<unsigned char>(in.front());
  if (next == '\0') {
    Back(source, Next(source));
  }
  return next;
}

// Convert number, whose bytes are text when it was read at once, to the
// nearest float as ToFloat does: from its own text, unless that is empty,
// beyond the float range or becomes zero without being zero.
bool Convert(std::string_view text, const Number& number, float* value, bool* underflow) {
  const std::string_view digits = !text.empty() && text.front() == '+' ? text.substr(1) : text;
  float read = 0.0F;
  const char* const end = digits.data() + digits.size();
  const std::from_chars_result result = numbers::FromChars(digits.data(), end, &read);
  if (!text.empty() && result.ec == std::errc() && result.ptr == end &&
      (read != 0.0F || number.significand.kept == 0)) {
    *value = read;
    return true;
  }
  return ToFloat(number, value, underflow);
}

}  // namespace

bool ReadInteger(Source* source, long long* value, bool* fits) {
  Number number;
  number.whole = true;
  Place start;
  std::string_view bytes;
  ReadNumber(source, &number, &start, &bytes);
  if (number.mantissa_digits == 0) {
    return false;
  }
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
  *fits = !saturated;
  return true;
}

bool ReadValue(Source* source, float* value, ValueText* text) {
  ValueText seen;
  Number number;
  std::string_view bytes;
  const int c = ReadNumber(source, &number, &seen.start, &bytes);
  seen.next = c;
  seen.comma_after_point = number.has_point && c == ',';
  const bool lone_zero =
      number.mantissa_digits == 1 && number.significand.kept == 0 && !number.has_point;
  bool underflow = false;
  if (number.mantissa_digits == 0) {
    seen.issue = ValueIssue::kNoNumber;
  } else if (number.has_exponent && !number.has_exponent_digits) {
    seen.issue = ValueIssue::kNoExponentDigits;
  } else if (lone_zero && (c == 'x' || c == 'X')) {
    // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
    // pass as a 0 followed by text.
    seen.issue = ValueIssue::kHexadecimal;
  } else if (!Convert(bytes, number, value, &underflow)) {
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
