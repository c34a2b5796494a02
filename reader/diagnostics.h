// Diagnostic lines on standard error: where a data file goes wrong and why,
// in the form that editors read, "FILE:LINE:COLUMN: warning: TEXT", or
// "PROGRAM: warning: TEXT" where no place applies.
#ifndef KELVARIN_READER_DIAGNOSTICS_H_
#define KELVARIN_READER_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdio>

// Lets the compiler check a printf-like function's format against its
// arguments (mingw-w64's printf follows C99, as glibc's does).
#if defined(__MINGW32__)
#define KELVARIN_PRINTF_FORMAT(string, first) __attribute__((format(gnu_printf, string, first)))
#else
#define KELVARIN_PRINTF_FORMAT(string, first) __attribute__((format(printf, string, first)))
#endif

enum class Severity { kWarning, kError, kNote };

// Room for one diagnostic line.
constexpr int kDiagnosticCapacity = 512;

// Where diagnostics go and what has been said.
struct Diagnostics {
  const char* program = "kelvarin";  // names the lines that have no place
  std::FILE* stream = stderr;        // null: lines are counted and kept only
  int warnings = 0;
  int errors = 0;
  // The first error line, without its line end, for a program that reports
  // it elsewhere than on standard error.
  char first_error[kDiagnosticCapacity] = "";
};

// Return true for a byte that continues a UTF-8 character (10xxxxxx).
bool IsContinuation(char byte);

// Return the length of the valid UTF-8 character at text[0..length), or 0
// when it begins no valid character. Overlong forms, surrogates and code
// points beyond U+10FFFF are not valid.
size_t CharacterLength(const unsigned char* text, size_t length);

// Write text[0..length) into out (capacity bytes, NUL-terminated) with each
// control character (C0, DEL, C1) and each byte that is not part of valid
// UTF-8 written as \xHH, so that a name or quoted data cannot drive the
// user's terminal. Text that does not fit is cut after a whole character.
// Tabs are kept when keep_tabs is true. Return the number of bytes written.
size_t Escape(const char* text, size_t length, char* out, size_t capacity, bool keep_tabs = false);

// Write "PROGRAM: <severity>: <text>" to diagnostics, text formatted as by
// printf.
// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAboutProgram(Diagnostics* diagnostics, Severity severity, const char* format, ...)
    KELVARIN_PRINTF_FORMAT(3, 4);

// Write "<prefix><severity>: <text>" to diagnostics and count it; prefix is
// "FILE:LINE:COLUMN: " or "PROGRAM: ". Then the extra lines, which each
// begin with a blank, unless extra is null.
void Say(Diagnostics* diagnostics, const char* prefix, Severity severity, const char* text,
         const char* extra);

#endif  // KELVARIN_READER_DIAGNOSTICS_H_
