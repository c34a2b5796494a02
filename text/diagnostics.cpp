#include "text/diagnostics.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kWarning:
      return "warning";
    case Severity::kError:
      return "error";
    case Severity::kNote:
      break;
  }
  return "note";
}

void Say(Diagnostics* diagnostics, std::string_view place, Severity severity, std::string_view text,
         std::string_view extra) {
  std::string line(place.empty() ? std::string_view(diagnostics->program) : place);
  line += ": ";
  line += SeverityName(severity);
  line += ": ";
  line += text;
  line += '\n';
  line += extra;
  if (diagnostics->stream != nullptr) {
    std::fwrite(line.data(), 1, line.size(), diagnostics->stream);
  }
  if (severity == Severity::kWarning) {
    ++diagnostics->warnings;
  } else if (severity == Severity::kError) {
    ++diagnostics->errors;
  }
  if (diagnostics->keep && severity != Severity::kNote) {
    diagnostics->said.push_back(Said{severity, std::string(place), std::string(text)});
  }
}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAboutProgram(Diagnostics* diagnostics, Severity severity, const char* format, ...) {
  // Sized first, so that a long name in the text is never cut.
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
  (void)std::vsnprintf(text.data(), text.size(), format, again);
  va_end(again);
  text.pop_back();
  Say(diagnostics, {}, severity, text);
}

std::string Said::Line() const {
  if (place.empty()) {
    return text;
  }
  return place + ": " + SeverityName(severity) + ": " + text;
}

const Said* FirstSaid(const Diagnostics& diagnostics, Severity severity) {
  for (const Said& said : diagnostics.said) {
    if (said.severity == severity) {
      return &said;
    }
  }
  return nullptr;
}

const char* SystemReason(int error) {
  switch (error) {
    case 0:
      return "the system gave no reason";
    case ENOENT:
      return "no such file";
    case EACCES:
      return "permission denied";
    case EISDIR:
      return "it is a directory";
    case ENOMEM:
      return "out of memory";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    default:
      return std::strerror(error);
  }
}
