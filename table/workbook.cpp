// The table as an Office Open XML workbook, written by libxlsxwriter. Its
// cells are held until the end, when the workbook is put together: its texts
// go into the shared strings, which every reader takes as Excel writes them
// (openpyxl, for one, reads "_x005F_" back as "_" there only, not in the
// inline strings of the library's constant-memory mode). A sheet holds at
// most 1,048,576 rows, which bounds the memory. The same table gives the
// same bytes on every system: the document's creation time and the zip
// entries' times are fixed.
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "table/table.h"
#include "text/utf8.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The document's creation time: 1980-01-01T00:00:00Z, the zip entries' time.
constexpr time_t kCreated = 315532800;

// A column's width in characters: its longest text, up to kWidestColumn.
constexpr double kWidestColumn = 60;
constexpr double kColumnMargin = 1;

// Room for the shortest text of any double.
constexpr int kNumberCapacity = 32;

// One sheet being written: the cell written next, row by row, and its
// columns' widths.
struct Sheet {
  lxw_worksheet* worksheet = nullptr;
  lxw_row_t next = 1;    // row 0 is the header
  lxw_col_t column = 0;  // in the row next
  std::vector<size_t> widths;

  // Go on to the next row's first cell.
  void EndRow() {
    ++next;
    column = 0;
  }
};

// Return the number of characters text shows: its UTF-8 lead bytes.
size_t Characters(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

// Return text as a workbook holds it verbatim. A cell's text reads
// "_xHHHH_" as the UTF-16 unit HHHH, so such a run keeps its underscore as
// "_x005F_"; U+FFFE and U+FFFF, which XML cannot hold, are written so too.
// (The library writes the control characters so.)
std::string Verbatim(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const bool unit = text.compare(i, 2, "_x") == 0 && i + 6 < text.size() && text[i + 6] == '_' &&
                      std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 2,
                                  text.begin() + static_cast<std::ptrdiff_t>(i) + 6, [](char c) {
                                    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                                  });
    if (unit) {
      out += "_x005F_";
    } else if (text.compare(i, 3, "\xEF\xBF\xBE") == 0 || text.compare(i, 3, "\xEF\xBF\xBF") == 0) {
      out += text[i + 2] == '\xBE' ? "_xFFFE_" : "_xFFFF_";
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

struct Workbook {
  std::string path;       // where the workbook will stand
  std::string temporary;  // where it is written until it is complete
  lxw_workbook* book = nullptr;
  Sheet groups, players, diagnostics;
  lxw_error error = LXW_NO_ERROR;  // the first failure

  // Remember the first failure of a call into the library.
  void Check(lxw_error result) {
    if (error == LXW_NO_ERROR) {
      error = result;
    }
  }

  // Write text as sheet's next cell: a text cell, empty when text is.
  void Text(Sheet* sheet, const std::string& text) {
    const lxw_col_t column = sheet->column++;
    sheet->widths[column] = std::max(sheet->widths[column], Characters(text));
    if (!text.empty()) {
      Check(worksheet_write_string(sheet->worksheet, sheet->next, column, Verbatim(text).c_str(),
                                   nullptr));
    }
  }

  // Write value as a number, the CSV's text of an infinity, or nothing for
  // a figure that does not exist or is not a number.
  void Number(Sheet* sheet, const std::optional<double>& value) {
    if (!value || std::isnan(*value)) {
      ++sheet->column;
      return;
    }
    char text[kNumberCapacity];
    const std::to_chars_result result = numbers::ToChars(text, text + sizeof text, *value);
    const std::string shown(text, result.ptr);
    if (std::isinf(*value)) {
      Text(sheet, shown);
      return;
    }
    const lxw_col_t column = sheet->column++;
    sheet->widths[column] = std::max(sheet->widths[column], shown.size());
    Check(worksheet_write_number(sheet->worksheet, sheet->next, column, *value, nullptr));
  }

  void Integer(Sheet* sheet, const std::optional<long long>& value) {
    const lxw_col_t column = sheet->column++;
    if (value) {
      const std::string shown = std::to_string(*value);
      sheet->widths[column] = std::max(sheet->widths[column], shown.size());
      Check(worksheet_write_number(sheet->worksheet, sheet->next, column,
                                   static_cast<double>(*value), nullptr));
    }
  }

  void Boolean(Sheet* sheet, bool value) {
    const lxw_col_t column = sheet->column++;
    sheet->widths[column] = std::max(sheet->widths[column], value ? sizeof "TRUE" : sizeof "FALSE");
    Check(worksheet_write_boolean(sheet->worksheet, sheet->next, column, value ? 1 : 0, nullptr));
  }
};

namespace {

// Add a sheet named name with the header row columns, separated by commas.
Sheet AddSheet(Workbook* workbook, const char* name, const std::string& columns) {
  Sheet sheet;
  sheet.worksheet = workbook_add_worksheet(workbook->book, name);
  if (sheet.worksheet == nullptr) {
    workbook->Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    return sheet;
  }
  size_t start = 0;
  for (lxw_col_t column = 0; start <= columns.size(); ++column) {
    const size_t comma = std::min(columns.find(',', start), columns.size());
    const std::string header = columns.substr(start, comma - start);
    sheet.widths.push_back(header.size());
    workbook->Check(worksheet_write_string(sheet.worksheet, 0, column, header.c_str(), nullptr));
    start = comma + 1;
  }
  worksheet_freeze_panes(sheet.worksheet, 1, 0);
  return sheet;
}

// Filter sheet's header row over its rows, and size its columns.
void FinishSheet(Workbook* workbook, Sheet* sheet) {
  const auto last = static_cast<lxw_col_t>(sheet->widths.size() - 1);
  workbook->Check(worksheet_autofilter(sheet->worksheet, 0, 0, sheet->next - 1, last));
  for (lxw_col_t column = 0; column <= last; ++column) {
    const double width =
        std::min(kWidestColumn, static_cast<double>(sheet->widths[column])) + kColumnMargin;
    workbook->Check(worksheet_set_column(sheet->worksheet, column, column, width, nullptr));
  }
}

// Return the line and the column of a diagnostic's place, "NAME:LINE:COLUMN",
// or zeros where it has none.
void LineAndColumn(const std::string& place, long long* line, long long* column) {
  *line = 0;
  *column = 0;
  const size_t last = place.rfind(':');
  const size_t before =
      last == std::string::npos || last == 0 ? std::string::npos : place.rfind(':', last - 1);
  if (before == std::string::npos) {
    return;
  }
  const char* text = place.data();
  (void)std::from_chars(text + before + 1, text + last, *line);
  (void)std::from_chars(text + last + 1, text + place.size(), *column);
}

// Return the name of a temporary file beside path, which this process alone
// writes.
std::string TemporaryBeside(const std::string& path) {
#if defined(_WIN32)
  const int process = _getpid();
#else
  const int process = static_cast<int>(getpid());
#endif
  return path + "." + std::to_string(process) + ".partial";
}

// Put the file at from in the place of the file at to. Return false, errno
// set, when it cannot.
bool Replace(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) {
    errno = EACCES;
    return false;
  }
  return true;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

void WorkbookEnd::operator()(Workbook* workbook) const {
  if (workbook->book != nullptr) {
    // Closing writes the file; it is then removed.
    (void)workbook_close(workbook->book);
  }
  (void)std::remove(workbook->temporary.c_str());
  delete workbook;
}

WorkbookWriter BeginWorkbook(const char* path, bool perturbed, std::string* reason) {
  WorkbookWriter workbook(new Workbook);
  workbook->path = path;
  workbook->temporary = TemporaryBeside(path);
  // The library opens its file only when it closes the workbook: the
  // temporary file is made now, so that a folder that cannot hold it is
  // said before any file is analysed.
  errno = 0;
  std::FILE* file = std::fopen(workbook->temporary.c_str(), "wb");
  if (file == nullptr || std::fclose(file) != 0) {
    *reason = SystemReason(errno);
    return nullptr;
  }
  workbook->book = workbook_new(workbook->temporary.c_str());
  if (workbook->book == nullptr) {
    *reason = "out of memory";
    return nullptr;
  }
  lxw_doc_properties properties = {};
  properties.created = kCreated;
  workbook->Check(workbook_set_properties(workbook->book, &properties));
  workbook->groups = AddSheet(workbook.get(), "groups", Columns(false, perturbed));
  workbook->players = AddSheet(workbook.get(), "players", Columns(true, perturbed));
  workbook->diagnostics =
      AddSheet(workbook.get(), "diagnostics", "file,line,column,severity,message");
  return workbook;
}

void AddToWorkbook(Workbook* workbook, const std::string& file, const Group& group) {
  if (WorkbookFailed(*workbook)) {
    return;
  }
  const Analysis& analysis = group.analysis;
  const bool ranked = Ranked(group);
  const auto ranked_integer = [ranked](long long value) {
    return ranked ? std::optional<long long>(value) : std::nullopt;
  };
  const auto ranked_number = [ranked](double value) {
    return ranked ? std::optional<double>(value) : std::nullopt;
  };
  Sheet* sheet = &workbook->groups;
  workbook->Text(sheet, file);
  workbook->Text(sheet, group.description);
  workbook->Integer(sheet, group.players);
  workbook->Integer(sheet, ranked_integer(analysis.empath.player + 1));
  workbook->Integer(sheet, ranked_integer(analysis.driver.player + 1));
  workbook->Number(sheet, analysis.s_e);
  workbook->Number(sheet, analysis.determinant);
  workbook->Number(sheet, analysis.condition);
  workbook->Number(sheet, analysis.log_condition);
  workbook->Integer(sheet, ranked_integer(analysis.empath.near_ties + analysis.driver.near_ties));
  workbook->Number(sheet, ranked_number(analysis.empath.margin));
  workbook->Number(sheet, ranked_number(analysis.driver.margin));
  workbook->Integer(sheet, group.warnings);
  workbook->Text(sheet, StatusName(group));
  workbook->Text(sheet, group.message);
  if (group.perturbed) {
    const DrawnFigures drawn = Drawn(group);
    workbook->Integer(sheet, drawn.draws);
    for (const std::optional<double>& figure :
         {drawn.empath_share, drawn.driver_share, drawn.singular_share, drawn.s_e_low,
          drawn.s_e_median, drawn.s_e_high}) {
      workbook->Number(sheet, figure);
    }
  }
  sheet->EndRow();

  sheet = &workbook->players;
  for (int p = 0; ranked && p < analysis.n; ++p) {
    const bool empath = p == analysis.empath.player;
    workbook->Text(sheet, file);
    workbook->Integer(sheet, p + 1);
    workbook->Number(sheet, analysis.column_sums[p]);
    workbook->Number(sheet, analysis.row_sums[p]);
    workbook->Number(sheet, analysis.has_weights && !empath
                                ? std::optional<double>(Weight(analysis, p))
                                : std::nullopt);
    workbook->Boolean(sheet, empath);
    workbook->Boolean(sheet, p == analysis.driver.player);
    if (group.perturbed) {
      workbook->Number(sheet, PlayerShare(group, p, false));
      workbook->Number(sheet, PlayerShare(group, p, true));
    }
    sheet->EndRow();
  }

  sheet = &workbook->diagnostics;
  for (const Said& said : group.said) {
    long long line = 0;
    long long column = 0;
    LineAndColumn(said.place, &line, &column);
    workbook->Text(sheet, file);
    workbook->Integer(sheet, line > 0 ? std::optional<long long>(line) : std::nullopt);
    workbook->Integer(sheet, line > 0 ? std::optional<long long>(column) : std::nullopt);
    workbook->Text(sheet, SeverityName(said.severity));
    workbook->Text(sheet, AsUtf8(said.text));
    sheet->EndRow();
  }
}

bool WorkbookFailed(const Workbook& workbook) { return workbook.error != LXW_NO_ERROR; }

bool EndWorkbook(Workbook* workbook, std::string* reason) {
  if (!WorkbookFailed(*workbook)) {
    FinishSheet(workbook, &workbook->groups);
    FinishSheet(workbook, &workbook->players);
    FinishSheet(workbook, &workbook->diagnostics);
  }
  if (WorkbookFailed(*workbook)) {
    *reason = lxw_strerror(workbook->error);
    return false;
  }
  const lxw_error closed = workbook_close(workbook->book);
  workbook->book = nullptr;
  if (closed != LXW_NO_ERROR) {
    *reason = lxw_strerror(closed);
    return false;
  }
  errno = 0;
  if (!Replace(workbook->temporary, workbook->path)) {
    *reason = SystemReason(errno);
    return false;
  }
  return true;
}
