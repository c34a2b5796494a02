// A data file as the reader reads it: its bytes one at a time, the place
// of each, and one byte of push-back.
#ifndef KELVARIN_READER_SOURCE_H_
#define KELVARIN_READER_SOURCE_H_

#include <cstddef>
#include <cstdio>
#include <memory>

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

// What a data file is, as far as reading it goes: a regular file can be read
// ahead, any other (a pipe, a terminal) gives its bytes as they come.
enum class FileKind { kUnknown, kRegular, kOther };

// An open data file read byte by byte, with the place of the next byte and
// one byte of push-back. A regular file is read a chunk at a time into
// bytes; any other file one byte at a time, so that a program reading a
// terminal answers each line as it is typed.
struct Source {
  std::FILE* file = nullptr;
  FileKind kind = FileKind::kUnknown;      // asked of the file at the first read when unknown
  size_t chunk = kChunkBytes;              // the bytes asked of a regular file at a time
  std::unique_ptr<unsigned char[]> bytes;  // read from the file; null before BeginReading
  size_t size = 0;                         // of bytes
  size_t position = 0;                     // of the next byte in bytes
  size_t filled = 0;                       // the bytes read into bytes
  bool ended = false;                      // the file has no more bytes to read
  bool failed = false;                     // a read of the file failed (errno tells why)
  long long file_size = -1;                // of a regular file when opened; -1 when unknown
  long long base = 0;                      // the file's offset of bytes[0]
  long long line = 1;                      // of the next byte
  long long line_offset = 0;               // where the next byte's line begins
  long long last_line_offset = 0;          // where the line of a line feed read last began
  int last = EOF;                          // the byte read last
  long long nul_bytes = 0;                 // the NUL bytes read, each counted once
  long long nul_end = 0;                   // the offset after the last NUL counted
};

// Make source ready to read file from its start: take what the file is
// from kind and a regular file's size from file_size, or learn them from the
// file when kind is kUnknown, and get the room for its bytes. Return false
// when there is no memory for them. A source that is not ready reads as
// empty.
bool BeginReading(Source* source, std::FILE* file, FileKind kind = FileKind::kUnknown,
                  long long file_size = -1);

// Read bytes from the file when those in source->bytes are used up, and
// return the first of them, or EOF.
int Refill(Source* source);

// Read up to capacity bytes of source's file from offset into bytes, and
// leave the file where it was. Return the count read, or -1 when the file
// cannot be read there (a pipe).
long long ReadAt(Source* source, long long offset, char* bytes, long long capacity);

// Return true when a read of source's file failed.
bool ReadFailed(const Source& source);

// Count a NUL byte just read, unless it was read before and given back.
void CountNul(Source* source);

// Return the next byte of source, or EOF.
inline int Next(Source* source) {
  const int c =
      source->position < source->filled ? source->bytes[source->position++] : Refill(source);
  source->last = c;
  if (c == '\n') {
    ++source->line;
    source->last_line_offset = source->line_offset;
    source->line_offset = source->base + static_cast<long long>(source->position);
  } else if (c == '\0') {
    CountNul(source);
  }
  return c;
}

// Return the place of the byte that Next would return next.
Place Here(const Source& source);

// Return the place of the byte that Next returned last (the place of the
// next byte, when that was EOF).
Place Previous(const Source& source);

// Move source on to position in its bytes, on line, which begins at
// line_offset: the bytes before it are read. They hold no NUL byte, which
// Next would count.
void MoveTo(Source* source, size_t position, long long line, long long line_offset);

// Give back c, the byte that Next returned last, so that Next returns it
// again. EOF is not given back.
void Back(Source* source, int c);

// Return true for the bytes the C locale's isspace accepts: blank, tab,
// line feed, vertical tab, form feed and carriage return.
inline bool IsSpace(int c) {
  constexpr unsigned long long kSpaces = (1ULL << ' ') | (1ULL << '\t') | (1ULL << '\n') |
                                         (1ULL << '\v') | (1ULL << '\f') | (1ULL << '\r');
  return c >= 0 && c <= ' ' && ((kSpaces >> c) & 1U) != 0;
}

// Return true for a decimal digit.
inline bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Return the first byte of source that is not white space, or EOF.
inline int SkipSpace(Source* source) {
  int c = Next(source);
  while (IsSpace(c)) {
    c = Next(source);
  }
  return c;
}

#endif  // KELVARIN_READER_SOURCE_H_
