// A data file as the reader reads it: its bytes kept in memory as they are
// read, the place of each, and the bytes a diagnostic may yet quote.
#ifndef KELVARIN_READER_SOURCE_H_
#define KELVARIN_READER_SOURCE_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A place in a data file: line and column count from 1, in bytes; a line
// ends at a line feed.
struct Place {
  long long line = 1;
  long long column = 1;
  long long offset = 0;       // bytes before the place
  long long line_offset = 0;  // bytes before the place's line
};

// The bytes asked of a regular file at a time.
constexpr size_t kChunkBytes = 16384;

// The bytes kept of a file before those that no diagnostic can quote are let
// go: a file this long is held whole.
constexpr size_t kKeptBytes = size_t{1} << 20;

// A diagnostic about a place quotes the bytes from this many before it to
// this many after it (show.h): those of a place that the reader holds on to
// are kept, and so are those before the next byte to read.
constexpr long long kKeptBefore = 64;
constexpr long long kKeptAfter = 256;

// What a data file is, as far as reading it goes: a regular file can be read
// ahead, any other (a pipe, a terminal) gives its bytes as they come.
enum class FileKind { kUnknown, kRegular, kOther };

// A stretch of the file kept in memory, from offset on.
struct Piece {
  long long offset = 0;
  std::string bytes;
};

// An open data file, or bytes in memory, read into pieces: the last of them
// is read on, the others are what was kept of the bytes before it. A regular
// file is read a chunk at a time, any other a line at a time, so that a
// program reading a terminal answers each line as it is typed; bytes in
// memory are taken a chunk at a time. Once more than kept_bytes are held,
// only the bytes around the places held on to and the last kKeptBefore
// before the next byte are kept, so that a file of any length is read in
// bounded memory.
struct Source {
  std::FILE* file = nullptr;           // null when reading memory
  std::string_view memory;             // the bytes in memory not yet taken
  FileKind kind = FileKind::kUnknown;  // asked of the file at the first read when unknown
  size_t chunk = kChunkBytes;          // the bytes asked at a time
  size_t kept_bytes = kKeptBytes;      // held before bytes are let go
  std::vector<Piece> pieces;           // the bytes kept, in file order
  size_t position = 0;                 // of the next byte in the last piece
  bool ended = false;                  // the file has no more bytes to read
  bool failed = false;                 // a read of the file failed (errno tells why)
  long long file_size = -1;            // of a regular file when opened; -1 when unknown
  long long line = 1;                  // of the next byte
  long long line_offset = 0;           // where the next byte's line begins
  long long last_line_offset = 0;      // where the line of a line feed read last began
  bool read_nul = false;               // a NUL byte was read
  std::vector<long long> held;         // the places a diagnostic may quote later
  long long item = -1;                 // where the item being read began, or -1
};

// Make source ready to read file from its start: take what the file is
// from kind and a regular file's size from file_size, or learn them from the
// file when kind is kUnknown.
void BeginReading(Source* source, std::FILE* file, FileKind kind = FileKind::kUnknown,
                  long long file_size = -1);

// Make source ready to read bytes, which must outlive it.
void BeginReadingBytes(Source* source, std::string_view bytes);

// Read more of the file onto the last piece: a chunk of a regular file or of
// memory, a line of any other file. Return false when there was nothing more.
bool Fill(Source* source);

// Return the bytes not yet read in the last piece.
inline std::string_view Unread(const Source& source) {
  return std::string_view(source.pieces.back().bytes).substr(source.position);
}

// Return the kept bytes from offset on, up to count of them, stopping before
// a line feed (and before white space when word is true), reading on where
// they are not read yet. The bytes that a diagnostic quotes are kept.
std::string_view Peek(Source* source, long long offset, bool word, size_t count);

// Return true when a read of source's file failed.
bool ReadFailed(const Source& source);

// Return the next byte of source, or EOF.
inline int Next(Source* source) {
  if (source->position == source->pieces.back().bytes.size() && !Fill(source)) {
    return EOF;
  }
  const Piece& piece = source->pieces.back();
  const int c = static_cast<unsigned char>(piece.bytes[source->position++]);
  if (c == '\n') {
    ++source->line;
    source->last_line_offset = source->line_offset;
    source->line_offset = piece.offset + static_cast<long long>(source->position);
  } else if (c == '\0') {
    source->read_nul = true;
  }
  return c;
}

// Return the place of the byte that Next would return next.
inline Place Here(const Source& source) {
  Place place;
  place.line = source.line;
  place.offset = source.pieces.back().offset + static_cast<long long>(source.position);
  place.line_offset = source.line_offset;
  place.column = place.offset - source.line_offset + 1;
  return place;
}

// Give back c, the byte that Next returned last, so that Next returns it
// again. EOF is not given back. The byte is still in the last piece: the
// bytes before the next are kept.
inline void Back(Source* source, int c) {
  if (c != EOF) {
    --source->position;
    if (c == '\n') {
      --source->line;
      source->line_offset = source->last_line_offset;
    }
  }
}

// Return true for the bytes the C locale's isspace accepts: blank, tab,
// line feed, vertical tab, form feed and carriage return.
inline bool IsSpace(int c) {
  constexpr unsigned long long kSpaces = (1ULL << ' ') | (1ULL << '\t') | (1ULL << '\n') |
                                         (1ULL << '\v') | (1ULL << '\f') | (1ULL << '\r');
  return c >= 0 && c <= ' ' && ((kSpaces >> c) & 1U) != 0;
}

// Return true for a decimal digit.
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Move source on past white space, to the next byte that is not, or to
// the end.
inline void SkipSpace(Source* source) {
  for (;;) {
    const Piece& piece = source->pieces.back();
    const size_t size = piece.bytes.size();
    size_t i = source->position;
    for (; i < size && IsSpace(static_cast<unsigned char>(piece.bytes[i])); ++i) {
      if (piece.bytes[i] == '\n') {
        ++source->line;
        source->last_line_offset = source->line_offset;
        source->line_offset = piece.offset + static_cast<long long>(i) + 1;
      }
    }
    source->position = i;
    if (i < size || !Fill(source)) {
      return;
    }
  }
}

#endif  // KELVARIN_READER_SOURCE_H_
