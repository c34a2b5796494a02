// A group's data file read, then analysed.
#include "load/load.h"

ReadFailure LoadGroup(const GroupFile& file, Reader* reader, Matrix* influence,
                      Analysis* analysis) {
  const ReadFailure failure =
      file.open != nullptr ? ReadGroup(reader, file.open, influence, file.after_header)
                           : ReadDataFile(file.path, file.name != nullptr ? file.name : file.path,
                                          reader, influence);
  if (failure == ReadFailure::kNone) {
    AnalyseGroup(influence->get(), static_cast<int>(reader->size), analysis);
  }
  return failure;
}
