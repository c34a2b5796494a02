// Opening a data file, and reading one whole: the steps in their order.
#include <cerrno>
#include <cstring>

#include "reader/reader.h"
#include "text/utf8.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#if !defined(_WIN32)
// Open path for a companion without waiting: a FIFO's open would otherwise
// wait for a writer that may never come. Once open, it is read as any file,
// and a FIFO with no writer reads as empty. Tell source, when not null, what
// the file is. Return null when it cannot be opened, errno telling why, or
// when it is a device or a socket, which is refused in words of its own and
// *refused set.
std::FILE* OpenWithoutWaiting(const char* path, Diagnostics* diagnostics, Source* source,
                              bool* refused) {
  const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  struct stat status = {};
  if (descriptor < 0) {
    if (errno == ENXIO && stat(path, &status) == 0 && S_ISSOCK(status.st_mode)) {
      SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a socket",
                      Escaped(path).c_str());
      *refused = true;
    }
    return nullptr;
  }
  if (fstat(descriptor, &status) == 0 && (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))) {
    (void)close(descriptor);
    SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a device",
                    Escaped(path).c_str());
    *refused = true;
    return nullptr;
  }
  // A regular file is never waited for; a FIFO is read, once open, as any
  // file: waiting for its bytes.
  const bool regular = S_ISREG(status.st_mode);
  if (source != nullptr) {
    source->kind = regular ? FileKind::kRegular : FileKind::kOther;
    source->file_size = regular ? static_cast<long long>(status.st_size) : -1;
  }
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

}  // namespace

std::FILE* OpenDataFile(const char* path, bool companion, Diagnostics* diagnostics,
                        Source* source) {
  if (companion && std::strcmp(path, "-") == 0) {
    return stdin;
  }
  errno = 0;
  bool refused = false;
#if defined(_WIN32)
  (void)source;  // learnt at the first read
  std::FILE* file = std::fopen(path, "rb");
#else
  std::FILE* file =
      companion ? OpenWithoutWaiting(path, diagnostics, source, &refused) : std::fopen(path, "rb");
#endif
  if (file == nullptr && !refused) {
    SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': %s", Escaped(path).c_str(),
                    SystemReason(errno));
  }
  return file;
}

ReadFailure ReadGroup(Reader* reader, Matrix* influence,
                      void (*after_header)(const Reader& reader)) {
  if (!BeginReading(&reader->source)) {
    return ReadFailure::kNoMemory;
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
}

ReadFailure ReadDataFile(const char* path, Reader* reader, Matrix* influence) {
  reader->name = path;
  std::FILE* file = OpenDataFile(path, true, reader->diagnostics, &reader->source);
  if (file == nullptr) {
    return ReadFailure::kNotFound;
  }
  reader->source.file = file;
  const ReadFailure failure = ReadGroup(reader, influence);
  if (file != stdin) {
    (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  }
  reader->source.file = nullptr;
  return failure;
}
