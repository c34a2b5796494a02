#include "text/utf8.h"

#include <algorithm>

namespace {

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

// The characters of Windows-1252's bytes 0x80 to 0x9F; 0 where it defines
// none. The bytes from 0xA0 on are the Latin-1 characters of their value.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};

// Append code point c (below U+10000) to out in UTF-8.
void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6U)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3FU)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (c >> 12U)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6U) & 0x3FU)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3FU)));
  }
}
// NOLINTEND(readability-magic-numbers)

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

char* WriteHex(unsigned char byte, char* out) {
  static const char kDigits[] = "0123456789abcdef";
  constexpr unsigned kNibble = 4;
  constexpr unsigned kNibbleMask = 0xFU;
  *out++ = kDigits[byte >> kNibble];
  *out++ = kDigits[byte & kNibbleMask];
  return out;
}

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
        out[written++] = '\\';
        out[written++] = 'x';
        written = static_cast<size_t>(WriteHex(bytes[i + k], out + written) - out);
      }
    }
    i += size;
  }
  if (capacity > 0) {
    out[written] = '\0';
  }
  return written;
}

size_t NotUtf8At(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t i = 0;
  while (i < text.size()) {
    const size_t size = CharacterLength(bytes + i, text.size() - i);
    if (size == 0) {
      break;
    }
    i += size;
  }
  return i;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  return text.substr(0, kMark.size()) == kMark ? text.substr(kMark.size()) : text;
}

std::string Escaped(std::string_view text, bool keep_tabs) {
  // Each byte becomes at most four.
  std::string out(4 * text.size() + 1, '\0');
  out.resize(Escape(text.data(), text.size(), out.data(), out.size(), keep_tabs));
  return out;
}

// NOLINTBEGIN(readability-magic-numbers)
std::string AsUtf8(std::string_view text) {
  constexpr char32_t kReplacement = 0xFFFD;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  // ASCII, the common case, is UTF-8 as it stands.
  if (std::all_of(bytes, bytes + text.size(), [](unsigned char byte) { return byte < 0x80; })) {
    return std::string(text);
  }
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t size = CharacterLength(bytes + i, text.size() - i);
    if (size != 0) {
      out.append(text.data() + i, size);
      i += size;
      continue;
    }
    const unsigned char byte = bytes[i++];
    const char32_t c = byte >= 0xA0 ? byte : kWindows1252[byte - 0x80];
    AppendUtf8(c != 0 ? c : kReplacement, &out);
  }
  return out;
}
// NOLINTEND(readability-magic-numbers)
