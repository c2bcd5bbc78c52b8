#pragma once
// What the check report window shows: a row per data link of each checked
// reference AVI (one row for a file without links), the files that need
// attention first, and which row a double-click fixes.
#include <string>
#include <vector>

#include "refavi/ArchiveCheck.h"

namespace mendora {

struct CheckRow {
  std::string file;   // the reference AVI
  std::string link;   // the data link; for an unreadable file, the reason
  unsigned status;    // IDS_STATUS_*: the link's status, or the file's when it has no links
  std::string frames; // empty for a file without links
  size_t file_index;  // into CheckReport::files()
};

class CheckReport {
 public:
  explicit CheckReport(std::vector<FileCheck> files = {});

  const std::vector<FileCheck>& files() const { return files_; }
  const std::vector<CheckRow>& rows() const { return rows_; }

  // The reference AVI that a double-click on `row` fixes: the row's file
  // when it is broken, else empty (nothing to fix, or nothing Fix can read).
  std::string FixTarget(size_t row) const;
  // Puts a new report of the same file (checked again after a fix) in place
  // of the old one.
  void Replace(const FileCheck& file);
  // The whole report as CSV, in the order the files were checked.
  std::string Csv() const { return FormatCheckCsv(files_); }

 private:
  void BuildRows();

  std::vector<FileCheck> files_;
  std::vector<CheckRow> rows_;
};

}  // namespace mendora
