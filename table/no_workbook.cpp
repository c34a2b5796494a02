// The workbook's functions in the page's kelvarin-table, which writes none:
// libxlsxwriter and zlib would take the page over the weight it must keep.
// --xlsx there is an error that says so; the page offers the CSV and the
// JSON lines.
#include "table/table.h"

struct Workbook {};

namespace {

constexpr const char* kNoWorkbook = "this build of kelvarin-table (the page's) writes no workbook";

}  // namespace

void WorkbookEnd::operator()(Workbook* workbook) const { delete workbook; }

WorkbookWriter BeginWorkbook(const char* /*path*/, std::string* reason) {
  *reason = kNoWorkbook;
  return nullptr;
}

void AddToWorkbook(Workbook* /*workbook*/, const std::string& /*file*/, const Group& /*group*/) {}

bool WorkbookFailed(const Workbook& /*workbook*/) { return true; }

bool EndWorkbook(Workbook* /*workbook*/, std::string* reason) {
  *reason = kNoWorkbook;
  return false;
}
