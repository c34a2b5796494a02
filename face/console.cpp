// The programs' console in a face (see face/console.h).
#include "face/console.h"

#include <sys/types.h>

#include <cstdarg>
#include <stdexcept>
#include <string>

// A face's files are never stopped by a signal: the host language keeps its
// signals for itself, and takes an interrupt once a call has returned.
int StopSignal() { return 0; }

extern "C" {
std::FILE* kelvarin_stdout = nullptr;
std::FILE* kelvarin_stderr = nullptr;

// Return the stream a printer writes to: the report, or none.
static std::FILE* Console() {
  if (kelvarin_stdout == nullptr) {
    throw std::logic_error("kelvarin: a report was printed outside the writing of a report");
  }
  return kelvarin_stdout;
}

int kelvarin_printf_chk(int /*flag*/, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = std::vfprintf(Console(), format, arguments);
  va_end(arguments);
  return written;
}

int kelvarin_printf(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = std::vfprintf(Console(), format, arguments);
  va_end(arguments);
  return written;
}

int kelvarin_puts(const char* text) {
  return std::fputs(text, Console()) < 0 ? EOF : std::fputc('\n', Console());
}

int kelvarin_putchar(int c) { return std::fputc(c, Console()); }

[[noreturn]] void kelvarin_exit(int status) {
  throw std::logic_error("kelvarin: the analysis was given a bad argument (status " +
                         std::to_string(status) + ")");
}

[[noreturn]] void kelvarin_abort() { throw std::logic_error("kelvarin: the analysis aborted"); }

void kelvarin_open_console() {
  cookie_io_functions_t discard = {};
  discard.write = [](void* /*cookie*/, const char* /*bytes*/, size_t size) {
    return static_cast<ssize_t>(size);
  };
  kelvarin_stderr = fopencookie(nullptr, "w", discard);
}

// GSL's CBLAS, linked into the face, reports a bad argument here, where its
// own would print it. The analysis passes none.
void cblas_xerbla(int /*position*/, const char* /*routine*/, const char* /*form*/, ...) {}
}  // extern "C"
