// The table's two forms: CSV as RFC 4180 writes it (a header row, a comma
// between fields, quotes only where a field needs them) and JSON Lines.
// Numbers are the shortest text that reads back to the same double.
#include <charconv>
#include <cmath>
#include <cstring>

#include "table/table.h"

namespace {

// Room for the shortest text of any double ("-2.2250738585072014e-308").
constexpr int kNumberCapacity = 32;

// The control bytes: below the blank, and DEL.
constexpr unsigned char kBlank = 0x20;
constexpr unsigned char kDelete = 0x7F;

const char* StatusName(Status status) {
  switch (status) {
    case Status::kOk:
      return "ok";
    case Status::kSingular:
      return "singular";
    case Status::kError:
      break;
  }
  return "error";
}

void WriteText(std::FILE* out, const char* text) { std::fputs(text, out); }

// Write value as std::to_chars writes it without a precision: "inf" for an
// infinite condition number, as R and pandas read it.
void WriteNumber(std::FILE* out, double value) {
  char text[kNumberCapacity];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  std::fwrite(text, 1, static_cast<size_t>(result.ptr - text), out);
}

void WriteInteger(std::FILE* out, int value) {
  char text[kNumberCapacity];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  std::fwrite(text, 1, static_cast<size_t>(result.ptr - text), out);
}

// Return true when a CSV field must be quoted: it holds a comma, a quote or
// a control byte other than tab (a line end among them).
bool NeedsQuotes(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    if (byte == ',' || byte == '"' || (byte < kBlank && byte != '\t') || byte == kDelete) {
      return true;
    }
  }
  return false;
}

// Write text as a CSV field, byte for byte, in quotes with each quote
// doubled where it needs them.
void WriteField(std::FILE* out, const char* text) {
  if (!NeedsQuotes(text)) {
    WriteText(out, text);
    return;
  }
  std::putc('"', out);
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '"') {
      std::putc('"', out);
    }
    std::putc(*c, out);
  }
  std::putc('"', out);
}

// Write a comma, then the figure or nothing when it does not exist.
void WriteCsvNumber(std::FILE* out, const std::optional<double>& value) {
  std::putc(',', out);
  if (value) {
    WriteNumber(out, *value);
  }
}

void WriteCsvInteger(std::FILE* out, const std::optional<int>& value) {
  std::putc(',', out);
  if (value) {
    WriteInteger(out, *value);
  }
}

// Write text as a JSON string. Each byte that is not part of valid UTF-8 is
// written as \u00XX, the character that the byte is in Latin-1, so that a
// description saved in a Latin-1 or ANSI code page keeps its letters.
void WriteJsonString(std::FILE* out, const char* text) {
  static const char kHex[] = "0123456789abcdef";
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const size_t length = std::strlen(text);
  std::putc('"', out);
  size_t i = 0;
  while (i < length) {
    const unsigned char byte = bytes[i];
    const size_t size = CharacterLength(bytes + i, length - i);
    if (size > 1) {
      std::fwrite(bytes + i, 1, size, out);
      i += size;
      continue;
    }
    ++i;
    if (byte == '"' || byte == '\\') {
      std::putc('\\', out);
      std::putc(byte, out);
    } else if (byte == '\n') {
      WriteText(out, "\\n");
    } else if (byte == '\r') {
      WriteText(out, "\\r");
    } else if (byte == '\t') {
      WriteText(out, "\\t");
    } else if (size == 0 || byte < kBlank) {
      // A control byte, or a byte of no valid character.
      const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4U], kHex[byte & 0xFU]};
      std::fwrite(escaped, 1, sizeof escaped, out);
    } else {
      std::putc(byte, out);
    }
  }
  std::putc('"', out);
}

// Write "key": and a JSON number, or null when the figure does not exist or
// is not finite.
void WriteJsonNumber(std::FILE* out, const char* key, const std::optional<double>& value) {
  std::fprintf(out, ",\"%s\":", key);
  if (value && std::isfinite(*value)) {
    WriteNumber(out, *value);
  } else {
    WriteText(out, "null");
  }
}

void WriteJsonInteger(std::FILE* out, const char* key, const std::optional<int>& value) {
  std::fprintf(out, ",\"%s\":", key);
  if (value) {
    WriteInteger(out, *value);
  } else {
    WriteText(out, "null");
  }
}

// Write "key": and the n values as a JSON array, null for the entry skip
// and for a value that is not finite; null alone when has is false.
void WriteJsonArray(std::FILE* out, const char* key, bool has, const double* values, int n,
                    int skip) {
  std::fprintf(out, ",\"%s\":", key);
  if (!has) {
    WriteText(out, "null");
    return;
  }
  std::putc('[', out);
  for (int p = 0; p < n; ++p) {
    if (p > 0) {
      std::putc(',', out);
    }
    if (p != skip && std::isfinite(values[p])) {
      WriteNumber(out, values[p]);
    } else {
      WriteText(out, "null");
    }
  }
  std::putc(']', out);
}

}  // namespace

void WriteFileHeader(std::FILE* out) {
  WriteText(out,
            "file,description,players,empath,driver,s_e,determinant,condition,log_condition,"
            "near_ties,warnings,status,message\n");
}

void WriteFileRow(std::FILE* out, const char* path, const Group& group) {
  WriteField(out, path);
  std::putc(',', out);
  WriteField(out, group.description);
  WriteCsvInteger(out, group.players);
  // The report names the players from 1.
  WriteCsvInteger(out, group.empath ? std::optional<int>(*group.empath + 1) : std::nullopt);
  WriteCsvInteger(out, group.driver ? std::optional<int>(*group.driver + 1) : std::nullopt);
  WriteCsvNumber(out, group.s_e);
  WriteCsvNumber(out, group.determinant);
  WriteCsvNumber(out, group.condition);
  WriteCsvNumber(out, group.log_condition);
  WriteCsvInteger(out, group.near_ties);
  WriteCsvInteger(out, group.warnings);
  std::putc(',', out);
  WriteText(out, StatusName(group.status));
  std::putc(',', out);
  WriteField(out, group.message);
  std::putc('\n', out);
}

void WritePlayerHeader(std::FILE* out) {
  WriteText(out, "file,player,column_sum,row_sum,weight,is_empath,is_driver\n");
}

void WritePlayerRows(std::FILE* out, const char* path, const Group& group) {
  if (!group.has_sums) {
    return;
  }
  for (int p = 0; p < *group.players; ++p) {
    const bool empath = p == *group.empath;
    WriteField(out, path);
    WriteCsvInteger(out, p + 1);
    WriteCsvNumber(out, group.column_sums[p]);
    WriteCsvNumber(out, group.row_sums[p]);
    WriteCsvNumber(
        out, group.has_weights && !empath ? std::optional<double>(group.weights[p]) : std::nullopt);
    WriteText(out, empath ? ",true" : ",false");
    WriteText(out, p == *group.driver ? ",true\n" : ",false\n");
  }
}

void WriteJsonLine(std::FILE* out, const char* path, const Group& group) {
  WriteText(out, "{\"file\":");
  WriteJsonString(out, path);
  WriteText(out, ",\"description\":");
  if (group.has_description) {
    WriteJsonString(out, group.description);
  } else {
    WriteText(out, "null");
  }
  WriteJsonInteger(out, "players", group.players);
  WriteJsonInteger(out, "empath",
                   group.empath ? std::optional<int>(*group.empath + 1) : std::nullopt);
  WriteJsonInteger(out, "driver",
                   group.driver ? std::optional<int>(*group.driver + 1) : std::nullopt);
  WriteJsonNumber(out, "s_e", group.s_e);
  WriteJsonNumber(out, "determinant", group.determinant);
  WriteJsonNumber(out, "condition", group.condition);
  WriteJsonNumber(out, "log_condition", group.log_condition);
  WriteJsonInteger(out, "near_ties", group.near_ties);
  WriteJsonInteger(out, "warnings", group.warnings);
  WriteText(out, ",\"status\":");
  WriteJsonString(out, StatusName(group.status));
  WriteText(out, ",\"message\":");
  WriteJsonString(out, group.message);
  const int n = group.players.value_or(0);
  const int empath = group.empath.value_or(-1);
  WriteJsonArray(out, "column_sums", group.has_sums, group.column_sums, n, -1);
  WriteJsonArray(out, "row_sums", group.has_sums, group.row_sums, n, -1);
  WriteJsonArray(out, "weights", group.has_weights, group.weights, n, empath);
  WriteText(out, "}\n");
}
