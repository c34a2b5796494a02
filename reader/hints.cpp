#include "reader/hints.h"

#include <cstring>

#include "matrix/matrix.h"

namespace {

// Numbers in the data file are decimal.
constexpr int kRadix = 10;

// Characters that people put into numbers or between them by mistake, and
// the byte-order marks that begin UTF-16 text, as bytes.
constexpr const char* kMinusSign = "\xe2\x88\x92";           // U+2212
constexpr const char* kEnDash = "\xe2\x80\x93";              // U+2013
constexpr const char* kEmDash = "\xe2\x80\x94";              // U+2014
constexpr const char* kNoBreakSpace = "\xc2\xa0";            // U+00A0
constexpr const char* kNarrowNoBreakSpace = "\xe2\x80\xaf";  // U+202F
constexpr const char* kByteOrderMarkLittle = "\xff\xfe";
constexpr const char* kByteOrderMarkBig = "\xfe\xff";

bool StartsWith(const char* text, const char* start) {
  return std::strncmp(text, start, std::strlen(start)) == 0;
}

// Return true when the word at bytes (count bytes) holds a decimal point
// after its first byte and before a second comma.
bool PointAfterComma(const char* bytes, long long count) {
  for (long long i = 1; i < count && bytes[i] != ','; ++i) {
    if (bytes[i] == '.') {
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool BeginsUtf16(const char* bytes) {
  return StartsWith(bytes, kByteOrderMarkLittle) || StartsWith(bytes, kByteOrderMarkBig);
}

long long FittingSize(long long count) {
  for (long long k = kMinPlayers; k <= kMaxPlayers; ++k) {
    if (k * k == count) {
      return k;
    }
  }
  return 0;
}

long long DescriptionAsSize(const char* description) {
  const char* c = description;
  while (*c == ' ' || *c == '\t') {
    ++c;
  }
  long long value = 0;
  int digits = 0;
  constexpr int kMostDigits = 2;  // kMaxPlayers has two
  for (; IsDigit(*c) && digits <= kMostDigits; ++c, ++digits) {
    value = value * kRadix + (*c - '0');
  }
  while (*c == ' ' || *c == '\t') {
    ++c;
  }
  return digits > 0 && *c == '\0' && value >= kMinPlayers && value <= kMaxPlayers ? value : 0;
}

const char* CharacterHint(const char* bytes, long long count, bool after_point) {
  const char c = bytes[0];
  // A comma between numbers that have decimal points separates them.
  if (c == ',' && count > 1 && IsDigit(bytes[1]) && !after_point &&
      !PointAfterComma(bytes, count)) {
    return "a decimal comma? Values are written with a decimal point (0.5) and separated by "
           "white space";
  }
  if (c == ',') {
    return "values are separated by white space, not by ','";
  }
  if (c == ';') {
    return "values are separated by white space, not by ';'";
  }
  if (c == '#') {
    return kCommentHint;
  }
  if (c == '%') {
    return "a percent sign: write a value as a number (50% as 0.5)";
  }
  if (StartsWith(bytes, kMinusSign)) {
    return "a Unicode minus sign (U+2212): write the minus as '-'";
  }
  if (StartsWith(bytes, kEnDash) || StartsWith(bytes, kEmDash)) {
    return "a dash: write the minus as '-'";
  }
  if (StartsWith(bytes, kNoBreakSpace) || StartsWith(bytes, kNarrowNoBreakSpace)) {
    return "a no-break space: separate values with blanks, tabs or line ends";
  }
  return nullptr;
}

const char* NumberHint(ValueIssue issue) {
  switch (issue) {
    case ValueIssue::kOutOfRange:
      return "it is beyond the range of single precision (about 3.4e38)";
    case ValueIssue::kHexadecimal:
      return "hexadecimal numbers are not read: write the value in decimal";
    case ValueIssue::kNoExponentDigits:
      return "its exponent has no digits";
    default:
      return nullptr;
  }
}
