// The data file's bytes: a regular file read a chunk at a time, any other
// a line at a time, bytes in memory taken a chunk at a time, each kept while
// a diagnostic may quote it, with the place of each counted as it is read.
#include "reader/source.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

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

// Read the next chunk of source's regular file onto piece, and return how
// many bytes were read. A file whose size is known is asked for no more than
// one byte past it, which tells whether it grew. A file other than standard
// input (whose stream may hold bytes already) is read straight from its
// descriptor, and one that ends where its size said is then known to end
// without asking it once more. The Windows build reads every file through
// its stream.
size_t ReadChunk(Source* source, Piece* piece) {
  const size_t size = piece->bytes.size();
  const long long end = piece->offset + static_cast<long long>(size);
  const size_t want =
      source->file_size < end
          ? source->chunk
          : std::min(source->chunk, static_cast<size_t>(source->file_size - end) + 1);
  piece->bytes.resize(size + want);
  char* const bytes = &piece->bytes[size];
  size_t count = 0;
#if !defined(_WIN32)
  if (source->file != stdin) {
    ssize_t read_count = 0;
    do {
      read_count = read(fileno(source->file), bytes, want);
    } while (read_count < 0 && errno == EINTR);
    source->failed = read_count < 0;
    count = read_count < 0 ? 0 : static_cast<size_t>(read_count);
    source->ended = count == 0 || end + static_cast<long long>(count) == source->file_size;
    piece->bytes.resize(size + count);
    return count;
  }
#endif
  count = std::fread(bytes, 1, want, source->file);
  // A file that gives fewer bytes than asked is at its end, or failed, which
  // ferror tells.
  source->ended = count < want && (std::feof(source->file) != 0 || std::ferror(source->file) != 0);
  piece->bytes.resize(size + count);
  return count;
}

// Read a line of source's file, or a chunk of it when the line is longer,
// onto bytes, and return how many were read: a terminal is never asked for
// more than the line being typed.
size_t ReadLineOf(Source* source, std::string* bytes) {
  size_t count = 0;
  int c = 0;
  while (count < source->chunk && (c = GetByte(source->file)) != EOF) {
    bytes->push_back(static_cast<char>(c));
    ++count;
    if (c == '\n') {
      break;
    }
  }
  source->ended = c == EOF;
  return count;
}

// Keep of source's pieces only the bytes that a diagnostic may quote: those
// around each place held on to, and those from kKeptBefore before the next
// byte on, which stay the last piece. A place is held on to by the time the
// next byte is at most one past it, so the bytes it quotes are all kept.
void LetGo(Source* source) {
  const Piece& last = source->pieces.back();
  const long long next = last.offset + static_cast<long long>(source->position);
  std::vector<std::pair<long long, long long>> spans;
  for (const long long place : source->held) {
    spans.emplace_back(place - kKeptBefore, place + kKeptAfter);
  }
  if (source->item >= 0) {
    spans.emplace_back(source->item - kKeptBefore, source->item + kKeptAfter);
  }
  std::sort(spans.begin(), spans.end());
  std::vector<Piece> kept;
  long long tail = next - kKeptBefore;
  for (size_t i = 0; i < spans.size() && spans[i].first < tail;) {
    const long long from = spans[i].first;
    long long to = spans[i].second;
    for (++i; i < spans.size() && spans[i].first <= to; ++i) {
      to = std::max(to, spans[i].second);
    }
    // Spans that reach the last piece's bytes begin it, so that each is
    // quoted from one piece.
    if (to >= tail) {
      tail = from;
      break;
    }
    for (const Piece& piece : source->pieces) {
      const long long begin = std::max(from, piece.offset);
      const long long end = std::min(to, piece.offset + static_cast<long long>(piece.bytes.size()));
      if (begin >= end) {
        continue;
      }
      if (kept.empty() ||
          kept.back().offset + static_cast<long long>(kept.back().bytes.size()) != begin) {
        kept.push_back(Piece{begin, {}});
      }
      kept.back().bytes.append(piece.bytes, static_cast<size_t>(begin - piece.offset),
                               static_cast<size_t>(end - begin));
    }
  }
  tail = std::max(tail, last.offset);
  kept.push_back(Piece{tail, last.bytes.substr(static_cast<size_t>(tail - last.offset))});
  source->position = static_cast<size_t>(next - tail);
  source->pieces = std::move(kept);
}

}  // namespace

void BeginReading(Source* source, std::FILE* file, FileKind kind, long long file_size) {
  source->file = file;
  source->kind = kind;
  source->file_size = file_size;
  if (source->kind == FileKind::kUnknown) {
    source->kind = KindOf(source->file, &source->file_size);
  }
  // A regular file is read straight into the pieces, bypassing the stream's
  // own buffer (which would cost another look at the file).
  if (source->kind == FileKind::kRegular && source->file != stdin) {
    (void)std::setvbuf(source->file, nullptr, _IONBF, 0);
  }
  source->pieces.assign(1, Piece());
}

void BeginReadingBytes(Source* source, std::string_view bytes) {
  source->memory = bytes;
  source->kind = FileKind::kRegular;
  source->pieces.assign(1, Piece());
}

bool Fill(Source* source) {
  if (source->ended) {
    return false;
  }
  size_t held = 0;
  for (const Piece& piece : source->pieces) {
    held += piece.bytes.size();
  }
  if (held > source->kept_bytes) {
    LetGo(source);
  }
  std::string& bytes = source->pieces.back().bytes;
  size_t count = 0;
  if (source->file == nullptr) {
    count = std::min(source->chunk, source->memory.size());
    bytes.append(source->memory.substr(0, count));
    source->memory.remove_prefix(count);
    source->ended = source->memory.empty();
  } else if (source->kind == FileKind::kRegular && source->chunk > 1) {
    count = ReadChunk(source, &source->pieces.back());
  } else {
    count = ReadLineOf(source, &bytes);
  }
  return count > 0;
}

std::string_view Peek(Source* source, long long offset, bool word, size_t count) {
  for (const Piece& piece : source->pieces) {
    const long long end = piece.offset + static_cast<long long>(piece.bytes.size());
    const bool last = &piece == &source->pieces.back();
    if (offset < piece.offset || offset > end || (offset == end && !last)) {
      continue;
    }
    // Bytes not yet read are read, up to a line feed.
    const std::string_view from =
        std::string_view(piece.bytes).substr(static_cast<size_t>(offset - piece.offset));
    if (last && from.size() < count && from.find('\n') == std::string_view::npos && Fill(source)) {
      return Peek(source, offset, word, count);
    }
    size_t length = 0;
    while (length < std::min(count, from.size()) && from[length] != '\n' &&
           !(word && IsSpace(static_cast<unsigned char>(from[length])))) {
      ++length;
    }
    return from.substr(0, length);
  }
  return {};
}

bool ReadFailed(const Source& source) {
  return source.failed || (source.file != nullptr && std::ferror(source.file) != 0);
}
