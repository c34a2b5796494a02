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

// Take the sign at *at, if there is one, into *negative, and move *at past
// it.
void TakeSign(const char** at, bool* negative) {
  if (**at == '+' || **at == '-') {
    *negative = **at == '-';
    ++*at;
  }
}

// Keep count digits, which begin at digit, in number's significand or
// exponent.
void KeepDigits(const char* digit, size_t count, Number* number) {
  if (number->part == Number::Part::kExponent) {
    for (; count > 0 && number->exponent < kExponentCap; --count) {
      number->exponent = number->exponent * kRadix + (*digit++ - '0');
    }
    return;
  }
  // Leading zeros are not significant; those of a fraction move the point.
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

// Take the digits from *at on, before end, into number: integer, fraction
// or exponent digits, counted, and kept when number keeps them. Move *at
// past them.
// Inlined in each part of ConsumeNumber: a number is mostly its digits.
[[gnu::always_inline]] inline void TakeDigits(const char** at, const char* end, Number* number) {
  const char* const digits = *at;
  const char* after = digits;
  while (after != end && IsDigit(*after)) {
    ++after;
  }
  *at = after;
  const auto count = static_cast<size_t>(after - digits);
  if (number->part == Number::Part::kExponent) {
    number->has_exponent_digits = number->has_exponent_digits || count > 0;
  } else {
    number->mantissa_digits += static_cast<long long>(count);
  }
  if (number->keep) {
    KeepDigits(digits, count, number);
  }
}

// Take the bytes of number from at on, before end, as ConsumeNumber does,
// and return where they end: at end when the bytes ran out first.
[[gnu::always_inline]] inline const char* Take(const char* at, const char* end, Number* number) {
  using Part = Number::Part;
  // Each part goes on from where the bytes before ran out.
  switch (number->part) {
    case Part::kSign:
      if (at == end) {
        return at;
      }
      TakeSign(&at, &number->negative);
      number->part = Part::kInteger;
      [[fallthrough]];
    case Part::kInteger:
      TakeDigits(&at, end, number);
      if (at == end || number->whole) {
        break;
      }
      if (*at == '.') {
        number->has_point = true;
        ++at;
      }
      number->part = Part::kFraction;
      [[fallthrough]];
    case Part::kFraction:
      TakeDigits(&at, end, number);
      // An exponent can only extend a mantissa that has digits; once begun,
      // it is part of the run even when no digits follow ("1e").
      if (at == end || number->mantissa_digits == 0 || (*at != 'e' && *at != 'E')) {
        break;
      }
      number->has_exponent = true;
      ++at;
      number->part = Part::kExponentSign;
      [[fallthrough]];
    case Part::kExponentSign:
      if (at == end) {
        return at;
      }
      TakeSign(&at, &number->exponent_negative);
      number->part = Part::kExponent;
      [[fallthrough]];
    case Part::kExponent:
      TakeDigits(&at, end, number);
      break;
    case Part::kEnd:
      return at;
  }
  number->part = at == end ? number->part : Part::kEnd;
  return at;
}

}  // namespace

bool ConsumeNumber(std::string_view* in, Number* number) {
  const char* const end = in->data() + in->size();
  const char* const at = Take(in->data(), end, number);
  in->remove_prefix(static_cast<size_t>(at - in->data()));
  return number->part == Number::Part::kEnd;
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

// Return number taken again from text, its first bytes, with its digits
// kept.
Number TakeKept(std::string_view text, const Number& number) {
  Number kept;
  kept.whole = number.whole;
  kept.keep = true;
  (void)ConsumeNumber(&text, &kept);
  return kept;
}

// Return true when the mantissa of a number's text has a digit other than 0.
bool HasNonZeroDigit(std::string_view text) {
  for (const char c : text) {
    if (c == 'e' || c == 'E') {
      break;
    }
    if (c >= '1' && c <= '9') {
      return true;
    }
  }
  return false;
}

// Return true when number, whose bytes are text when it was read at once,
// is one digit 0 with no point.
bool IsLoneZero(std::string_view text, const Number& number) {
  const bool zero = text.empty() ? number.significand.kept == 0 : text.back() == '0';
  return number.mantissa_digits == 1 && !number.has_point && zero;
}

// Read a number from source into number: white space skipped, then the
// longest run that is or begins one, the source left before the byte after
// it, which is returned (EOF at the end). Where it began is held on to while
// it is read. Set text to the number's bytes when they were read at once,
// and to the empty view otherwise.
[[gnu::always_inline]] inline int ReadNumber(Source* source, Number* number, Place* start,
                                             std::string_view* text) {
  SkipSpace(source);
  *start = Here(*source);
  source->item = start->offset;
  const std::string_view unread = Unread(*source);
  std::string_view in = unread;
  in.remove_prefix(static_cast<size_t>(Take(in.data(), in.data() + in.size(), number) - in.data()));
  bool ended = number->part == Number::Part::kEnd;
  if (!ended && !number->keep) {
    // The bytes read so far may be let go before the number ends: its
    // digits are kept from its start.
    *number = TakeKept(unread, *number);
  }
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
// nearest float: from its own text, unless that is beyond the float range
// or becomes zero without being zero, which ToFloat tells from its kept
// digits.
bool Convert(std::string_view text, const Number& number, float* value, bool* underflow) {
  if (text.empty()) {
    return ToFloat(number, value, underflow);
  }
  const std::string_view digits = text.front() == '+' ? text.substr(1) : text;
  float read = 0.0F;
  const char* const end = digits.data() + digits.size();
  const std::from_chars_result result = numbers::FromChars(digits.data(), end, &read);
  if (result.ec == std::errc() && result.ptr == end && (read != 0.0F || !HasNonZeroDigit(digits))) {
    *value = read;
    return true;
  }
  return ToFloat(TakeKept(text, number), value, underflow);
}

}  // namespace

bool ReadInteger(Source* source, long long* value, bool* fits) {
  Number number;
  number.whole = true;
  number.keep = true;
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
  if (text == nullptr) {
    ValueText unused;
    return ReadValue(source, value, &unused);
  }
  Number number;
  std::string_view bytes;
  const int c = ReadNumber(source, &number, &text->start, &bytes);
  ValueIssue issue = ValueIssue::kNone;
  bool underflow = false;
  if (number.mantissa_digits == 0) {
    issue = ValueIssue::kNoNumber;
  } else if (number.has_exponent && !number.has_exponent_digits) {
    issue = ValueIssue::kNoExponentDigits;
  } else if ((c == 'x' || c == 'X') && IsLoneZero(bytes, number)) {
    // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
    // pass as a 0 followed by text.
    issue = ValueIssue::kHexadecimal;
  } else if (!Convert(bytes, number, value, &underflow)) {
    // A number beyond the float range is no value of the data file.
    issue = ValueIssue::kOutOfRange;
  } else if (underflow) {
    issue = ValueIssue::kUnderflow;
  }
  text->issue = issue;
  text->next = c;
  text->comma_after_point = number.has_point && c == ',';
  if (issue != ValueIssue::kNone && issue != ValueIssue::kUnderflow) {
    return false;
  }
  SkipSpace(source);
  return true;
}
