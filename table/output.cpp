// The table's two forms: CSV as RFC 4180 writes it (a header row, a comma
// between fields, quotes only where a field needs them) and JSON Lines. Text
// is always valid UTF-8, and numbers are the shortest text that reads back to
// the same double; a figure that is not a number is never written as one.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "numbers/numbers.h"
#include "table/table.h"
#include "text/utf8.h"

const char* const kFileColumns =
    "file,description,players,empath,driver,s_e,determinant,condition,log_condition,"
    "near_ties,empath_margin,driver_margin,warnings,status,message";
const char* const kPlayerColumns = "file,player,column_sum,row_sum,weight,is_empath,is_driver";

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
    case Status::kNotFinite:
      return "not_finite";
    case Status::kError:
      break;
  }
  return "error";
}

void WriteText(std::FILE* out, const char* text) { std::fputs(text, out); }

// From 2^53 up a double is always a whole number, and its shortest text may
// be plain digits ("99999998664856829952"), which a reader takes for an
// integer, one that can be too wide for 64 bits (pandas' JSON reader refuses
// it); from there on a number is written with an exponent.
constexpr double kWholeNumbers = 9007199254740992.0;

// Write value as std::to_chars writes it without a precision, with an
// exponent from 2^53 up: "inf" for an infinite condition number, as R and
// pandas read it.
void WriteNumber(std::FILE* out, double value) {
  char text[kNumberCapacity];
  const std::to_chars_result result =
      std::fabs(value) >= kWholeNumbers
          ? numbers::ToChars(text, text + sizeof text, value, numbers::Form::kScientific)
          : numbers::ToChars(text, text + sizeof text, value);
  std::fwrite(text, 1, static_cast<size_t>(result.ptr - text), out);
}

void WriteInteger(std::FILE* out, long long value) {
  char text[kNumberCapacity];
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  std::fwrite(text, 1, static_cast<size_t>(result.ptr - text), out);
}

// Return true when a CSV field must be quoted: it holds a comma, a quote or
// a control byte other than tab (a line end among them).
bool NeedsQuotes(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == ',' || byte == '"' || (byte < kBlank && byte != '\t') || byte == kDelete;
  });
}

// Write a comma, then the figure, or nothing when it does not exist or is
// not a number.
void WriteCsvNumber(std::FILE* out, const std::optional<double>& value) {
  std::putc(',', out);
  if (value && !std::isnan(*value)) {
    WriteNumber(out, *value);
  }
}

void WriteCsvInteger(std::FILE* out, const std::optional<long long>& value) {
  std::putc(',', out);
  if (value) {
    WriteInteger(out, *value);
  }
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

void WriteJsonInteger(std::FILE* out, const char* key, const std::optional<long long>& value) {
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

// The figures of group that exist only once it is analysed.
std::optional<long long> Player(const Group& group, int player) {
  return group.analysed ? std::optional<long long>(player + 1) : std::nullopt;
}

std::optional<double> Figure(const Group& group, double value) {
  return group.analysed ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

void WriteCsvField(std::FILE* out, const std::string& text) {
  const std::string utf8 = AsUtf8(text);
  if (!NeedsQuotes(utf8)) {
    std::fwrite(utf8.data(), 1, utf8.size(), out);
    return;
  }
  std::putc('"', out);
  for (const char c : utf8) {
    if (c == '"') {
      std::putc('"', out);
    }
    std::putc(c, out);
  }
  std::putc('"', out);
}

void WriteJsonString(std::FILE* out, const std::string& text) {
  std::putc('"', out);
  for (const char c : AsUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      std::putc('\\', out);
      std::putc(byte, out);
    } else if (byte == '\n') {
      WriteText(out, "\\n");
    } else if (byte == '\r') {
      WriteText(out, "\\r");
    } else if (byte == '\t') {
      WriteText(out, "\\t");
    } else if (byte < kBlank) {
      char escaped[] = "\\u00HH";
      WriteHex(byte, escaped + 4);
      std::fwrite(escaped, 1, sizeof escaped - 1, out);
    } else {
      std::putc(byte, out);
    }
  }
  std::putc('"', out);
}

void WriteFileHeader(std::FILE* out) {
  WriteText(out, kFileColumns);
  std::putc('\n', out);
}

void WriteFileRow(std::FILE* out, const char* path, const Group& group) {
  const Figures& figures = group.figures;
  WriteCsvField(out, path);
  std::putc(',', out);
  WriteCsvField(out, group.description);
  WriteCsvInteger(out, group.players);
  // The report names the players from 1.
  WriteCsvInteger(out, Player(group, figures.empath));
  WriteCsvInteger(out, Player(group, figures.driver));
  WriteCsvNumber(out, figures.s_e);
  WriteCsvNumber(out, figures.determinant);
  WriteCsvNumber(out, figures.condition);
  WriteCsvNumber(out, figures.log_condition);
  WriteCsvInteger(out, group.analysed ? std::optional<long long>(figures.near_ties) : std::nullopt);
  WriteCsvNumber(out, Figure(group, figures.empath_margin));
  WriteCsvNumber(out, Figure(group, figures.driver_margin));
  WriteCsvInteger(out, group.warnings);
  std::putc(',', out);
  WriteText(out, StatusName(group.status));
  std::putc(',', out);
  WriteCsvField(out, group.message);
  std::putc('\n', out);
}

void WritePlayerHeader(std::FILE* out) {
  WriteText(out, kPlayerColumns);
  std::putc('\n', out);
}

void WritePlayerRows(std::FILE* out, const char* path, const Group& group) {
  if (!group.analysed) {
    return;
  }
  const Figures& figures = group.figures;
  for (int p = 0; p < figures.n; ++p) {
    const bool empath = p == figures.empath;
    WriteCsvField(out, path);
    WriteCsvInteger(out, p + 1);
    WriteCsvNumber(out, figures.column_sums[p]);
    WriteCsvNumber(out, figures.row_sums[p]);
    WriteCsvNumber(out, figures.has_weights && !empath ? std::optional<double>(figures.weights[p])
                                                       : std::nullopt);
    WriteText(out, empath ? ",TRUE" : ",FALSE");
    WriteText(out, p == figures.driver ? ",TRUE\n" : ",FALSE\n");
  }
}

void WriteJsonLine(std::FILE* out, const char* path, const Group& group) {
  const Figures& figures = group.figures;
  WriteText(out, "{\"file\":");
  WriteJsonString(out, path);
  WriteText(out, ",\"description\":");
  if (group.has_description) {
    WriteJsonString(out, group.description);
  } else {
    WriteText(out, "null");
  }
  WriteJsonInteger(out, "players", group.players);
  WriteJsonInteger(out, "empath", Player(group, figures.empath));
  WriteJsonInteger(out, "driver", Player(group, figures.driver));
  WriteJsonNumber(out, "s_e", figures.s_e);
  WriteJsonNumber(out, "determinant", figures.determinant);
  WriteJsonNumber(out, "condition", figures.condition);
  WriteJsonNumber(out, "log_condition", figures.log_condition);
  WriteJsonInteger(out, "near_ties",
                   group.analysed ? std::optional<long long>(figures.near_ties) : std::nullopt);
  WriteJsonNumber(out, "empath_margin", Figure(group, figures.empath_margin));
  WriteJsonNumber(out, "driver_margin", Figure(group, figures.driver_margin));
  WriteJsonInteger(out, "warnings", group.warnings);
  WriteText(out, ",\"status\":");
  WriteJsonString(out, StatusName(group.status));
  WriteText(out, ",\"message\":");
  WriteJsonString(out, group.message);
  WriteText(out, ",\"diagnostics\":[");
  for (size_t i = 0; i < group.diagnostics.size(); ++i) {
    if (i > 0) {
      std::putc(',', out);
    }
    WriteJsonString(out, group.diagnostics[i]);
  }
  std::putc(']', out);
  const int n = group.analysed ? figures.n : 0;
  WriteJsonArray(out, "column_sums", group.analysed, figures.column_sums, n, -1);
  WriteJsonArray(out, "row_sums", group.analysed, figures.row_sums, n, -1);
  WriteJsonArray(out, "weights", figures.has_weights, figures.weights, n, figures.empath);
  WriteText(out, "}\n");
}

void WriteRows(std::FILE* out, Form form, const char* path, const Group& group) {
  switch (form) {
    case Form::kFiles:
      WriteFileRow(out, path, group);
      break;
    case Form::kPlayers:
      WritePlayerRows(out, path, group);
      break;
    case Form::kJson:
      WriteJsonLine(out, path, group);
      break;
  }
}
