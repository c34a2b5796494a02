// Plain values: numbers that stand whole in the bytes already read and need
// no word of warning, read straight from those bytes. Everything else is
// read byte by byte by ReadValue, which also says what is odd about it.
#include <algorithm>
#include <charconv>
#include <system_error>

#include "numbers/numbers.h"
#include "reader/scan.h"

namespace {

// The file's bytes from a position on, with the lines counted as Next
// counts them, for reading ahead without changing the source.
struct Ahead {
  const unsigned char* at;
  long long line;
  long long line_offset;

  void SkipSpace(const Source& source, const unsigned char* end) {
    for (; at < end && IsSpace(*at); ++at) {
      if (*at == '\n') {
        ++line;
        line_offset = source.base + (at + 1 - source.bytes.get());
      }
    }
  }
};

// Return what is ahead of source in the bytes read. Bytes used up are read
// anew first: the byte read and given back is the one that ReadValue would
// read first.
Ahead Look(Source* source) {
  if (source->position == source->filled) {
    Back(source, Next(source));
  }
  Ahead ahead = {source->bytes.get() + source->position, source->line, source->line_offset};
  ahead.SkipSpace(*source, source->bytes.get() + source->filled);
  return ahead;
}

// Move source to ahead, which is after white space: what was looked at is
// read. White space up to the end of the bytes read is left to Next, and so
// is a NUL byte, which is counted as it is read.
void Take(Source* source, const Ahead& ahead) {
  const unsigned char* const data = source->bytes.get();
  MoveTo(source, static_cast<size_t>(ahead.at - data), ahead.line, ahead.line_offset);
  if (ahead.at == data + source->filled || *ahead.at == '\0') {
    Back(source, SkipSpace(source));
  }
}

// The longest text of a plain value: a longer number is read byte by byte.
constexpr long kPlainValueBytes = 64;

// Return true when the mantissa of a number's text [digits, end) has a digit
// other than 0.
bool HasNonZeroDigit(const unsigned char* digits, const unsigned char* end) {
  for (; digits < end && *digits != 'e' && *digits != 'E'; ++digits) {
    if (*digits >= '1' && *digits <= '9') {
      return true;
    }
  }
  return false;
}

// Read the plain number that begins at start, before end, into value, and
// return the byte after it, which must be before end. Return null for text
// that is no plain number.
const unsigned char* ReadPlainNumber(const unsigned char* start, const unsigned char* end,
                                     float* value) {
  // FromChars takes what ReadValue takes, once the text begins with a digit
  // or a point after its sign: it stops where the number does. Text that
  // names no number ("inf", "nan") never gets to it.
  const unsigned char* const digits =
      start < end && (*start == '+' || *start == '-') ? start + 1 : start;
  if (digits >= end || (!IsDigit(*digits) && *digits != '.')) {
    return nullptr;
  }
  const unsigned char* const limit =
      end - start > kPlainValueBytes ? start + kPlainValueBytes : end;
  float read = 0.0F;
  const std::from_chars_result result =
      numbers::FromChars(reinterpret_cast<const char*>(*start == '+' ? digits : start),
                         reinterpret_cast<const char*>(limit), &read);
  // An "e" after the number begins an exponent without digits, and an "x" a
  // hexadecimal number.
  const auto* const after = reinterpret_cast<const unsigned char*>(result.ptr);
  if (result.ec != std::errc() || after == limit || *after == 'e' || *after == 'E' ||
      *after == 'x' || *after == 'X') {
    return nullptr;
  }
  // Zero from a number written with a digit other than 0 is an underflow,
  // which ReadValue tells of.
  if (read == 0.0F && HasNonZeroDigit(digits, after)) {
    return nullptr;
  }
  *value = read;
  return after;
}

// Return the place of the byte at in source's bytes, whose line is line and
// begins at line_offset.
Place PlaceOf(const Source& source, const unsigned char* at, long long line,
              long long line_offset) {
  Place place;
  place.line = line;
  place.offset = source.base + (at - source.bytes.get());
  place.line_offset = line_offset;
  place.column = place.offset - line_offset + 1;
  return place;
}

}  // namespace

bool ReadPlainValue(Source* source, float* value, ValueText* text) {
  Ahead ahead = Look(source);
  const unsigned char* const start = ahead.at;
  const unsigned char* const after =
      ReadPlainNumber(start, source->bytes.get() + source->filled, value);
  if (after == nullptr) {
    return false;
  }
  if (text != nullptr) {
    text->start = PlaceOf(*source, start, ahead.line, ahead.line_offset);
    text->issue = ValueIssue::kNone;
    text->next = *after;
    text->comma_after_point = *after == ',' && std::find(start, after, '.') != after;
  }
  ahead.at = after;
  ahead.SkipSpace(*source, source->bytes.get() + source->filled);
  Take(source, ahead);
  return true;
}

long long ReadPlainValues(Source* source, double* values, long long count, Place* first,
                          ValueText* last) {
  Ahead ahead = Look(source);
  const unsigned char* const end = source->bytes.get() + source->filled;
  // Every value of the run stands on the line of the first.
  const long long line = ahead.line;
  const long long line_offset = ahead.line_offset;
  const unsigned char* const first_start = ahead.at;
  const unsigned char* last_start = nullptr;
  const unsigned char* last_after = nullptr;
  long long read = 0;
  while (read < count) {
    float value = 0.0F;
    const unsigned char* const after = ReadPlainNumber(ahead.at, end, &value);
    if (after == nullptr || !IsSpace(*after)) {
      break;
    }
    values[read++] = static_cast<double>(value);
    last_start = ahead.at;
    last_after = after;
    ahead.at = after;
    ahead.SkipSpace(*source, end);
    if (ahead.line != line) {
      break;
    }
  }
  if (read == 0) {
    return 0;
  }
  *first = PlaceOf(*source, first_start, line, line_offset);
  last->start = PlaceOf(*source, last_start, line, line_offset);
  last->issue = ValueIssue::kNone;
  last->next = *last_after;
  last->comma_after_point = false;
  Take(source, ahead);
  return read;
}
