// Opening a data file, and reading one whole, or bytes in memory: the steps
// in their order.
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

#include "reader/reader.h"
#include "text/utf8.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The fixed texts below spell out the bounds that they report.
// NOLINTNEXTLINE(readability-magic-numbers): the bounds as the texts write them
static_assert(kMaxDescriptionLength == 120 && kMinPlayers == 2 && kMaxPlayers == 20);

#if !defined(_WIN32)
// Open path for a companion without waiting: a FIFO's open would otherwise
// wait for a writer that may never come. Once open, it is read as any file,
// and a FIFO with no writer reads as empty. Set kind to what the file is,
// and size to a regular file's size. Return null when it cannot be opened,
// errno telling why, or when it is a device or a socket, which is refused in
// words of its own and *refused set.
std::FILE* OpenWithoutWaiting(const char* path, const char* name, Diagnostics* diagnostics,
                              FileKind* kind, long long* size, bool* refused) {
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  struct stat status = {};
  if (descriptor < 0) {
    if (errno == ENXIO && stat(path, &status) == 0 && S_ISSOCK(status.st_mode)) {
      SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a socket",
                      Escaped(name).c_str());
      *refused = true;
    }
    return nullptr;
  }
  if (fstat(descriptor, &status) == 0 && (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))) {
    (void)close(descriptor);
    SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a device",
                    Escaped(name).c_str());
    *refused = true;
    return nullptr;
  }
  // A regular file is never waited for; a FIFO is read, once open, as any
  // file: waiting for its bytes.
  const bool regular = S_ISREG(status.st_mode);
  *kind = regular ? FileKind::kRegular : FileKind::kOther;
  *size = regular ? static_cast<long long>(status.st_size) : -1;
  if (!regular) {
    (void)fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  }
  std::FILE* file = fdopen(descriptor, "rb");
  if (file == nullptr) {
    (void)close(descriptor);
  }
  return file;
}
#endif

// Say why the file the user calls name could not be opened, errno telling.
void SayCannotOpen(const char* name, Diagnostics* diagnostics) {
  SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': %s", Escaped(name).c_str(),
                  SystemReason(errno));
}

// ReadGroup, with what the opening learnt of file: its kind, and a regular
// file's size (kUnknown and -1 when it was not asked); or bytes in memory
// when file is null. Memory that cannot be had for the bytes kept ends the
// reading as the matrix's would.
ReadFailure Read(Reader* reader, std::FILE* file, FileKind kind, long long size,
                 std::string_view bytes, Matrix* influence,
                 void (*after_header)(const Reader& reader)) try {
  if (file == nullptr) {
    BeginReadingBytes(&reader->source, bytes);
  } else {
    BeginReading(&reader->source, file, kind, size);
  }
  ReadFailure failure = ReadHeader(reader);
  if (failure != ReadFailure::kNone) {
    return failure;
  }
  if (after_header != nullptr) {
    after_header(*reader);
  }
  failure = CheckSize(reader);
  if (failure != ReadFailure::kNone) {
    return failure;
  }
  const int n = static_cast<int>(reader->size);
  *influence = Matrix(gsl_matrix_alloc(static_cast<size_t>(n), static_cast<size_t>(n)));
  if (!*influence) {
    return ReadFailure::kNoMemory;
  }
  return ReadMatrix(reader, influence->get());
} catch (const std::bad_alloc&) {
  return ReadFailure::kNoMemory;
}

}  // namespace

const char* FailureMessage(ReadFailure failure) {
  switch (failure) {
    case ReadFailure::kNone:
      return "";
    case ReadFailure::kNotFound:
      return "Data file not found:";
    case ReadFailure::kNoMemory:
      return kMatricesOutOfMemory;
    case ReadFailure::kDescription:
      return "Error reading data description.";
    case ReadFailure::kDescriptionLength:
      return "Max description length exceeded:  max = 120.";
    case ReadFailure::kSize:
      return "Error reading in matrix size.";
    case ReadFailure::kSizeBounds:
      return "Size of matrix out of bounds.  N must be between 2 and 20";
    case ReadFailure::kValues:
      break;
  }
  return "Error reading in matrix.  Check size and values.";
}

std::FILE* OpenDataFile(const char* path, const char* name, Diagnostics* diagnostics) {
  errno = 0;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    SayCannotOpen(name, diagnostics);
  }
  return file;
}

ReadFailure ReadGroup(Reader* reader, std::FILE* file, Matrix* influence,
                      void (*after_header)(const Reader& reader)) {
  return Read(reader, file, FileKind::kUnknown, -1, {}, influence, after_header);
}

ReadFailure ReadDataFile(const char* path, const char* name, Reader* reader, Matrix* influence) {
  reader->name = name;
  FileKind kind = FileKind::kUnknown;
  long long size = -1;
  std::FILE* file = stdin;
  if (std::strcmp(path, "-") != 0) {
#if defined(_WIN32)
    // What the file is, learnt at the first read.
    file = OpenDataFile(path, name, reader->diagnostics);
#else
    errno = 0;
    bool refused = false;
    file = OpenWithoutWaiting(path, name, reader->diagnostics, &kind, &size, &refused);
    if (file == nullptr && !refused) {
      SayCannotOpen(name, reader->diagnostics);
    }
#endif
  }
  if (file == nullptr) {
    return ReadFailure::kNotFound;
  }
  const ReadFailure failure = Read(reader, file, kind, size, {}, influence, nullptr);
  if (file != stdin) {
    (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  }
  return failure;
}

ReadFailure ReadGroupFromBytes(std::string_view bytes, const char* name, Reader* reader,
                               Matrix* influence) {
  reader->name = name;
  return Read(reader, nullptr, FileKind::kRegular, -1, bytes, influence, nullptr);
}
