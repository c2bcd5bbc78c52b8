#include "cli/ConsoleSearchUi.h"

#include <cctype>

#include "common/ErrorTable.h"
#include "platform/win_path.h"
#include "search/FoundChoice.h"
#include "search/ManualLocate.h"

namespace mendora {

bool ParseDriveLetters(const std::string& text, uint32_t* mask) {
  uint32_t drives = 0;
  for (const char c : text) {
    const int drive = DriveIndex(c);
    if (drive < 0) return false;
    drives |= 1u << drive;
  }
  *mask = drives;
  return true;
}

ConsoleSearchUi::ConsoleSearchUi(std::FILE* in, std::FILE* out, std::FILE* err, ConsoleSearchOptions options)
    : in_(in), out_(out), err_(err), options_(std::move(options)), used_(options_.locate.size(), false) {}

bool ConsoleSearchUi::Ask(const std::string& prompt, std::string* answer) {
  std::fprintf(err_, "%s", prompt.c_str());
  std::fflush(err_);
  answer->clear();
  int ch = EOF;
  while ((ch = std::fgetc(in_)) != EOF && ch != '\n')
    if (ch != '\r') *answer += static_cast<char>(ch);
  return ch != EOF || !answer->empty();
}

FoundButton ConsoleSearchUi::AskFound(const FoundChoice& dlg) {
  std::fprintf(out_, "%s\n%s\n%s\n", dlg.question_text().c_str(), dlg.missing_text().c_str(),
               dlg.similar_text().c_str());
  std::fflush(out_);
  if (options_.accept_first) return FoundButton::kOk;
  if (!options_.interactive || input_ended_) return FoundButton::kNext;
  std::string answer;
  while (Ask("[o]k, [n]ext, [r]eference, [c]ancel? ", &answer)) {
    const char c = answer.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
    if (c == 'o' || c == 'y') return FoundButton::kOk;
    if (c == 'n') return FoundButton::kNext;
    if (c == 'r') return FoundButton::kReference;
    if (c == 'c') return FoundButton::kCancel;
  }
  // No answer can come any more: pass over, as without a terminal.
  input_ended_ = true;
  return FoundButton::kNext;
}

bool ConsoleSearchUi::ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) {
  *filter_index = dlg.filter_index();
  // An answer for this very link first, then one by its name.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < options_.locate.size(); ++i) {
      if (used_[i]) continue;
      const std::string& key = options_.locate[i].first;
      // As the user typed it: a recorded path or a name, in any case.
      const WinPath paths;
      if (pass == 0 ? dlg.missing_link().empty() || !paths.Same(key, dlg.missing_link())
                    : !paths.Same(key, dlg.missing_name()) && !paths.Same(paths.FileName(key), dlg.missing_name()))
        continue;
      used_[i] = true;
      *path = options_.locate[i].second;
      return true;
    }
  }
  std::fprintf(err_, "%s\n%s%s\n", dlg.title().c_str(), dlg.prompt().c_str(), dlg.missing_name().c_str());
  if (!options_.interactive || input_ended_) return false;
  std::string answer;
  if (!Ask("(path, or empty to give up) ", &answer)) input_ended_ = true;
  if (answer.empty()) return false;
  *path = options_.to_core_path ? options_.to_core_path(answer) : answer;
  return true;
}

bool ConsoleSearchUi::AskUpdateOthers(const std::string& text,
                                      const std::vector<std::pair<std::string, std::string>>& places) {
  std::fprintf(out_, "%s\n", text.c_str());
  for (const auto& [missing, found] : places) std::fprintf(out_, "    %s\n      -> %s\n", missing.c_str(), found.c_str());
  std::fflush(out_);
  if (options_.accept_first) return true;
  if (!options_.interactive || input_ended_) return false;
  std::string answer;
  if (!Ask("[y/N] ", &answer)) input_ended_ = true;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

void ConsoleSearchUi::ShowPassedOver(const std::string& candidate, const std::string& missing_link,
                                     const std::string& reason) {
  std::fprintf(out_, "Passed over:   %s   %s (not the frames of %s)\n", candidate.c_str(), reason.c_str(),
               missing_link.c_str());
  std::fflush(out_);
}

void ConsoleSearchUi::ShowNotTheFrames(const std::string& text, const std::string& reason) {
  std::fprintf(err_, "%s\n    It %s.\n", text.c_str(), reason.c_str());
  std::fflush(err_);
}

void ConsoleSearchUi::ShowError(int code) {
  const ErrorMessage message = ErrorMessageFor(code);
  std::fprintf(err_, "%s: %s\n", message.caption.c_str(), message.message.c_str());
}

void ConsoleSearchUi::ShowMessage(const std::string& text) {
  std::fprintf(out_, "%s", text.c_str());
  if (text.empty() || text.back() != '\n') std::fputc('\n', out_);
  std::fflush(out_);
}

}  // namespace mendora
