#include "reader/diagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace {

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

// The byte values below are UTF-8's own, each used once where it is named.
// NOLINTBEGIN(readability-magic-numbers)

// Return true for the bytes and characters that a terminal may take as a
// command: C0 controls, DEL, and the C1 controls U+0080 to U+009F.
bool IsControl(const unsigned char* text, size_t size) {
  if (size == 1) {
    return text[0] < 0x20 || text[0] == 0x7F;
  }
  return size == 2 && text[0] == 0xC2 && text[1] < 0xA0;
}
// NOLINTEND(readability-magic-numbers)

void Write(Diagnostics* diagnostics, const char* line) {
  if (diagnostics->stream != nullptr) {
    std::fputs(line, diagnostics->stream);
  }
}

}  // namespace

// The ranges of well-formed UTF-8, as the Unicode Standard tabulates them.
// NOLINTBEGIN(readability-magic-numbers)
size_t CharacterLength(const unsigned char* text, size_t length) {
  const unsigned char lead = text[0];
  size_t size = 0;
  unsigned char low = 0x80;  // the bounds of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    low = lead == 0xE0 ? 0xA0 : low;
    high = lead == 0xED ? 0x9F : high;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;
  } else {
    return 0;
  }
  if (length < size || text[1] < low || text[1] > high) {
    return 0;
  }
  for (size_t i = 2; i < size; ++i) {
    if (!IsContinuation(static_cast<char>(text[i]))) {
      return 0;
    }
  }
  return size;
}
// NOLINTEND(readability-magic-numbers)

bool IsContinuation(char byte) {
  constexpr unsigned kMask = 0xC0U;
  constexpr unsigned kBits = 0x80U;
  return (static_cast<unsigned char>(byte) & kMask) == kBits;
}

size_t Escape(const char* text, size_t length, char* out, size_t capacity, bool keep_tabs) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  constexpr size_t kEscapeSize = 4;  // "\xHH"
  size_t written = 0;
  size_t i = 0;
  while (i < length) {
    size_t size = CharacterLength(bytes + i, length - i);
    const bool raw = size != 0 && !(IsControl(bytes + i, size) && !(keep_tabs && bytes[i] == '\t'));
    size = size == 0 ? 1 : size;
    const size_t needed = raw ? size : kEscapeSize * size;
    if (written + needed + 1 > capacity) {
      break;
    }
    for (size_t k = 0; k < size; ++k) {
      if (raw) {
        out[written++] = static_cast<char>(bytes[i + k]);
      } else {
        static const char kHex[] = "0123456789abcdef";
        constexpr unsigned kNibble = 4;
        constexpr unsigned kNibbleMask = 0xFU;
        out[written++] = '\\';
        out[written++] = 'x';
        out[written++] = kHex[bytes[i + k] >> kNibble];
        out[written++] = kHex[bytes[i + k] & kNibbleMask];
      }
    }
    i += size;
  }
  if (capacity > 0) {
    out[written] = '\0';
  }
  return written;
}

void Say(Diagnostics* diagnostics, const char* prefix, Severity severity, const char* text,
         const char* extra) {
  // Room for a prefix and a text of kDiagnosticCapacity each, and the rest.
  constexpr size_t kLineCapacity = size_t{2} * kDiagnosticCapacity + sizeof "warning: \n";
  char line[kLineCapacity];
  (void)std::snprintf(line, sizeof line, "%s%s: %s\n", prefix, SeverityName(severity), text);
  Write(diagnostics, line);
  if (severity == Severity::kWarning) {
    ++diagnostics->warnings;
  } else if (severity == Severity::kError && diagnostics->errors++ == 0) {
    char* first = diagnostics->first_error;
    const size_t length = std::min(std::strcspn(line, "\n"), sizeof diagnostics->first_error - 1);
    std::memcpy(first, line, length);
    first[length] = '\0';
  }
  if (extra != nullptr) {
    Write(diagnostics, extra);
  }
}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAboutProgram(Diagnostics* diagnostics, Severity severity, const char* format, ...) {
  char text[kDiagnosticCapacity];
  va_list arguments;
  va_start(arguments, format);
  (void)std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  char prefix[kDiagnosticCapacity];
  (void)std::snprintf(prefix, sizeof prefix, "%s: ", diagnostics->program);
  Say(diagnostics, prefix, severity, text, nullptr);
}
