#include "reader/scan.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>

#include "numbers/numbers.h"

namespace {

// The significant digits of a decimal number, 0.d1 d2 d3 ... times 10 to
// the power point. A value halfway between two floats has fewer significant
// digits than kKeptDigits, so the first ones and whether any later one is
// non-zero decide the correctly rounded float: a number of any length is
// read in this memory.
constexpr int kKeptDigits = 200;
struct Significand {
  char digits[kKeptDigits];
  int kept = 0;
  bool dropped_non_zero = false;
  long long point = 0;
};

// A decimal number as its bytes are taken, which may come in pieces: a sign,
// digits with an optional point, and an exponent (a whole number: a sign and
// digits only), its significand and exponent kept as they come.
struct Number {
  enum class Part { kSign, kInteger, kFraction, kExponentSign, kExponent, kEnd };
  Part part = Part::kSign;
  bool whole = false;  // a whole number: no point, no exponent
  bool negative = false;
  Significand significand;
  long long mantissa_digits = 0;
  bool has_point = false;
  bool has_exponent = false;  // an "e" after digits
  bool exponent_negative = false;
  bool has_exponent_digits = false;
  long long exponent = 0;  // saturated far beyond any power that matters
};

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
  const long long exponent = number.exponent_negative ? -number.exponent : number.exponent;
  const float zero = number.negative ? -0.0F : 0.0F;
  if (significand.kept == 0) {
    *value = zero;
    return true;
  }
  // The text "-0.<kept digits>e<power>", where dropped digits that are not
  // all zero stand as one digit 1 after the kept ones, which rounds as they
  // do.
  char text[kTextSize];
  char* end = text;
  if (number.negative) {
    *end++ = '-';
  }
  *end++ = '0';
  *end++ = '.';
  end = std::copy(significand.digits, significand.digits + significand.kept, end);
  if (significand.dropped_non_zero) {
    *end++ = '1';
  }
  *end++ = 'e';
  const long long power = std::clamp(significand.point + exponent, -kExponentLimit, kExponentLimit);
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

// Take the digits from *at on, before end, into number's significand or
// exponent, and move *at past them.
void TakeDigits(const char** at, const char* end, Number* number) {
  const char* digit = *at;
  Significand* significand = &number->significand;
  const bool integer = number->part == Number::Part::kInteger;
  for (; digit != end && IsDigit(*digit); ++digit) {
    if (number->part == Number::Part::kExponent) {
      number->has_exponent_digits = true;
      number->exponent = number->exponent < kExponentCap
                             ? number->exponent * kRadix + (*digit - '0')
                             : number->exponent;
      continue;
    }
    ++number->mantissa_digits;
    // Leading zeros are not significant; those of a fraction move the point.
    if (significand->kept == 0 && *digit == '0') {
      significand->point -= integer ? 0 : 1;
      continue;
    }
    significand->point += integer ? 1 : 0;
    if (significand->kept < kKeptDigits) {
      significand->digits[significand->kept++] = *digit;
    } else {
      significand->dropped_non_zero = significand->dropped_non_zero || *digit != '0';
    }
  }
  *at = digit;
}

// Take the bytes of number from the front of *in, the longest run that is or
// begins a number, and move *in past them. Return true when number ended at
// in->front(), false when *in ran out first and the number may go on.
bool ConsumeNumber(std::string_view* in, Number* number) {
  using Part = Number::Part;
  const char* at = in->data();
  const char* const end = at + in->size();
  // Each part goes on from where the bytes before ran out. (A Number's
  // digits are left unset until they are kept, which cppcheck takes for an
  // uninitialised argument.)
  // cppcheck-suppress ctuuninitvar
  switch (number->part) {
    case Part::kSign:
      if (at == end) {
        return false;
      }
      if (*at == '+' || *at == '-') {
        number->negative = *at++ == '-';
      }
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
        break;
      }
      if (*at == '+' || *at == '-') {
        number->exponent_negative = *at++ == '-';
      }
      number->part = Part::kExponent;
      [[fallthrough]];
    case Part::kExponent:
      TakeDigits(&at, end, number);
      break;
    case Part::kEnd:
      return true;
  }
  in->remove_prefix(static_cast<size_t>(at - in->data()));
  number->part = at == end ? number->part : Part::kEnd;
  return number->part == Part::kEnd;
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

namespace {

// Read a number from source into number: white space skipped, then the
// longest run that is or begins one, the source left before the byte after
// it, which is returned (EOF at the end), its start held on to while it is
// read.
int ReadNumber(Source* source, Number* number, Place* start) {
  SkipSpace(source);
  *start = Here(*source);
  source->item = start->offset;
  std::string_view in = Unread(*source);
  for (;;) {
    const size_t size = in.size();
    const bool ended = ConsumeNumber(&in, number);
    source->position += size - in.size();
    if (ended) {
      break;
    }
    if (!Fill(source)) {
      return EOF;
    }
    in = Unread(*source);
  }
  const auto next = static_cast<unsigned char>(in.front());
  source->read_nul = source->read_nul || next == '\0';
  return next;
}

}  // namespace

bool ReadInteger(Source* source, long long* value, bool* fits) {
  Number number;
  number.whole = true;
  Place start;
  ReadNumber(source, &number, &start);
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
  Number number;
  const int c = ReadNumber(source, &number, &text->start);
  ValueIssue issue = ValueIssue::kNone;
  bool underflow = false;
  if (number.mantissa_digits == 0) {
    issue = ValueIssue::kNoNumber;
  } else if (number.has_exponent && !number.has_exponent_digits) {
    issue = ValueIssue::kNoExponentDigits;
  } else if ((c == 'x' || c == 'X') && number.mantissa_digits == 1 && !number.has_point &&
             number.significand.kept == 0) {
    // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
    // pass as a 0 followed by text.
    issue = ValueIssue::kHexadecimal;
  } else if (!ToFloat(number, value, &underflow)) {
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

long long ReadPlainValues(Source* source, double* values, long long count, Place* first,
                          ValueText* last) {
  SkipSpace(source);
  const std::string_view unread = Unread(*source);
  const char* at = unread.data();
  const char* const end = at + unread.size();
  const char* last_start = nullptr;
  const char* last_after = nullptr;
  long long read = 0;
  while (read < count && at != end) {
    // The library's parser takes what ReadValue takes once the text begins
    // with a digit or a point after an optional sign, and white space after
    // it ends the number where ReadValue would. "inf", "nan", an exponent
    // without digits, a hexadecimal number, and a number out of range or
    // made zero never pass: ReadValue reads them, with a word for each.
    const char* const digits = *at == '-' || *at == '+' ? at + 1 : at;
    if (digits == end || (!IsDigit(*digits) && *digits != '.')) {
      break;
    }
    float value = 0.0F;
    const std::from_chars_result result = numbers::FromChars(*at == '+' ? digits : at, end, &value);
    const char* const after = result.ptr;
    if (result.ec != std::errc() || after == end || !IsSpace(static_cast<unsigned char>(*after))) {
      break;
    }
    values[read++] = static_cast<double>(value);
    last_start = at;
    last_after = after;
    // On to the next value of the line: the run ends at a line end, which
    // SkipSpace counts.
    at = after;
    while (at != end && *at != '\n' && IsSpace(static_cast<unsigned char>(*at))) {
      ++at;
    }
    if (at == end || *at == '\n') {
      break;
    }
  }
  if (read == 0) {
    return 0;
  }
  *first = Here(*source);
  last->start = *first;
  last->start.offset += last_start - unread.data();
  last->start.column += last_start - unread.data();
  last->issue = ValueIssue::kNone;
  last->next = static_cast<unsigned char>(*last_after);
  last->comma_after_point = false;
  source->held.push_back(first->offset);
  source->item = last->start.offset;
  source->position += static_cast<size_t>(at - unread.data());
  SkipSpace(source);
  return read;
}
