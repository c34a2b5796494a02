// The data file's bytes: a regular file read a chunk at a time, any other
// a byte at a time, with the place of each byte counted as it is read.
#include "reader/source.h"

#include <sys/stat.h>

#include <new>

namespace {

// Read a byte of file. Only one thread reads a data file, so POSIX's
// getc_unlocked may skip the stream's lock; the Windows build keeps getc.
int GetByte(std::FILE* file) {
#if defined(_WIN32)
  return std::getc(file);
#else
  return getc_unlocked(file);
#endif
}

// Return true when file is a regular file, which can be read ahead in
// chunks without waiting for bytes that are not there yet.
bool IsRegularFile(std::FILE* file) {
#if defined(_WIN32)
  struct _stat64 status = {};
  return _fstat64(_fileno(file), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat status = {};
  return fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
#endif
}

}  // namespace

bool BeginReading(Source* source) {
  if (source->kind == FileKind::kUnknown) {
    source->kind = IsRegularFile(source->file) ? FileKind::kRegular : FileKind::kOther;
  }
  if (source->chunk > 1 && source->kind == FileKind::kRegular) {
    source->size = source->chunk;
    source->bytes.reset(new (std::nothrow) unsigned char[source->size]);
    // A regular file is read straight into bytes, bypassing the stream's
    // own buffer (which would cost another look at the file).
    if (source->bytes && source->file != stdin) {
      (void)std::setvbuf(source->file, nullptr, _IONBF, 0);
    }
  }
  // Without room for a chunk, the file is read a byte at a time.
  if (!source->bytes) {
    source->size = 1;
    source->bytes.reset(new (std::nothrow) unsigned char[1]);
  }
  return source->bytes != nullptr;
}

int Refill(Source* source) {
  if (!source->bytes || source->ended) {
    return EOF;
  }
  size_t count = 0;
  if (source->size > 1) {
    count = std::fread(source->bytes.get(), 1, source->size, source->file);
    // A file that gives fewer bytes than asked is at its end, or failed,
    // which ferror tells.
    source->ended =
        count < source->size && (std::feof(source->file) != 0 || std::ferror(source->file) != 0);
  } else {
    const int c = GetByte(source->file);
    source->bytes[0] = static_cast<unsigned char>(c);
    count = c == EOF ? 0 : 1;
  }
  source->base += static_cast<long long>(source->filled);
  source->filled = count;
  source->position = 0;
  return count == 0 ? EOF : source->bytes[source->position++];
}

void CountNul(Source* source) {
  const long long end = source->base + static_cast<long long>(source->position);
  if (end > source->nul_end) {
    ++source->nul_bytes;
    source->nul_end = end;
  }
}

Place Here(const Source& source) {
  Place place;
  place.line = source.line;
  place.offset = source.base + static_cast<long long>(source.position);
  place.line_offset = source.line_offset;
  place.column = place.offset - source.line_offset + 1;
  return place;
}

Place Previous(const Source& source) {
  Place place = Here(source);
  if (source.last == EOF) {
    return place;
  }
  --place.offset;
  if (source.last == '\n') {
    --place.line;
    place.line_offset = source.last_line_offset;
  }
  place.column = place.offset - place.line_offset + 1;
  return place;
}

// The byte read last is still in the bytes read: a refill keeps the byte it
// returns at the start.
void Back(Source* source, int c) {
  if (c != EOF) {
    --source->position;
    if (c == '\n') {
      --source->line;
      source->line_offset = source->last_line_offset;
    }
    source->last = EOF;
  }
}
