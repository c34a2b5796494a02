#include <cstdio>

#include "reader/reader.h"

void FailureMessage(ReadFailure failure, char message[kFailureMessageCapacity]) {
  switch (failure) {
    case ReadFailure::kNone:
      message[0] = '\0';
      return;
    case ReadFailure::kNotFound:
      (void)std::snprintf(message, kFailureMessageCapacity, "Data file not found:");
      return;
    case ReadFailure::kNoMemory:
      (void)std::snprintf(message, kFailureMessageCapacity, "%s", kMatricesOutOfMemory);
      return;
    case ReadFailure::kDescription:
      (void)std::snprintf(message, kFailureMessageCapacity, "Error reading data description.");
      return;
    case ReadFailure::kDescriptionLength:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Max description length exceeded:  max = %d.", kMaxDescriptionLength);
      return;
    case ReadFailure::kSize:
      (void)std::snprintf(message, kFailureMessageCapacity, "Error reading in matrix size.");
      return;
    case ReadFailure::kSizeBounds:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Size of matrix out of bounds.  N must be between %lld and %lld",
                          kMinPlayers, kMaxPlayers);
      return;
    case ReadFailure::kValues:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Error reading in matrix.  Check size and values.");
      return;
  }
}
