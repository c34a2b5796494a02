// The table's two formats: CSV as RFC 4180 writes it (a header row, a comma
// between fields, quotes only where a field needs them) and JSON Lines. Text
// is always valid UTF-8: the group's is, and a file's name is made so once
// for its rows. Numbers are the shortest text that reads back to the same
// double; a figure that is not a number is never written as one.
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
const char* const kPerturbedFileColumns =
    "draws,empath_share,driver_share,singular_share,s_e_low,s_e_median,s_e_high";
const char* const kPerturbedPlayerColumns = "empath_share,driver_share";

std::string Columns(bool players, bool perturbed) {
  std::string columns = players ? kPlayerColumns : kFileColumns;
  if (perturbed) {
    columns += ',';
    columns += players ? kPerturbedPlayerColumns : kPerturbedFileColumns;
  }
  return columns;
}

namespace {

// Room for the shortest text of any double ("-2.2250738585072014e-308").
constexpr int kShortestCapacity = 32;

// The control bytes: below the blank, and DEL.
constexpr unsigned char kBlank = 0x20;
constexpr unsigned char kDelete = 0x7F;

}  // namespace

// How the analysis ended, or "error" when the file could not be read or its
// figures could not be had.
const char* StatusName(Ending ending) {
  switch (ending) {
    case Ending::kComplete:
      return "ok";
    case Ending::kSingular:
      return "singular";
    case Ending::kNotFinite:
      return "not_finite";
    case Ending::kNoMemory:
    case Ending::kNotRead:
      break;
  }
  return "error";
}

const char* StatusName(const Group& group) { return StatusName(group.analysis.ending); }

bool Ranked(const Group& group) { return group.analysis.column_sums != nullptr; }

DrawnFigures Drawn(const Group& group) {
  DrawnFigures figures;
  if (!group.sureness) {
    return figures;
  }
  const Sureness& sureness = *group.sureness;
  const auto share = [&sureness](long long count) {
    return static_cast<double>(count) / static_cast<double>(sureness.draws);
  };
  figures.draws = sureness.draws;
  figures.empath_share = share(sureness.empath);
  figures.driver_share = share(sureness.driver);
  figures.singular_share = share(sureness.singular);
  figures.s_e_low = sureness.s_e_low;
  figures.s_e_median = sureness.s_e_median;
  figures.s_e_high = sureness.s_e_high;
  return figures;
}

std::optional<double> PlayerShare(const Group& group, int player, bool driver) {
  if (!group.sureness) {
    return std::nullopt;
  }
  const Sureness& sureness = *group.sureness;
  const std::vector<long long>& counts = driver ? sureness.drivers : sureness.empaths;
  return static_cast<double>(counts[static_cast<size_t>(player)]) /
         static_cast<double>(sureness.draws);
}

namespace {

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
  char text[kShortestCapacity];
  const std::to_chars_result result =
      std::fabs(value) >= kWholeNumbers
          ? numbers::ToChars(text, text + sizeof text, value, numbers::Form::kScientific)
          : numbers::ToChars(text, text + sizeof text, value);
  std::fwrite(text, 1, static_cast<size_t>(result.ptr - text), out);
}

void WriteInteger(std::FILE* out, long long value) {
  char text[kShortestCapacity];
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

// Write "key": and a JSON array of n entries: values in order, but null at
// entry skip, which takes no value, and for a value that is not finite; null
// alone when values is null.
void WriteJsonArray(std::FILE* out, const char* key, const double* values, int n, int skip) {
  std::fprintf(out, ",\"%s\":", key);
  if (values == nullptr) {
    WriteText(out, "null");
    return;
  }
  std::putc('[', out);
  for (int p = 0; p < n; ++p) {
    if (p > 0) {
      std::putc(',', out);
    }
    if (p != skip && std::isfinite(*values)) {
      WriteNumber(out, *values);
    } else {
      WriteText(out, "null");
    }
    values += p != skip ? 1 : 0;
  }
  std::putc(']', out);
}

// Write "key": and a JSON array of each player's share of group's draws as
// the empath (or the driver), or null when the draws were not made.
void WriteJsonShares(std::FILE* out, const char* key, const Group& group, bool driver) {
  std::fprintf(out, ",\"%s\":", key);
  if (!group.sureness) {
    WriteText(out, "null");
    return;
  }
  std::putc('[', out);
  for (int p = 0; p < group.analysis.n; ++p) {
    if (p > 0) {
      std::putc(',', out);
    }
    WriteNumber(out, *PlayerShare(group, p, driver));
  }
  std::putc(']', out);
}

std::optional<long long> Player(const Group& group, int player) {
  return Ranked(group) ? std::optional<long long>(player + 1) : std::nullopt;
}

std::optional<long long> NearTies(const Group& group) {
  const Analysis& analysis = group.analysis;
  return Ranked(group)
             ? std::optional<long long>(analysis.empath.near_ties + analysis.driver.near_ties)
             : std::nullopt;
}

std::optional<double> Figure(const Group& group, double value) {
  return Ranked(group) ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

std::string ShortestText(double value) {
  char text[kShortestCapacity];
  const std::to_chars_result result = numbers::ToChars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

void WriteCsvField(std::FILE* out, const std::string& text) {
  if (!NeedsQuotes(text)) {
    std::fwrite(text.data(), 1, text.size(), out);
    return;
  }
  std::putc('"', out);
  for (const char c : text) {
    if (c == '"') {
      std::putc('"', out);
    }
    std::putc(c, out);
  }
  std::putc('"', out);
}

void WriteJsonString(std::FILE* out, const std::string& text) {
  std::putc('"', out);
  for (const char c : text) {
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

void WriteFileHeader(std::FILE* out, bool perturbed) {
  WriteText(out, Columns(false, perturbed).c_str());
  std::putc('\n', out);
}

void WriteFileRow(std::FILE* out, const std::string& file, const Group& group) {
  const Analysis& analysis = group.analysis;
  WriteCsvField(out, file);
  std::putc(',', out);
  WriteCsvField(out, group.description);
  WriteCsvInteger(out, group.players);
  // The report names the players from 1.
  WriteCsvInteger(out, Player(group, analysis.empath.player));
  WriteCsvInteger(out, Player(group, analysis.driver.player));
  WriteCsvNumber(out, analysis.s_e);
  WriteCsvNumber(out, analysis.determinant);
  WriteCsvNumber(out, analysis.condition);
  WriteCsvNumber(out, analysis.log_condition);
  WriteCsvInteger(out, NearTies(group));
  WriteCsvNumber(out, Figure(group, analysis.empath.margin));
  WriteCsvNumber(out, Figure(group, analysis.driver.margin));
  WriteCsvInteger(out, group.warnings);
  std::putc(',', out);
  WriteText(out, StatusName(group));
  std::putc(',', out);
  WriteCsvField(out, group.message);
  if (group.perturbed) {
    const DrawnFigures drawn = Drawn(group);
    WriteCsvInteger(out, drawn.draws);
    for (const std::optional<double>& figure :
         {drawn.empath_share, drawn.driver_share, drawn.singular_share, drawn.s_e_low,
          drawn.s_e_median, drawn.s_e_high}) {
      WriteCsvNumber(out, figure);
    }
  }
  std::putc('\n', out);
}

void WritePlayerHeader(std::FILE* out, bool perturbed) {
  WriteText(out, Columns(true, perturbed).c_str());
  std::putc('\n', out);
}

void WritePlayerRows(std::FILE* out, const std::string& file, const Group& group) {
  if (!Ranked(group)) {
    return;
  }
  const Analysis& analysis = group.analysis;
  for (int p = 0; p < analysis.n; ++p) {
    const bool empath = p == analysis.empath.player;
    WriteCsvField(out, file);
    WriteCsvInteger(out, p + 1);
    WriteCsvNumber(out, analysis.column_sums[p]);
    WriteCsvNumber(out, analysis.row_sums[p]);
    WriteCsvNumber(out, analysis.has_weights && !empath ? std::optional<double>(Weight(analysis, p))
                                                        : std::nullopt);
    WriteText(out, empath ? ",TRUE" : ",FALSE");
    WriteText(out, p == analysis.driver.player ? ",TRUE" : ",FALSE");
    if (group.perturbed) {
      WriteCsvNumber(out, PlayerShare(group, p, false));
      WriteCsvNumber(out, PlayerShare(group, p, true));
    }
    std::putc('\n', out);
  }
}

void WriteJsonLine(std::FILE* out, const std::string& file, const Group& group) {
  const Analysis& analysis = group.analysis;
  WriteText(out, "{\"file\":");
  WriteJsonString(out, file);
  WriteText(out, ",\"description\":");
  if (group.has_description) {
    WriteJsonString(out, group.description);
  } else {
    WriteText(out, "null");
  }
  WriteJsonInteger(out, "players", group.players);
  WriteJsonInteger(out, "empath", Player(group, analysis.empath.player));
  WriteJsonInteger(out, "driver", Player(group, analysis.driver.player));
  WriteJsonNumber(out, "s_e", analysis.s_e);
  WriteJsonNumber(out, "determinant", analysis.determinant);
  WriteJsonNumber(out, "condition", analysis.condition);
  WriteJsonNumber(out, "log_condition", analysis.log_condition);
  WriteJsonInteger(out, "near_ties", NearTies(group));
  WriteJsonNumber(out, "empath_margin", Figure(group, analysis.empath.margin));
  WriteJsonNumber(out, "driver_margin", Figure(group, analysis.driver.margin));
  WriteJsonInteger(out, "warnings", group.warnings);
  WriteText(out, ",\"status\":");
  WriteJsonString(out, StatusName(group));
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
  WriteJsonArray(out, "column_sums", analysis.column_sums.get(), analysis.n, -1);
  WriteJsonArray(out, "row_sums", analysis.row_sums.get(), analysis.n, -1);
  WriteJsonArray(out, "weights", analysis.has_weights ? analysis.q->data : nullptr, analysis.n,
                 analysis.empath.player);
  if (group.perturbed) {
    const DrawnFigures drawn = Drawn(group);
    WriteJsonInteger(out, "draws", drawn.draws);
    WriteJsonNumber(out, "empath_share", drawn.empath_share);
    WriteJsonNumber(out, "driver_share", drawn.driver_share);
    WriteJsonNumber(out, "singular_share", drawn.singular_share);
    WriteJsonNumber(out, "s_e_low", drawn.s_e_low);
    WriteJsonNumber(out, "s_e_median", drawn.s_e_median);
    WriteJsonNumber(out, "s_e_high", drawn.s_e_high);
    WriteJsonShares(out, "empath_shares", group, false);
    WriteJsonShares(out, "driver_shares", group, true);
  }
  WriteText(out, "}\n");
}

void WriteRows(std::FILE* out, Layout layout, const char* path, const Group& group) {
  const std::string file = AsUtf8(path);
  switch (layout) {
    case Layout::kFileRows:
      WriteFileRow(out, file, group);
      break;
    case Layout::kPlayerRows:
      WritePlayerRows(out, file, group);
      break;
    case Layout::kJsonLines:
      WriteJsonLine(out, file, group);
      break;
  }
}
