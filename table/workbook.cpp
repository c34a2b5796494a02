// The table as an Office Open XML workbook, written by libxlsxwriter. Its
// cells are held until the end, when the workbook is put together: its texts
// go into the shared strings, which every reader takes as Excel writes them
// (openpyxl, for one, reads "_x005F_" back as "_" there only, not in the
// inline strings of the library's constant-memory mode). A sheet holds at
// most 1,048,576 rows, which bounds the memory. The same table gives the
// same bytes on every system: the document's creation time and the zip
// entries' times are fixed.
#include <sys/stat.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "table/table.h"
#include "text/utf8.h"
#if defined(_WIN32)
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <random>
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

// The lead bytes of the characters beyond U+FFFF, two UTF-16 units each.
constexpr unsigned char kFourByteLead = 0xF0;

// Return the length of the first characters of text, valid UTF-8, that take
// at most most UTF-16 units; its whole size when all of them do.
size_t UnitsPrefix(const std::string& text, long long most) {
  long long units = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsContinuation(text[i])) {
      continue;
    }
    units += static_cast<unsigned char>(text[i]) >= kFourByteLead ? 2 : 1;
    if (units > most) {
      return i;
    }
  }
  return text.size();
}

// Return the name of column in a sheet's references: A to Z, then AA on.
std::string ColumnName(unsigned column) {
  constexpr unsigned kLetters = 26;
  std::string name;
  for (unsigned c = column + 1; c > 0; c = (c - 1) / kLetters) {
    name.insert(name.begin(), static_cast<char>('A' + (c - 1) % kLetters));
  }
  return name;
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
  std::string path;       // where the workbook will stand, "-" for standard output
  std::string folder;     // the private folder of the temporary
  std::string temporary;  // where it is written until it is complete
  FileIdentity identity;  // of the file that stands at path
  lxw_workbook* book = nullptr;
  Sheet groups, players, diagnostics;
  lxw_error error = LXW_NO_ERROR;  // the first failure
  std::string refusal;             // why, when it is no failure of the library
  // The texts of the file being added that were cut: what each is, and the
  // first cell it was cut in.
  std::vector<std::pair<std::string, std::string>> cuts;

  // Remember the first failure of a call into the library.
  void Check(lxw_error result) {
    if (error == LXW_NO_ERROR) {
      error = result;
    }
  }

  // Write text as sheet's next cell: a text cell, empty when text is. A text
  // longer than a cell holds is cut, ends in kCutMark, and what it is
  // (what, "the description") is noted with the cell's reference.
  void Text(Sheet* sheet, const std::string& text, const char* what = "a text") {
    const lxw_col_t column = sheet->column++;
    sheet->widths[column] = std::max(sheet->widths[column], Characters(text));
    if (text.empty()) {
      return;
    }
    std::string shown = Verbatim(text);
    if (UnitsPrefix(shown, kMostCellCharacters) < shown.size()) {
      // A prefix of the verbatim text never ends in a new "_xHHHH_".
      shown.resize(UnitsPrefix(shown, kMostCellCharacters - 1));
      shown += kCutMark;
      const bool noted = std::any_of(cuts.begin(), cuts.end(),
                                     [what](const auto& cut) { return cut.first == what; });
      if (!noted) {
        cuts.emplace_back(what, std::string(SheetName(sheet)) + "!" + ColumnName(column) +
                                    std::to_string(sheet->next + 1));
      }
    }
    Check(worksheet_write_string(sheet->worksheet, sheet->next, column, shown.c_str(), nullptr));
  }

  // Return the name of sheet.
  const char* SheetName(const Sheet* sheet) const {
    return sheet == &groups ? "groups" : sheet == &players ? "players" : "diagnostics";
  }

  // Refuse to add rows rows to sheet when they would pass its most rows,
  // with the way out. Return true when they fit.
  bool Fit(const Sheet& sheet, long long rows, const std::string& file, const char* way_out) {
    const long long last = static_cast<long long>(sheet.next) + rows;
    if (last <= kMostSheetRows) {
      return true;
    }
    Check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
    refusal = std::string("the sheet ") + SheetName(&sheet) + " would pass " +
              std::to_string(kMostSheetRows) + " rows, a sheet's most: with the file '" +
              Escaped(file) + "' it would have " + std::to_string(last) +
              "; give the files to several workbooks, or " + way_out;
    return false;
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

// Return the folder that holds path: what comes before its last slash
// ("." when it has none, "/" for a file in the root).
std::string FolderOf(const std::string& path) {
#if defined(_WIN32)
  const size_t slash = path.find_last_of("/\\:");
#else
  const size_t slash = path.rfind('/');
#endif
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Return the system's folder for temporary files.
std::string TemporaryFolder() {
#if defined(_WIN32)
  const char* folder = std::getenv("TEMP");
  return folder != nullptr && *folder != '\0' ? folder : ".";
#else
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
#endif
}

// Make a new folder in folder that its owner alone may enter, with a name
// of its own; created exclusively, it is no link that another planted.
// Return its name, or empty with errno set when it cannot be made.
std::string MakePrivateFolder(const std::string& folder) {
  const std::string prefix = folder + (folder.back() == '/' ? "" : "/") + ".kelvarin-";
#if defined(_WIN32)
  std::random_device random;
  constexpr int kTries = 100;
  for (int t = 0; t < kTries; ++t) {
    char suffix[2 * sizeof(unsigned) + 1];
    (void)std::snprintf(suffix, sizeof suffix, "%08x", random());
    const std::string name = prefix + suffix;
    if (_mkdir(name.c_str()) == 0) {
      return name;
    }
    if (errno != EEXIST) {
      return "";
    }
  }
  return "";
#else
  std::string name = prefix + "XXXXXX";
  if (mkdtemp(name.data()) == nullptr) {
    return "";
  }
  return name;  // moved: nothing to allocate once the folder is made
#endif
}

// Return why what stands at path may not be replaced by a workbook, empty
// when nothing does or it is a regular file; identity gets the file's.
std::string Unreplaceable(const char* path, FileIdentity* identity) {
#if defined(_WIN32)
  struct _stat64 status = {};
  if (_stat64(path, &status) != 0) {
    return errno == ENOENT ? "" : SystemReason(errno);
  }
  const bool regular = (status.st_mode & _S_IFMT) == _S_IFREG;
  (void)identity;  // Windows gives no inode: names are not compared there.
#else
  struct stat status = {};
  if (lstat(path, &status) != 0) {
    return errno == ENOENT ? "" : SystemReason(errno);
  }
  if (S_ISLNK(status.st_mode)) {
    return "it is a symbolic link, and only a regular file is replaced";
  }
  if (S_ISDIR(status.st_mode)) {
    return SystemReason(EISDIR);
  }
  if (S_ISFIFO(status.st_mode)) {
    return "it is a FIFO, and only a regular file is replaced";
  }
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
    return "it is a device, and only a regular file is replaced";
  }
  const bool regular = S_ISREG(status.st_mode);
  identity->known = true;
  identity->device = static_cast<unsigned long long>(status.st_dev);
  identity->inode = static_cast<unsigned long long>(status.st_ino);
#endif
  return regular ? "" : "it is not a regular file, and only a regular file is replaced";
}

// Remove the workbook's temporary file and its folder.
void Discard(Workbook* workbook) {
  ForgetTemporary();
  if (!workbook->folder.empty()) {
    (void)std::remove(workbook->temporary.c_str());
#if defined(_WIN32)
    (void)_rmdir(workbook->folder.c_str());
#else
    (void)rmdir(workbook->folder.c_str());
#endif
    workbook->folder.clear();
  }
}

// Copy the file at from to standard output. Return false, errno set, when
// it cannot.
bool CopyToOutput(const std::string& from) {
#if defined(_WIN32)
  (void)_setmode(_fileno(stdout), _O_BINARY);
#endif
  std::FILE* file = std::fopen(from.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  constexpr size_t kBlock = 1 << 16;
  std::vector<char> block(kBlock);
  size_t read = 0;
  bool written = true;
  while (written && (read = std::fread(block.data(), 1, block.size(), file)) > 0) {
    written = std::fwrite(block.data(), 1, read, stdout) == read;
  }
  const bool complete = std::ferror(file) == 0;
  (void)std::fclose(file);  // Opened for reading only.
  return written && complete && std::fflush(stdout) == 0;
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

bool IsWorkbookName(const char* path) {
  const std::string name = path;
  constexpr size_t kSuffix = sizeof ".xlsx" - 1;
  if (name == "-") {
    return true;
  }
  if (name.size() <= kSuffix) {
    return false;
  }
  std::string suffix = name.substr(name.size() - kSuffix);
  for (char& c : suffix) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return suffix == ".xlsx";
}

FileIdentity IdentityOf(const char* path) {
  FileIdentity identity;
#if !defined(_WIN32)
  // Windows gives no inode: names are not compared there.
  struct stat status = {};
  const bool found =
      std::strcmp(path, "-") == 0 ? fstat(STDIN_FILENO, &status) == 0 : stat(path, &status) == 0;
  if (found) {
    identity.known = true;
    identity.device = static_cast<unsigned long long>(status.st_dev);
    identity.inode = static_cast<unsigned long long>(status.st_ino);
  }
#else
  (void)path;
#endif
  return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

FileIdentity WorkbookIdentity(const Workbook& workbook) { return workbook.identity; }

void WorkbookEnd::operator()(Workbook* workbook) const {
  if (workbook->book != nullptr) {
    // Freed unwritten.
    lxw_workbook_free(workbook->book);
  }
  Discard(workbook);
  delete workbook;
}

WorkbookWriter BeginWorkbook(const char* path, bool perturbed, std::string* reason) {
  WorkbookWriter workbook(new Workbook);
  workbook->path = path;
  const bool to_output = workbook->path == "-";
  errno = 0;
  if (!to_output) {
    *reason = Unreplaceable(path, &workbook->identity);
    if (!reason->empty()) {
      return nullptr;
    }
  }
  // The library opens its file by name, when it closes the workbook: the
  // name is in a folder of this process's own, made now, so that a folder
  // that cannot hold it is said before any file is analysed. Its names are
  // short: any name of the workbook that the system takes works.
  errno = 0;
  // Moved into the workbook at once, the folder is removed with it whatever
  // fails next.
  workbook->folder = MakePrivateFolder(to_output ? TemporaryFolder() : FolderOf(path));
  if (workbook->folder.empty()) {
    *reason = SystemReason(errno);
    return nullptr;
  }
  workbook->temporary = workbook->folder + "/t.xlsx";
  if (!RegisterTemporary(workbook->temporary, workbook->folder)) {
    *reason = SystemReason(ENAMETOOLONG);
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
  // A sheet that would pass its most rows is refused before its rows are
  // had; the diagnostics sheet may also get a row for each kind of text cut.
  constexpr long long kKindsCut = 4;
  workbook->cuts.clear();
  if (!workbook->Fit(workbook->groups, 1, file, "write the table as CSV") ||
      !workbook->Fit(workbook->players, ranked ? analysis.n : 0, file,
                     "write the table as CSV (--players)") ||
      !workbook->Fit(workbook->diagnostics, static_cast<long long>(group.said.size()) + kKindsCut,
                     file,
                     "write the table as JSON Lines (--json), whose lines hold the diagnostics")) {
    return;
  }
  Sheet* sheet = &workbook->groups;
  workbook->Text(sheet, file, "the file's name");
  workbook->Text(sheet, group.description, "the description");
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
  workbook->Text(sheet, group.message, "the message");
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
    workbook->Text(sheet, file, "the file's name");
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
    workbook->Text(sheet, file, "the file's name");
    workbook->Integer(sheet, line > 0 ? std::optional<long long>(line) : std::nullopt);
    workbook->Integer(sheet, line > 0 ? std::optional<long long>(column) : std::nullopt);
    workbook->Text(sheet, SeverityName(said.severity));
    workbook->Text(sheet, AsUtf8(said.text), "a diagnostic");
    sheet->EndRow();
  }
  // Each text cut says so once, at the first cell it was cut in.
  const std::vector<std::pair<std::string, std::string>> cuts = std::move(workbook->cuts);
  workbook->cuts.clear();
  for (const auto& [what, cell] : cuts) {
    workbook->Text(sheet, file, "the file's name");
    workbook->Integer(sheet, std::nullopt);
    workbook->Integer(sheet, std::nullopt);
    workbook->Text(sheet, SeverityName(Severity::kWarning));
    std::string said = what;
    said += " is cut to " + std::to_string(kMostCellCharacters) + " characters, a cell's most, in ";
    said += cell;
    said += " and wherever else it stands; it ends in ";
    said += kCutMark;
    said += ", and the CSV holds it whole";
    workbook->Text(sheet, said);
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
    *reason = workbook->refusal.empty() ? lxw_strerror(workbook->error) : workbook->refusal;
    Discard(workbook);
    return false;
  }
  const lxw_error closed = workbook_close(workbook->book);
  workbook->book = nullptr;
  if (closed != LXW_NO_ERROR) {
    *reason = lxw_strerror(closed);
    Discard(workbook);
    return false;
  }
  // A stop signal during the writing: nothing is put in place.
  if (StopSignal() != 0) {
    *reason = "interrupted";
    Discard(workbook);
    return false;
  }
  errno = 0;
  const bool placed = workbook->path == "-" ? CopyToOutput(workbook->temporary)
                                            : Replace(workbook->temporary, workbook->path);
  if (!placed) {
    *reason = SystemReason(errno);
  }
  Discard(workbook);
  return placed;
}
