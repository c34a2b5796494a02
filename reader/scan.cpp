#include "reader/scan.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <system_error>

#include "numbers/numbers.h"

// The number parser's steps are inlined into each of their callers, which
// saves a call for every value read. A coverage build keeps one copy of
// each, so that a branch of the code is counted once, not once a caller.
#if defined(KELVARIN_COVERAGE)
#define KELVARIN_INLINE inline
#else
#define KELVARIN_INLINE [[gnu::always_inline]] inline
#endif

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
// digits only). Its significand and exponent are kept only when keep is set:
// a number held whole in the bytes read is converted from its own text.
struct Number {
  enum class Part { kSign, kInteger, kFraction, kExponentSign, kExponent, kEnd };
  Part part = Part::kSign;
  bool whole = false;  // a whole number: no point, no exponent
  bool keep = false;   // keep the significand and the exponent
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

// Keep the count digits from digit on in number's significand or exponent.
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

// Take the digits from *at on, before end, into number: counted, and kept
// when number keeps them. Move *at past them.
KELVARIN_INLINE void TakeDigits(const char** at, const char* end, Number* number) {
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

// Take the bytes of number from the front of *in, the longest run that is or
// begins a number, and move *in past them. Return true when number ended at
// in->front(), false when *in ran out first and the number may go on.
KELVARIN_INLINE bool ConsumeNumber(std::string_view* in, Number* number) {
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

// Return number taken again from text, its first bytes, keeping its digits.
Number TakeKept(std::string_view text, const Number& number) {
  Number kept;
  kept.whole = number.whole;
  kept.keep = true;
  (void)ConsumeNumber(&text, &kept);
  return kept;
}

// Read a number from source into number: white space skipped, then the
// longest run that is or begins one, the source left before the byte after
// it, which is returned (EOF at the end), its start held on to while it is
// read. Set text to its bytes when read at once, else to the empty view.
KELVARIN_INLINE int ReadNumber(Source* source, Number* number, Place* start,
                               std::string_view* text) {
  SkipSpace(source);
  *start = Here(*source);
  source->item = start->offset;
  const std::string_view unread = Unread(*source);
  std::string_view in = unread;
  bool ended = ConsumeNumber(&in, number);
  if (!ended && !number->keep) {
    // The bytes read so far may be let go before the number ends: its
    // digits are kept from its start.
    *number = TakeKept(unread, *number);
  }
  *text = unread.substr(0, ended ? unread.size() - in.size() : 0);
  source->position += unread.size() - in.size();
  while (!ended) {
    if (!Fill(source)) {
      return EOF;
    }
    in = Unread(*source);
    const size_t size = in.size();
    ended = ConsumeNumber(&in, number);
    source->position += size - in.size();
  }
  // A NUL byte is counted as it is read.
  const auto next = static_cast<unsigned char>(in.front());
  if (next == '\0') {
    Back(source, Next(source));
  }
  return next;
}

// Convert number, whose bytes are text when it was read at once, to the
// nearest float: from its own text, unless that is beyond the float range or
// becomes zero without being zero, which ToFloat tells from its digits.
bool Convert(std::string_view text, const Number& number, float* value, bool* underflow) {
  if (text.empty()) {
    return ToFloat(number, value, underflow);
  }
  const std::string_view digits = text.front() == '+' ? text.substr(1) : text;
  float read = 0.0F;
  const char* const end = digits.data() + digits.size();
  const std::from_chars_result result = numbers::FromChars(digits.data(), end, &read);
  // A number out of range, or made zero, is an error, and its digits tell
  // which.
  if (result.ec == std::errc() && result.ptr == end) {
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
  Number number;
  std::string_view bytes;
  const int c = ReadNumber(source, &number, &text->start, &bytes);
  ValueIssue issue = ValueIssue::kNone;
  bool underflow = false;
  if (number.mantissa_digits == 0) {
    issue = ValueIssue::kNoNumber;
  } else if (number.has_exponent && !number.has_exponent_digits) {
    issue = ValueIssue::kNoExponentDigits;
  } else if ((c == 'x' || c == 'X') && number.mantissa_digits == 1 && !number.has_point &&
             (bytes.empty() ? number.significand.kept == 0 : bytes.back() == '0')) {
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
    // The number's bytes as ReadValue takes them, converted by the
    // library's parser; a number that needs a word (one out of range or
    // made zero, an exponent without digits, a hexadecimal number) or that
    // white space does not end is left to ReadValue.
    Number number;
    std::string_view in(at, static_cast<size_t>(end - at));
    if (!ConsumeNumber(&in, &number) || number.mantissa_digits == 0 ||
        !IsSpace(static_cast<unsigned char>(in.front())) ||
        (number.has_exponent && !number.has_exponent_digits)) {
      break;
    }
    const char* const after = in.data();
    float value = 0.0F;
    const std::from_chars_result result =
        numbers::FromChars(*at == '+' ? at + 1 : at, after, &value);
    if (result.ec != std::errc() || result.ptr != after) {
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
