#include "refavi/ArchiveCheck.h"

#include <algorithm>
#include <cstdio>

#include "refavi/DvFileProbe.h"
#include "refavi/JsonText.h"
#include "refavi/Layout.h"
#include "refavi/RefAviReader.h"

namespace mendora {

const char* CheckStatusName(CheckStatus status) {
  switch (status) {
    case CheckStatus::kOk: return "ok";
    case CheckStatus::kBroken: return "broken";
    case CheckStatus::kSelfContained: return "self-contained";
    case CheckStatus::kUnreadable: return "unreadable";
  }
  return "";
}

const char* LinkStatusName(LinkStatus status) {
  switch (status) {
    case LinkStatus::kOk: return "ok";
    case LinkStatus::kMissing: return "missing";
    case LinkStatus::kMismatch: return "mismatch";
  }
  return "";
}

namespace {

// Folder trees deeper than this are not walked (a link loop the reparse
// bit does not show).
constexpr int kMaxWalkDepth = 64;

// Hands a step's 0..100 on as a part [from, to] of the whole run.
class PartSink : public ProgressSink {
 public:
  PartSink(ProgressReporter* outer, int from, int to) : outer_(outer), from_(from), to_(to) {}
  void Report(int percent) override { outer_->Report(Scale(percent)); }
  void Post(int percent) override { outer_->Report(Scale(percent)); }

 private:
  int Scale(int percent) const { return from_ + (to_ - from_) * std::clamp(percent, 0, 100) / 100; }
  ProgressReporter* outer_;
  int from_;
  int to_;
};

// Whether a file the analysis refused is a DV AVI without links. The
// analysis refuses a sound stream header with a handler, as the program
// always has; ffmpeg (and other writers) put 1 there, and a plain DV AVI of
// theirs must not look broken. This walk takes any handler and is otherwise
// the analysis's own.
class PlainDvWalk : public RefAviReader {
 public:
  explicit PlainDvWalk(FileSystem& fs) : RefAviReader(fs) {}

  // True when the whole file walks and no frame of it holds a REF record.
  bool WalksWithoutLinks(const std::string& path) {
    if (!OpenFile(path)) return false;
    DataLinkList list;
    return WalkTopLevel(&list) != 0 && list.empty();
  }

 protected:
  int CheckStreamHeader(const AviStreamHeader& header) override {
    if (header.fccType == fcc::auds) return 1;
    return RefAviReader::CheckStreamHeader(header);
  }
};

}  // namespace

bool ArchiveCheck::IsReferenceCandidate(const std::string& path) {
  if (ProbeDvFile(fs_, path) != kDvProbeIsDv) return false;
  std::unique_ptr<File> file = fs_.Open(path, OpenMode::kRead);
  uint8_t id[4];
  return file && file->ReadAt(0, id, sizeof id) == sizeof id && LoadU32(id) == fcc::RIFF;
}

bool ArchiveCheck::Walk(const std::string& folder, std::vector<std::string>* files, ProgressReporter* progress,
                        int depth) {
  if (depth > kMaxWalkDepth) return true;
  std::unique_ptr<DirFind> find = fs_.Find(folder);
  if (!find) return true;
  std::vector<std::string> names, folders;
  for (DirEntry entry; find->Next(&entry);) {
    if (entry.attributes & kAttrDirectory) {
      if (!(entry.attributes & kAttrReparsePoint)) folders.push_back(entry.name);
    } else {
      names.push_back(entry.name);
    }
  }
  find.reset();
  std::sort(names.begin(), names.end());
  std::sort(folders.begin(), folders.end());
  for (const std::string& name : names) {
    if (progress != nullptr && !progress->Running()) return false;
    const std::string path = WinPath().Join(folder, name);
    if (IsReferenceCandidate(path)) files->push_back(path);
  }
  for (const std::string& name : folders)
    if (!Walk(WinPath().Join(folder, name), files, progress, depth + 1)) return false;
  return true;
}

bool ArchiveCheck::CollectFiles(const std::string& path, std::vector<std::string>* files,
                                ProgressReporter* progress) {
  const uint32_t attributes = fs_.GetAttributes(path);
  if (attributes == kInvalidAttributes || !(attributes & kAttrDirectory)) {
    files->push_back(path);
    return true;
  }
  return Walk(path, files, progress, 0);
}

std::string ArchiveCheck::UnreadableReason(const std::string& path) {
  std::unique_ptr<File> file = fs_.Open(path, OpenMode::kRead);
  uint64_t size = 0;
  if (!file || !file->Size(&size)) return "cannot open";
  // A RIFF (the first or an "AVIX" continuation) that claims more than the
  // file holds: the copy or the capture was cut short.
  uint64_t at = 0;
  while (at + ChunkHeader::kSize <= size) {
    uint8_t header[ChunkHeader::kSize];
    if (file->ReadAt(at, header, sizeof header) != sizeof header) return "cannot read";
    if (LoadU32(header) != fcc::RIFF) break;
    at += ChunkHeader::kSize + RoundedSize(LoadU32(header + 4));
    if (at > size) return "truncated";
  }
  if (at == 0) return "not an AVI file";
  return "malformed";
}

FileCheck ArchiveCheck::CheckFile(const std::string& path, ProgressReporter* progress) {
  FileCheck check;
  check.path = path;
  check.status = CheckStatus::kUnreadable;
  const int probe = ProbeDvFile(fs_, path);
  if (probe == kDvProbeOpenFailed) {
    check.reason = "cannot open";
    return check;
  }
  if (probe != kDvProbeIsDv) {
    check.reason = "not DV";
    return check;
  }
  ReferenceFrames frames;
  if (!ReadReferenceFrames(fs_, path, &frames, progress)) {
    if (progress != nullptr && !progress->Running()) {
      check.reason = "cancelled";
      return check;
    }
    // No list: a DV AVI whose walk succeeds has no links at all.
    if (PlainDvWalk(fs_).WalksWithoutLinks(path)) {
      check.status = CheckStatus::kSelfContained;
      return check;
    }
    check.reason = UnreadableReason(path);
    return check;
  }
  check.status = CheckStatus::kOk;
  for (const LinkFrames& link : frames.links) {
    LinkCheck& out = check.links.emplace_back();
    out.path = link.path;
    out.frames = link.frame_count;
    CheckLink(link, frames.frame_size, &out);
    if (out.status != LinkStatus::kOk) check.status = CheckStatus::kBroken;
  }
  return check;
}

void ArchiveCheck::CheckLink(const LinkFrames& link, uint32_t frame_size, LinkCheck* check) {
  // One data file, however its references spell it: Windows names ignore case.
  DataFileState& state = data_files_[{WinPath().Key(link.path), frame_size}];
  if (!state.looked) {
    state.looked = true;
    state.exists = !link.path.empty() && fs_.Exists(link.path);
  }
  if (!state.exists) {
    check->status = LinkStatus::kMissing;
    return;
  }
  // A failure seen for another reference at one of these offsets stands.
  for (size_t i = 0; i < state.bad.size(); ++i) {
    if (std::binary_search(link.offsets.begin(), link.offsets.end(), state.bad[i])) {
      check->status = LinkStatus::kMismatch;
      check->reason = DescribeContentCheck(state.bad_results[i], frame_size);
      return;
    }
  }
  // Only the offsets no reference has had checked yet are read.
  LinkFrames unseen;
  unseen.path = link.path;
  std::set_difference(link.offsets.begin(), link.offsets.end(), state.good.begin(), state.good.end(),
                      std::back_inserter(unseen.offsets));
  if (unseen.offsets.empty()) return;
  const ContentCheckResult result = CheckLinkContent(fs_, link.path, unseen, frame_size);
  headers_read_ += unseen.offsets.size();
  if (!result.ok()) {
    check->status = LinkStatus::kMismatch;
    check->reason = DescribeContentCheck(result, frame_size);
    const auto at = std::lower_bound(state.bad.begin(), state.bad.end(), static_cast<uint32_t>(result.offset));
    state.bad_results.insert(state.bad_results.begin() + (at - state.bad.begin()), result);
    state.bad.insert(at, static_cast<uint32_t>(result.offset));
    // The offsets before the failing one were read and hold frames.
    unseen.offsets.erase(std::lower_bound(unseen.offsets.begin(), unseen.offsets.end(),
                                          static_cast<uint32_t>(result.offset)),
                         unseen.offsets.end());
    if (result.verdict == ContentVerdict::kCannotOpen) unseen.offsets.clear();
  }
  std::vector<uint32_t> merged;
  merged.reserve(state.good.size() + unseen.offsets.size());
  std::merge(state.good.begin(), state.good.end(), unseen.offsets.begin(), unseen.offsets.end(),
             std::back_inserter(merged));
  state.good.swap(merged);
}

bool ArchiveCheck::Run(const std::vector<std::string>& paths, std::vector<FileCheck>* reports,
                       ProgressReporter* progress) {
  std::vector<std::string> files;
  for (const std::string& path : paths)
    if (!CollectFiles(path, &files, progress)) return false;
  // The walk takes the first 5 %, the files share the rest evenly.
  if (progress != nullptr && !progress->Report(5)) return false;
  for (size_t i = 0; i < files.size(); ++i) {
    const int from = 5 + static_cast<int>(95 * i / files.size());
    const int to = 5 + static_cast<int>(95 * (i + 1) / files.size());
    PartSink part(progress, from, to);
    ProgressReporter file_progress(progress != nullptr ? progress->running_flag() : nullptr,
                                   progress != nullptr && progress->sink() != nullptr ? &part : nullptr);
    FileCheck check = CheckFile(files[i], progress != nullptr ? &file_progress : nullptr);
    if (progress != nullptr && !progress->Running()) return false;
    reports->push_back(std::move(check));
  }
  if (progress != nullptr) progress->Report(100);
  return true;
}

namespace {

// Recorded paths reach a report as UTF-8, whatever their code page, with
// U+FFFD for a byte the code page cannot map.
std::string CsvField(const WinPath& paths, const std::string& recorded) {
  std::string text = paths.ToUtf8(recorded);
  // A spreadsheet runs a cell that begins so as a formula.
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) text.insert(0, "'");
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string FormatCheckCsv(const std::vector<FileCheck>& reports, const WinPath& paths) {
  std::string csv = "file,status,reason,link,link status,frames\r\n";
  for (const FileCheck& file : reports) {
    const std::string head =
        CsvField(paths, file.path) + "," + CheckStatusName(file.status) + "," + CsvField(paths, file.reason) + ",";
    if (file.links.empty()) csv += head + ",,\r\n";
    for (const LinkCheck& link : file.links)
      csv += head + CsvField(paths, link.path) + "," + LinkStatusName(link.status) + "," + std::to_string(link.frames) +
             "\r\n";
  }
  return csv;
}

std::string FormatCheckJson(const std::vector<FileCheck>& reports, const WinPath& paths) {
  std::string json = "{\"version\": 1, \"files\": [";
  for (size_t i = 0; i < reports.size(); ++i) {
    const FileCheck& file = reports[i];
    json += i == 0 ? "\n  " : ",\n  ";
    json += "{" + JsonPathMembers(paths, file.path) + ", \"status\": " + JsonString(CheckStatusName(file.status));
    if (file.status == CheckStatus::kUnreadable) json += ", \"reason\": " + JsonString(paths.ToUtf8(file.reason));
    json += ", \"links\": [";
    for (size_t k = 0; k < file.links.size(); ++k) {
      const LinkCheck& link = file.links[k];
      json += k == 0 ? "\n    " : ",\n    ";
      json += "{" + JsonPathMembers(paths, link.path) + ", \"status\": " + JsonString(LinkStatusName(link.status)) +
              ", \"frames\": " + std::to_string(link.frames) + "}";
    }
    json += file.links.empty() ? "]}" : "\n  ]}";
  }
  json += reports.empty() ? "]}\n" : "\n]}\n";
  return json;
}

}  // namespace mendora
