// check: which reference AVIs of an archive play as they are.
#include <atomic>
#include <cstring>

#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "refavi/ArchiveCheck.h"

namespace mendora::cli {

namespace {

void Print(std::FILE* out, const std::string& text) { std::fwrite(text.data(), 1, text.size(), out); }

// The readable table: a line per file, its links indented below it.
void PrintTable(std::FILE* out, const std::vector<FileCheck>& reports) {
  size_t counts[4] = {};
  for (const FileCheck& file : reports) {
    ++counts[static_cast<int>(file.status)];
    std::string line = CheckStatusName(file.status);
    line.resize(16, ' ');
    line += file.path;
    if (!file.reason.empty()) line += "  (" + file.reason + ")";
    Print(out, line + "\n");
    for (const LinkCheck& link : file.links) {
      char head[40];
      std::snprintf(head, sizeof head, "  %-9s %8zu  ", LinkStatusName(link.status), link.frames);
      std::string row = head + link.path;
      if (!link.reason.empty()) row += "  (" + link.reason + ")";
      Print(out, row + "\n");
    }
  }
  std::fprintf(out, "%zu files: %zu ok, %zu broken, %zu self-contained, %zu unreadable\n", reports.size(),
               counts[static_cast<int>(CheckStatus::kOk)], counts[static_cast<int>(CheckStatus::kBroken)],
               counts[static_cast<int>(CheckStatus::kSelfContained)],
               counts[static_cast<int>(CheckStatus::kUnreadable)]);
}

int Check(Context& context, const std::vector<std::string>& arguments) {
  enum { kTable, kJson, kCsv } format = kTable;
  std::vector<std::string> paths;
  bool usage_error = false;
  for (const std::string& a : arguments) {
    if (a == "--json" || a == "--csv") {
      if (format != kTable) usage_error = true;
      format = a == "--json" ? kJson : kCsv;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      usage_error = true;
    } else {
      paths.push_back(context.core_path(a));
    }
  }
  if (usage_error || paths.empty()) {
    std::fprintf(context.err, "usage: mendora-cli check [--json | --csv] PATH...\n");
    return 2;
  }
  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  ArchiveCheck check(context.fs);
  std::vector<FileCheck> reports;
  check.Run(paths, &reports, &progress);
  bar.Finish();
  switch (format) {
    case kJson:
    case kCsv:
      std::fflush(context.out);
      Print(context.utf8_out, format == kJson ? FormatCheckJson(reports) : FormatCheckCsv(reports));
      break;
    case kTable: PrintTable(context.out, reports); break;
  }
  for (const FileCheck& file : reports)
    if (file.status == CheckStatus::kBroken || file.status == CheckStatus::kUnreadable) return 1;
  return 0;
}

}  // namespace

void AddCheckCommands(std::vector<Command>* table) {
  table->push_back({"check", "[--json | --csv] PATH...",
                    "Tells which reference AVIs are broken: a file, or each in a folder tree.",
                    {{"--json", "one JSON document: each file and its links"}, {"--csv", "one CSV row per link"}},
                    Check});
}

}  // namespace mendora::cli
