// kelvarin-table's pieces: the analysis of one data file into a group of
// figures, and the writers of its rows as CSV rows per file, as CSV rows
// per player and as JSON lines. A file that cannot be read or analysed is
// never a failure of the table: its row says why.
#ifndef KELVARIN_TABLE_TABLE_H_
#define KELVARIN_TABLE_TABLE_H_

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/sureness.h"
#include "text/diagnostics.h"

// The name that the table's own diagnostic lines begin with.
constexpr const char* kTableProgram = "kelvarin-table";

// The table's layouts: a CSV row per file, a CSV row per player, a JSON line
// per file.
enum class Layout { kFileRows, kPlayerRows, kJsonLines };

// What the table says about one data file, its text in valid UTF-8 (see
// AsUtf8). A figure that does not exist for the file (a weight of a
// singular M, anything after a read error) is empty.
struct Group {
  bool has_description = false;  // line 1 was read
  std::string description;
  std::optional<long long> players;  // N, whenever it was read as a number that fits
  Analysis analysis;                 // of the file that was read
  int warnings = 0;                  // the reader's warnings about the data file
  // Why the row is not ok, or its first warning: the place and the text.
  std::string message;
  std::vector<std::string> diagnostics;  // every warning and error line
  std::vector<Said> said;                // the same, as said
  // The table is asked how sure the figures are (--perturb): its rows have
  // the columns of the draws, empty when the draws were not made.
  bool perturbed = false;
  std::optional<Sureness> sureness;  // the draws, made once the file's M was had
  bool stopped = false;              // a stop signal came before it was done
};

// Read the data file at path and analyse it as kelvarin does, with the same
// reader and the same analysis, into group; its messages call it name.
// With a perturbation, the file is then analysed again for each of its
// draws once its M is had (see Perturb). Nothing is printed: a failure
// becomes group->message. GSL's error handler must be off.
void AnalyseFile(const char* path, const char* name, const Perturbation* perturbation,
                 Group* group);

// Return true when group's row says ok: the file was read and its analysis
// complete.
bool IsOk(const Group& group);

// The columns of the table per file and of the table per player, in order,
// separated by commas, and those that follow them with --perturb.
extern const char* const kFileColumns;
extern const char* const kPlayerColumns;
extern const char* const kPerturbedFileColumns;
extern const char* const kPerturbedPlayerColumns;

// Return the columns of the table per file, or per player (players), with
// those of the draws when perturbed.
std::string Columns(bool players, bool perturbed);

// Write the CSV header row of the file table to out.
void WriteFileHeader(std::FILE* out, bool perturbed);

// Write the CSV row of group, read from the file named file (in valid
// UTF-8), to out.
void WriteFileRow(std::FILE* out, const std::string& file, const Group& group);

// Write the CSV header row of the player table to out.
void WritePlayerHeader(std::FILE* out, bool perturbed);

// Write a CSV row for each player of group, from file, to out; none when
// its figures were not found.
void WritePlayerRows(std::FILE* out, const std::string& file, const Group& group);

// Write group, from file, as one JSON object on a line of its own to out.
void WriteJsonLine(std::FILE* out, const std::string& file, const Group& group);

// Write group's rows in layout to out, the file's name path made valid UTF-8.
void WriteRows(std::FILE* out, Layout layout, const char* path, const Group& group);

// The figures of group that exist once its sums of squares are had: its
// leaders, their margins and their near ties (absent for a file in error).
bool Ranked(const Group& group);

// The figures of group's draws, in the order of the columns of --perturb,
// each empty when the draws were not made. A share is a count of draws over
// all of them.
struct DrawnFigures {
  std::optional<long long> draws;
  std::optional<double> empath_share;
  std::optional<double> driver_share;
  std::optional<double> singular_share;
  std::optional<double> s_e_low;
  std::optional<double> s_e_median;
  std::optional<double> s_e_high;
};
DrawnFigures Drawn(const Group& group);

// Return the share of group's draws in which player is the empath, or the
// driver when driver is true; empty when the draws were not made.
std::optional<double> PlayerShare(const Group& group, int player, bool driver);

// Return the status of group's row, or of an analysis that ended so: "ok",
// "singular", "not_finite" or "error".
const char* StatusName(const Group& group);
const char* StatusName(Ending ending);

// A workbook being written for --xlsx, in a temporary file beside the file
// it is for, which it replaces only once it is complete: a sheet "groups"
// with the table per file, "players" with the table per player and
// "diagnostics" with every warning and error of every file (file, line,
// column, severity, message). Numbers are numbers, with every digit of the
// double; is_empath and is_driver booleans; every text a text cell, never
// a formula, a date or a number; a figure that does not exist an empty
// cell, and an infinite one the CSV's text ("inf"). Each sheet's header row
// is frozen and filtered, and its columns as wide as their text.
struct Workbook;
// Drop a workbook that was not finished: its temporary file is removed.
struct WorkbookEnd {
  void operator()(Workbook* workbook) const;
};
using WorkbookWriter = std::unique_ptr<Workbook, WorkbookEnd>;

// The most rows of a sheet, its header row among them.
constexpr long long kMostSheetRows = 1048576;

// The most characters of a cell's text (UTF-16 units, as spreadsheets
// count them). A longer text is cut at a character's end and ends in
// kCutMark, and the diagnostics sheet says which cell was cut.
constexpr long long kMostCellCharacters = 32767;
constexpr const char* kCutMark = "\u2026";

// Return true when path is a workbook's name: it ends in ".xlsx", in any
// case, as spreadsheets require to open it, or it is "-", standard output.
bool IsWorkbookName(const char* path);

// A file as the system knows it, to tell whether two names name one file.
struct FileIdentity {
  bool known = false;  // the file exists, and the system tells files apart
  unsigned long long device = 0;
  unsigned long long inode = 0;
};

// Return the identity of the file at path, following a link, or of the file
// open as standard input when path is "-"; unknown when there is none.
FileIdentity IdentityOf(const char* path);

// Return true when a and b are known and are one file.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// Begin the workbook for the file at path ("-": standard output). Return
// null, with the reason in reason, when what stands at path is not a regular
// file (a folder, a device, a FIFO or a symbolic link is never replaced),
// or when its temporary file cannot be made: it is made in a private folder
// (created exclusively, readable by its owner alone, with a short name) in
// path's folder, or in the system's temporary folder for standard output.
// Its sheets have the columns of the draws when perturbed.
WorkbookWriter BeginWorkbook(const char* path, bool perturbed, std::string* reason);

// Return the identity of the file that stands at the workbook's path, if any.
FileIdentity WorkbookIdentity(const Workbook& workbook);

// Add group's rows, from file (valid UTF-8), to the workbook's sheets, unless
// an earlier addition failed.
void AddToWorkbook(Workbook* workbook, const std::string& file, const Group& group);

// Return true when adding to the workbook has failed: it will not be written.
bool WorkbookFailed(const Workbook& workbook);

// Write the workbook and put it in place at its path (renamed over it), or
// copy it to standard output. Return false, with the reason in reason, when
// it cannot be written or a stop signal came; the file at path is then as
// it was, and the temporary removed.
bool EndWorkbook(Workbook* workbook, std::string* reason);

// Files in flight for each thread: enough to keep every thread busy while
// memory stays flat in the number of files.
constexpr size_t kFilesPerJob = 16;

// A table being written: its files analysed as AnalyseFile does, on threads
// of their own, and their rows written to standard output in the order the
// files were given, at most kFilesPerJob files per thread in flight.
struct Tabulation;
struct Progress;
// Drop the files not yet taken, wait for the threads and free the table.
struct TabulationEnd {
  void operator()(Tabulation* tabulation) const;
};
using Tabulator = std::unique_ptr<Tabulation, TabulationEnd>;

// Begin a table in layout, its files analysed on jobs threads; with 1, or
// in a build without threads, each on the caller's thread as it is given.
// Its rows go to workbook instead of standard output when it is not null.
// Each file is drawn from by perturbation when it is not null. Each file
// written is counted in progress, which shows it. Once a stop signal has
// come, no more rows are written: the table ends in the whole rows of the
// files written before it.
Tabulator BeginTabulation(Layout layout, int jobs, Workbook* workbook,
                          const Perturbation* perturbation, Progress* progress);

// Give the file at path, called name in its rows and messages: its rows
// follow those of the files given before. Waits while the window of files in
// flight is full, writing their rows.
void Tabulate(Tabulation* tabulation, const char* path, const char* name);

// How many files' rows a table has written, and how many of those files
// had each status other than ok.
struct Tally {
  long long files = 0;
  long long error = 0;
  long long singular = 0;
  long long not_finite = 0;
};

// Return the number of files of tally that are not ok.
long long NotOk(const Tally& tally);

// Write the rows of the files given and not yet written, unless standard
// output has failed. Return the tally of every file written.
Tally EndTabulation(Tabulation* tabulation);

// Return how many threads the machine runs at once; 1 when it cannot tell,
// or when the build has no threads.
int MachineThreads();

// The name of a temporary file or folder is at most this long, for a signal
// handler to keep it.
constexpr size_t kLongestTemporary = 4096 + 64;

// Catch SIGINT, SIGTERM and SIGHUP (on Windows SIGINT and SIGTERM): the
// first one asks the run to stop (StopSignal), which it does between files
// and between draws; a second one removes the temporary (RemoveTemporary)
// and ends the process as the signal does. A crash's signal (SIGSEGV,
// SIGBUS, SIGABRT, SIGFPE, SIGILL) removes it too, then ends the process.
void CatchStopSignals();

// Return the signal that asked the run to stop, or 0.
int StopSignal();

// Keep the names of the workbook's temporary file and its folder for
// RemoveTemporary. Return false when they are too long to keep.
bool RegisterTemporary(const std::string& file, const std::string& folder);

// Forget the temporary: it is gone or in its place.
void ForgetTemporary();

// Remove the temporary file and its folder, if any is kept, with
// async-signal-safe calls only: from a signal handler or when memory runs
// out.
void RemoveTemporary();

// End the process when memory runs out: remove the temporary, say
// "kelvarin-table: error: out of memory" and exit with status 1.
[[noreturn]] void EndForWantOfMemory();

// Return true when stream is a terminal; never in WebAssembly.
bool IsTerminal(std::FILE* stream);

// A run's progress, on one line of standard error that is drawn again as
// files are written and draws made, when shown.
struct Progress {
  bool shown = false;        // standard error is a terminal, and no -q
  bool perturbed = false;    // the draws are counted too
  long long all_files = -1;  // the files of the run, -1 when not known
  std::atomic<long long> files{0};
  std::atomic<long long> draws{0};
  std::atomic_flag busy = ATOMIC_FLAG_INIT;  // a thread draws the line
  std::chrono::steady_clock::time_point last;
  bool standing = false;  // a line is on the terminal
};

// Draw progress's line when shown and a tenth of a second has gone since it
// was last drawn, or now; a thread that finds another drawing it goes on.
void ShowProgress(Progress* progress, bool now);

// Erase progress's line, if it stands: before other text and at the end.
void EraseProgress(Progress* progress);

// Count a draw in the Progress progress and show it. Return false when a
// stop signal has come: the draws stop. (Perturbation's between_draws.)
bool CountDraw(void* progress);

// Return the shortest text that reads back to value ("1e+308").
std::string ShortestText(double value);

// Write text, valid UTF-8, to out as a CSV field: in quotes with each quote
// doubled where it holds a comma, a quote or a control character.
void WriteCsvField(std::FILE* out, const std::string& text);

// Write text, valid UTF-8, to out as a JSON string.
void WriteJsonString(std::FILE* out, const std::string& text);

#endif  // KELVARIN_TABLE_TABLE_H_
