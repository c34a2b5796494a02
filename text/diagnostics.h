// Diagnostic lines on standard error: where a data file goes wrong and why,
// in the form that editors read, "FILE:LINE:COLUMN: warning: TEXT", or
// "PROGRAM: warning: TEXT" where no place applies. Nothing here fails: a
// line that cannot be written to its stream is still counted and kept.
#ifndef KELVARIN_TEXT_DIAGNOSTICS_H_
#define KELVARIN_TEXT_DIAGNOSTICS_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Lets the compiler check a printf-like function's format against its
// arguments (mingw-w64's printf follows C99, as glibc's does).
#if defined(__MINGW32__)
#define KELVARIN_PRINTF_FORMAT(string, first) __attribute__((format(gnu_printf, string, first)))
#else
#define KELVARIN_PRINTF_FORMAT(string, first) __attribute__((format(printf, string, first)))
#endif

enum class Severity { kWarning, kError, kNote };

// Room for the text of one diagnostic line, without its place.
constexpr int kDiagnosticCapacity = 512;

// A diagnostic line as it was said, for a program that reports it elsewhere
// than on standard error.
struct Said {
  Severity severity = Severity::kWarning;
  std::string place;  // "FILE:LINE:COLUMN", or empty where no place applies
  std::string text;

  // Return the line without its line end: "PLACE: warning: TEXT", or TEXT
  // alone where there is no place (the program's name left out).
  std::string Line() const;
};

// Where diagnostics go and what has been said.
struct Diagnostics {
  const char* program = "kelvarin";  // names the lines that have no place
  std::FILE* stream = stderr;        // null: lines are counted and kept only
  int warnings = 0;
  int errors = 0;
  bool keep = false;       // keep every warning and error in said
  std::vector<Said> said;  // in the order said, when keep is true
};

// Return "warning", "error" or "note".
const char* SeverityName(Severity severity);

// Return the first line of severity that diagnostics kept, or null.
const Said* FirstSaid(const Diagnostics& diagnostics, Severity severity);

// Write "PROGRAM: <severity>: <text>" to diagnostics, text formatted as by
// printf.
// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAboutProgram(Diagnostics* diagnostics, Severity severity, const char* format, ...)
    KELVARIN_PRINTF_FORMAT(3, 4);

// Write "PLACE: <severity>: <text>" to diagnostics and count it, where place
// is "FILE:LINE:COLUMN", or "PROGRAM: <severity>: <text>" when place is
// empty. Then the extra lines, which each begin with a blank.
void Say(Diagnostics* diagnostics, std::string_view place, Severity severity, std::string_view text,
         std::string_view extra = {});

// Return a short text of why a file operation failed with errno error.
const char* SystemReason(int error);

#endif  // KELVARIN_TEXT_DIAGNOSTICS_H_
