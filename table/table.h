// kelvarin-table's pieces: the analysis of one data file into plain figures,
// and the writers of those figures as a CSV row, as CSV rows per player and
// as a JSON line.
#ifndef KELVARIN_TABLE_TABLE_H_
#define KELVARIN_TABLE_TABLE_H_

#include <cstdio>
#include <optional>

#include "reader/diagnostics.h"
#include "reader/reader.h"

// The name that the table's own diagnostic lines begin with.
constexpr const char* kTableProgram = "kelvarin-table";

enum class Status { kOk, kSingular, kError };

// Room for a message: the fixed error text, a blank and a diagnostic line.
constexpr int kMessageCapacity = kFailureMessageCapacity + 1 + kDiagnosticCapacity;

// What the table says about one data file. A figure that does not exist for
// the file (a weight of a singular M, anything after a read error) is empty.
struct Group {
  Status status = Status::kError;
  bool has_description = false;
  char description[kDescriptionBufferSize] = "";
  std::optional<int> players;  // N, once it is read and within bounds
  std::optional<int> empath;   // 0-based
  std::optional<int> driver;
  std::optional<double> s_e;
  std::optional<double> determinant;
  std::optional<double> condition;
  std::optional<double> log_condition;
  std::optional<int> near_ties;
  int warnings = 0;  // the reader's warnings about the data file
  char message[kMessageCapacity] = "";
  // Per player, valid for the first N entries once the sums exist.
  bool has_sums = false;
  double column_sums[kMaxPlayers] = {};
  double row_sums[kMaxPlayers] = {};
  bool has_weights = false;
  double weights[kMaxPlayers] = {};  // Q by player; the empath's entry unused
};

// Read the data file at path and analyse it as kelvarin does, with the same
// reader and the same GSL calls in the same order, into group. Nothing is
// printed: a failure becomes group->status and group->message. GSL's error
// handler must be off.
void AnalyseFile(const char* path, Group* group);

// Write the CSV header row of the file table to out.
void WriteFileHeader(std::FILE* out);

// Write the CSV row of group, read from path, to out.
void WriteFileRow(std::FILE* out, const char* path, const Group& group);

// Write the CSV header row of the player table to out.
void WritePlayerHeader(std::FILE* out);

// Write a CSV row for each player of group to out; none when group->status
// is kError.
void WritePlayerRows(std::FILE* out, const char* path, const Group& group);

// Write group as one JSON object on a line of its own to out.
void WriteJsonLine(std::FILE* out, const char* path, const Group& group);

#endif  // KELVARIN_TABLE_TABLE_H_
