#include "operation/CheckReport.h"

#include <algorithm>

#include "common/Texts.h"

namespace mendora {

namespace {

// Broken files first: they are what a fix can mend; then the files that
// cannot be read, then the rest.
int Rank(CheckStatus status) {
  switch (status) {
    case CheckStatus::kBroken: return 0;
    case CheckStatus::kUnreadable: return 1;
    case CheckStatus::kOk: return 2;
    case CheckStatus::kSelfContained: return 3;
  }
  return 4;
}

unsigned StatusText(CheckStatus status) {
  switch (status) {
    case CheckStatus::kOk: return IDS_STATUS_OK;
    case CheckStatus::kBroken: return IDS_STATUS_BROKEN;
    case CheckStatus::kSelfContained: return IDS_STATUS_SELF_CONTAINED;
    case CheckStatus::kUnreadable: return IDS_STATUS_UNREADABLE;
  }
  return IDS_STATUS_UNREADABLE;
}

unsigned StatusText(LinkStatus status) {
  switch (status) {
    case LinkStatus::kOk: return IDS_STATUS_OK;
    case LinkStatus::kMissing: return IDS_STATUS_MISSING;
    case LinkStatus::kMismatch: return IDS_STATUS_MISMATCH;
  }
  return IDS_STATUS_MISSING;
}

}  // namespace

CheckReport::CheckReport(std::vector<FileCheck> files) : files_(std::move(files)) { BuildRows(); }

void CheckReport::BuildRows() {
  std::vector<size_t> order(files_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [this](size_t a, size_t b) { return Rank(files_[a].status) < Rank(files_[b].status); });
  rows_.clear();
  for (const size_t i : order) {
    const FileCheck& file = files_[i];
    if (file.links.empty()) {
      rows_.push_back({file.path, file.reason, StatusText(file.status), "", i});
      continue;
    }
    // Within a file, the links that fail come first.
    for (const bool good : {false, true})
      for (const LinkCheck& link : file.links)
        if ((link.status == LinkStatus::kOk) == good)
          rows_.push_back({file.path, link.path, StatusText(link.status), std::to_string(link.frames), i});
  }
}

std::string CheckReport::FixTarget(size_t row) const {
  if (row >= rows_.size()) return {};
  const FileCheck& file = files_[rows_[row].file_index];
  return file.status == CheckStatus::kBroken ? file.path : std::string();
}

void CheckReport::Replace(const FileCheck& file) {
  for (FileCheck& old : files_)
    if (old.path == file.path) old = file;
  BuildRows();
}

}  // namespace mendora
