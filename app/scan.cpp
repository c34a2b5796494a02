#include "app/scan.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

// Numbers in the data file are decimal.
constexpr int kRadix = 10;

// White space as the C locale's isspace sees it.
bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Return the first byte that is not white space, or EOF.
int SkipSpace(std::FILE* file) {
  int c = std::getc(file);
  while (IsSpace(c)) {
    c = std::getc(file);
  }
  return c;
}

void PutBack(int c, std::FILE* file) {
  // One byte of push-back is always possible, so ungetc cannot fail here.
  if (c != EOF) {
    (void)std::ungetc(c, file);
  }
}

}  // namespace

bool ReadLine(std::FILE* file, char* buffer, int size) {
  int length = 0;
  while (length < size - 1) {
    int c = std::getc(file);
    if (c == EOF) {
      break;
    }
#ifndef _WIN32
    // A text-mode stream on Windows folds CR LF by itself; elsewhere fold it
    // here, so that the CR is neither counted nor kept.
    if (c == '\r') {
      const int next = std::getc(file);
      if (next == '\n') {
        c = '\n';
      } else {
        PutBack(next, file);
      }
    }
#endif
    buffer[length++] = static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  if (std::ferror(file) != 0 || length == 0) {
    return false;
  }
  buffer[length] = '\0';
  return true;
}

bool ReadInteger(std::FILE* file, long long* value) {
  int c = SkipSpace(file);
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    c = std::getc(file);
  }
  if (!IsDigit(c)) {
    PutBack(c, file);
    return false;
  }
  // Accumulate towards the sign's own limit and stay there: a number beyond
  // 32 bits must never wrap into the accepted range.
  long long result = 0;
  for (; IsDigit(c); c = std::getc(file)) {
    const int digit = c - '0';
    if (negative) {
      result = result < (LLONG_MIN + digit) / kRadix ? LLONG_MIN : result * kRadix - digit;
    } else {
      result = result > (LLONG_MAX - digit) / kRadix ? LLONG_MAX : result * kRadix + digit;
    }
  }
  PutBack(c, file);
  *value = result;
  return true;
}

bool ReadValue(std::FILE* file, float* value) {
  std::string text;
  int c = SkipSpace(file);
  if (c == '+' || c == '-') {
    text += static_cast<char>(c);
    c = std::getc(file);
  }
  int mantissa_digits = 0;
  for (; IsDigit(c); c = std::getc(file), ++mantissa_digits) {
    text += static_cast<char>(c);
  }
  if (c == '.') {
    text += static_cast<char>(c);
    for (c = std::getc(file); IsDigit(c); c = std::getc(file), ++mantissa_digits) {
      text += static_cast<char>(c);
    }
  }
  // An exponent can only extend a mantissa that has digits; once begun, it is
  // part of the run even when no digits follow ("1e", "1e+").
  int exponent_digits = -1;
  if (mantissa_digits > 0 && (c == 'e' || c == 'E')) {
    text += static_cast<char>(c);
    c = std::getc(file);
    if (c == '+' || c == '-') {
      text += static_cast<char>(c);
      c = std::getc(file);
    }
    for (exponent_digits = 0; IsDigit(c); c = std::getc(file), ++exponent_digits) {
      text += static_cast<char>(c);
    }
  }
  PutBack(c, file);
  if (mantissa_digits == 0 || exponent_digits == 0) {
    return false;
  }
  // Hexadecimal numbers are not a form of the data file: "0x1p3" must not
  // pass as a 0 followed by text.
  const bool bare_zero = text == "0" || text == "+0" || text == "-0";
  if (bare_zero && (c == 'x' || c == 'X')) {
    return false;
  }
  // A decimal beyond the float range converts to an infinity.
  const float result = std::strtof(text.c_str(), nullptr);
  if (!std::isfinite(result)) {
    return false;
  }
  *value = result;
  PutBack(SkipSpace(file), file);
  return true;
}
