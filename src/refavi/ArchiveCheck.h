#pragma once
// The archive check: for each reference AVI of a folder tree, whether it
// can be played as it is. A reference is "ok" when every data link names a
// file that holds the frames it takes from it, "broken" when a link is
// missing or names a file without those frames, "self-contained" when it is
// a DV AVI without links, and "unreadable" when it cannot be walked.
//
// An archive has many references naming the same captures, so the frames
// found in a data file are remembered for the whole check: each frame
// chunk header of a data file is read once, however many references name it.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/progress.h"
#include "platform/win_path.h"
#include "refavi/ContentCheck.h"

namespace mendora {

enum class CheckStatus { kOk, kBroken, kSelfContained, kUnreadable };
enum class LinkStatus { kOk, kMissing, kMismatch };

// "ok", "broken", "self-contained", "unreadable"; "ok", "missing", "mismatch".
const char* CheckStatusName(CheckStatus status);
const char* LinkStatusName(LinkStatus status);

struct LinkCheck {
  std::string path;  // as recorded
  LinkStatus status = LinkStatus::kOk;
  size_t frames = 0;   // frames the reference takes from it
  std::string reason;  // kMismatch: what the data file lacks
};

struct FileCheck {
  std::string path;
  CheckStatus status = CheckStatus::kOk;
  std::string reason;  // kUnreadable: "cannot open", "not DV", "truncated", ...
  std::vector<LinkCheck> links;
};

class ArchiveCheck {
 public:
  explicit ArchiveCheck(FileSystem& fs) : fs_(fs) {}

  // The files that `path` stands for: itself when it is not a folder;
  // otherwise every file of the tree below it that passes the DV probe and
  // is a RIFF file (plain data files are a reference's data, not
  // references), in name order, folders after files. False when the walk
  // was cancelled.
  bool CollectFiles(const std::string& path, std::vector<std::string>* files, ProgressReporter* progress);

  // Checks one file. `progress` (may be null) gets the walk of the file.
  FileCheck CheckFile(const std::string& path, ProgressReporter* progress);

  // Collects and checks all of `paths`, each file's report in order. Reports
  // 0..100 over the whole run. False when cancelled (the reports of the
  // files checked so far are kept).
  bool Run(const std::vector<std::string>& paths, std::vector<FileCheck>* reports, ProgressReporter* progress);

  // Frame chunk headers read from data files so far (for tests and the
  // benchmark's figures).
  uint64_t headers_read() const { return headers_read_; }

 private:
  // What is known of one data file for one frame size.
  struct DataFileState {
    bool looked = false;
    bool exists = false;
    std::vector<uint32_t> good;      // offsets that hold a frame, ascending
    std::vector<uint32_t> bad;       // offsets that failed, ascending
    std::vector<ContentCheckResult> bad_results;  // parallel to bad
  };
  void CheckLink(const LinkFrames& link, uint32_t frame_size, LinkCheck* check);
  bool Walk(const std::string& folder, std::vector<std::string>* files, ProgressReporter* progress, int depth);
  bool IsReferenceCandidate(const std::string& path);
  std::string UnreadableReason(const std::string& path);

  FileSystem& fs_;
  // By the data file's path as Windows compares it, and the frame size.
  std::map<std::pair<std::u32string, uint32_t>, DataFileState> data_files_;
  uint64_t headers_read_ = 0;
};

// The reports are UTF-8: each recorded path is converted from the code page
// of `paths`, a byte it cannot map becoming U+FFFD.
// The report as CSV, one row per link (a file without links has one row
// with the link fields empty): file,status,reason,link,link status,frames.
// A cell that a spreadsheet would run as a formula (=, +, -, @) gets a
// leading '.
std::string FormatCheckCsv(const std::vector<FileCheck>& reports, const WinPath& paths = WinPath());
// The report as one JSON document:
// {"version": 1, "files": [{"path", ["path_bytes",] "status", ["reason",]
//  "links": [{"path", ["path_bytes",] "status", "frames"}]}]}, where
// "path_bytes" holds the recorded bytes in hex when "path" could not show
// them all.
std::string FormatCheckJson(const std::vector<FileCheck>& reports, const WinPath& paths = WinPath());

}  // namespace mendora
