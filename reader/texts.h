// The fixed texts of a failure to read a data file, which every program
// writes.
#ifndef KELVARIN_READER_TEXTS_H_
#define KELVARIN_READER_TEXTS_H_

enum class ReadFailure {
  kNone,
  kNotFound,  // the file could not be opened
  kDescription,
  kDescriptionLength,
  kSize,
  kSizeBounds,
  kNoMemory,  // the influence matrix could not be had
  kValues,
};

// Room for the message of any failure.
constexpr int kFailureMessageCapacity = 80;

// Write into message the fixed error report's message for failure (the
// empty string for kNone).
void FailureMessage(ReadFailure failure, char message[kFailureMessageCapacity]);

#endif  // KELVARIN_READER_TEXTS_H_
