#include "operation_fakes.h"

#include <algorithm>

#include "common/Types.h"

namespace mendora::test {
namespace {
constexpr char kMagic[] = "REFAVI\n";
constexpr size_t kBlock = 24;
}  // namespace

std::string FakeAvi(const std::vector<std::string>& links) {
  std::string bytes = kMagic;
  for (const std::string& link : links) bytes += link + "\n";
  return bytes;
}

bool ParseFakeAvi(const std::string& bytes, std::vector<std::string>* links) {
  links->clear();
  if (bytes.compare(0, sizeof kMagic - 1, kMagic) != 0) return false;
  size_t at = sizeof kMagic - 1;
  for (size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1)
    links->push_back(bytes.substr(at, end - at));
  return true;
}

bool FakeSteps::ReadAll(const std::string& path, std::string* bytes, ProgressReporter* progress, int scale) {
  bytes->clear();
  auto file = fs_.Open(path, OpenMode::kRead);
  uint64_t size = 0;
  if (!file || !file->Size(&size)) return false;
  char block[kBlock];
  while (bytes->size() < size) {
    const size_t got = file->Read(block, std::min<uint64_t>(kBlock, size - bytes->size()));
    if (got == 0) return false;
    bytes->append(block, got);
    if (progress != nullptr && !progress->Report(static_cast<int>(bytes->size() * scale / size))) return false;
  }
  return true;
}

int FakeSteps::GetContentList(const std::string& path, std::vector<std::string>* links, ProgressReporter* progress) {
  std::string bytes;
  const bool whole = ReadAll(path, &bytes, progress, 100);
  if (progress != nullptr && !progress->Running()) {
    links->clear();
    return 0;
  }
  // Like the reader: the links found so far, even when the walk broke off.
  if (!ParseFakeAvi(bytes, links)) links->clear();
  return whole && !links->empty();
}

int FakeSteps::CreateAvi(const std::string& source, const std::string& output, const std::vector<std::string>&,
                         const std::vector<std::string>& old_paths, const std::vector<std::string>& new_paths,
                         int* code, ProgressReporter* progress) {
  ++creations;
  last_old = old_paths;
  last_new = new_paths;
  std::string bytes;
  std::vector<std::string> links;
  if (!ReadAll(source, &bytes, progress, 50) || !ParseFakeAvi(bytes, &links)) {
    *code = 'x';
    return 0;
  }
  for (std::string& link : links) {
    const auto it = std::find(old_paths.begin(), old_paths.end(), link);
    if (it != old_paths.end()) link = new_paths[static_cast<size_t>(it - old_paths.begin())];
  }
  const std::string out = FakeAvi(links);
  auto file = fs_.Open(output, OpenMode::kCreateWrite);
  if (!file) {
    *code = 'y';
    return 0;
  }
  for (size_t at = 0; at < out.size(); at += kBlock) {
    const size_t n = std::min(kBlock, out.size() - at);
    if (file->Write(out.data() + at, n) != n) {
      *code = 'z';
      return 0;
    }
    if (progress != nullptr && !progress->Report(50 + static_cast<int>((at + n) * 50 / out.size()))) return 0;
  }
  // On the disk when the step returns, as the real writer's output is.
  if (!file->Flush() || !file->Close()) {
    *code = 'z';
    return 0;
  }
  return 1;
}

int ScriptedUi::RunStep(ProgressStep& step) {
  log.push_back("step: " + step.Caption());
  int in_step = 0;
  return pump_.Run(step, [this, &step, &in_step](int) {
    const int overall = reports++;
    const int here = in_step++;
    if (overall == cancel_at_report) return false;
    if (step.kind() == cancel_in_kind && here == cancel_in_kind_at) return false;
    return true;
  });
}

int ScriptedUi::SearchMissing(const std::string&, const std::string& avi_name, const std::vector<std::string>& missing,
                              std::vector<std::string>& found, std::vector<int>& found_flags,
                              const std::shared_ptr<const ReferenceFrames>&) {
  log.push_back("search: " + avi_name);
  if (cancel_search) return IDCANCEL;
  int all = 1;
  for (size_t i = 0; i < missing.size(); ++i) {
    const auto it = locate.find(missing[i]);
    if (it == locate.end()) {
      all = 0;
      continue;
    }
    found[i] = it->second;
    found_flags[i] = 1;
  }
  return all;
}

void ScriptedUi::NoteNewFiles(const std::vector<std::string>& paths) {
  noted.insert(noted.end(), paths.begin(), paths.end());
}

bool ScriptedUi::AskRetry(const std::string& text) {
  log.push_back("retry: " + text);
  if (retries.empty()) return false;
  const bool answer = retries.front();
  retries.pop_front();
  return answer;
}

bool ScriptedUi::AskRecover(const std::string& text) {
  log.push_back("recover: " + text);
  return recover;
}

bool ScriptedUi::BrowseFolder(const std::string& title, std::string* chosen) {
  log.push_back("browse: " + title);
  if (folder.empty()) return false;
  *chosen = folder;
  return true;
}

int ScriptedUi::AskOverwrite(const std::string& warning, const std::string& path, const std::string& question) {
  log.push_back("overwrite: " + warning + "|" + path + "|" + question);
  return overwrite;
}

void ScriptedUi::ShowMessage(const std::string& text) {
  log.push_back("message: " + text);
  messages.push_back(text);
}

void ScriptedUi::ShowError(int code) {
  log.push_back("error: " + std::to_string(code));
  errors.push_back(code);
}

}  // namespace mendora::test
