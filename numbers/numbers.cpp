#include "numbers/numbers.h"

namespace numbers {

#if defined(__cpp_lib_to_chars)
// The conversions over the C++ library.
namespace standard {
namespace {

std::chars_format Standard(Form form) {
  switch (form) {
    case Form::kScientific:
      return std::chars_format::scientific;
    case Form::kFixed:
      return std::chars_format::fixed;
    case Form::kGeneral:
      break;
  }
  return std::chars_format::general;
}

std::to_chars_result ToChars(char* first, char* last, double value) {
  return std::to_chars(first, last, value);
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form) {
  return std::to_chars(first, last, value, Standard(form));
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form, int precision) {
  return std::to_chars(first, last, value, Standard(form), precision);
}

std::from_chars_result FromChars(const char* first, const char* last, double* value) {
  return std::from_chars(first, last, *value);
}

std::from_chars_result FromChars(const char* first, const char* last, float* value) {
  return std::from_chars(first, last, *value);
}

}  // namespace
}  // namespace standard
namespace chosen = standard;
#else
namespace chosen = portable;
#endif

std::to_chars_result ToChars(char* first, char* last, double value) {
  return chosen::ToChars(first, last, value);
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form) {
  return chosen::ToChars(first, last, value, form);
}

std::to_chars_result ToChars(char* first, char* last, double value, Form form, int precision) {
  return chosen::ToChars(first, last, value, form, precision);
}

std::from_chars_result FromChars(const char* first, const char* last, double* value) {
  return chosen::FromChars(first, last, value);
}

std::from_chars_result FromChars(const char* first, const char* last, float* value) {
  return chosen::FromChars(first, last, value);
}

}  // namespace numbers
