// The data file's bytes: a regular file read a chunk at a time, any other
// a byte at a time, with the place of each byte counted as it is read.
#include "reader/source.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>

#if !defined(_WIN32)
#include <unistd.h>
#endif

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

// Return what file is, and store the size of a regular file, which can be
// read ahead in chunks without waiting for bytes that are not there yet.
FileKind KindOf(std::FILE* file, long long* size) {
#if defined(_WIN32)
  struct _stat64 status = {};
  const bool regular =
      _fstat64(_fileno(file), &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat status = {};
  const bool regular = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
#endif
  if (!regular) {
    return FileKind::kOther;
  }
  *size = static_cast<long long>(status.st_size);
  return FileKind::kRegular;
}

// Return true when source's file is read straight from its descriptor: a
// regular file read in chunks, other than standard input (whose stream may
// hold bytes already). A file that ends where its size said is then known to
// end without asking it once more. The stream's own idea of its position is
// then stale: ReadAt reads such a file without it.
// The Windows build reads every file through its stream.
#if !defined(_WIN32)
bool ReadsDescriptor(const Source& source) {
  return source.kind == FileKind::kRegular && source.size > 1 && source.file != stdin;
}
#endif

// Read the next chunk of source's file into its bytes, and return how many
// were read.
size_t ReadChunk(Source* source) {
#if !defined(_WIN32)
  if (ReadsDescriptor(*source)) {
    ssize_t count = 0;
    do {
      count = read(fileno(source->file), source->bytes.get(), source->size);
    } while (count < 0 && errno == EINTR);
    source->failed = count < 0;
    const size_t read = count < 0 ? 0 : static_cast<size_t>(count);
    const long long end = source->base + static_cast<long long>(source->filled + read);
    source->ended = read == 0 || end == source->file_size;
    return read;
  }
#endif
  const size_t count = std::fread(source->bytes.get(), 1, source->size, source->file);
  // A file that gives fewer bytes than asked is at its end, or failed, which
  // ferror tells.
  source->ended =
      count < source->size && (std::feof(source->file) != 0 || std::ferror(source->file) != 0);
  return count;
}

}  // namespace

bool BeginReading(Source* source, std::FILE* file, FileKind kind, long long file_size) {
  source->file = file;
  source->kind = kind;
  source->file_size = file_size;
  if (source->kind == FileKind::kUnknown) {
    source->kind = KindOf(source->file, &source->file_size);
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
    count = ReadChunk(source);
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

long long ReadAt(Source* source, long long offset, char* bytes, long long capacity) {
#if !defined(_WIN32)
  if (ReadsDescriptor(*source)) {
    ssize_t count = 0;
    do {
      count = pread(fileno(source->file), bytes, static_cast<size_t>(capacity),
                    static_cast<off_t>(offset));
    } while (count < 0 && errno == EINTR);
    return count;
  }
#endif
  std::FILE* file = source->file;
  const long position = std::ftell(file);
  if (position < 0 || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
    std::clearerr(file);
    return -1;
  }
  // Read in one call: a regular file is read without the stream's buffer.
  const auto count =
      static_cast<long long>(std::fread(bytes, 1, static_cast<size_t>(capacity), file));
  std::clearerr(file);
  (void)std::fseek(file, position, SEEK_SET);
  return count;
}

bool ReadFailed(const Source& source) { return source.failed || std::ferror(source.file) != 0; }

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

void MoveTo(Source* source, size_t position, long long line, long long line_offset) {
  source->position = position;
  source->line = line;
  source->line_offset = line_offset;
  source->last = EOF;
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
