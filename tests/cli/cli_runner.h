#pragma once
// mendora-cli run in-process as a test sees it: the exit status and all that
// it printed. Natively the tool gets the test's drives through --drive, and
// its settings file lives on the test's drive C: instead of the user's.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "refavi/GetContentList.h"
#include "support/test_drives.h"

namespace mendora::test {

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

inline std::string ReadAllOf(std::FILE* f) {
  std::string text;
  std::rewind(f);
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  return text;
}

// Runs the tool with `arguments`; natively the test's drives named in
// `letters` are mapped for the run (under Windows they are real drives).
inline CliRun RunCli(const TestDrives& drives, const std::string& letters, std::vector<std::string> arguments) {
#ifndef _WIN32
  for (auto letter = letters.rbegin(); letter != letters.rend(); ++letter)
    arguments.insert(arguments.begin(), {"--drive", std::string(1, *letter) + "=" + drives.Native(drives.Root(*letter))});
#else
  (void)drives;
  (void)letters;
#endif
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliRun run;
  run.status = cli::RunCli(arguments, out, err, false);
  run.out = ReadAllOf(out);
  run.err = ReadAllOf(err);
  std::fclose(out);
  std::fclose(err);
  return run;
}

// Natively, keeps the tool's settings in a file on the test's drive C: while
// it lives. Under Windows the settings are the registry key, as in use.
class CliSettingsFile {
 public:
  explicit CliSettingsFile(const TestDrives& drives) {
#ifndef _WIN32
    path_ = drives.Native(drives.Path('C', "settings.reg"));
    setenv("MENDORA_SETTINGS_FILE", path_.c_str(), 1);
#else
    (void)drives;
#endif
  }
  ~CliSettingsFile() {
#ifndef _WIN32
    unsetenv("MENDORA_SETTINGS_FILE");
#endif
  }
  CliSettingsFile(const CliSettingsFile&) = delete;
  CliSettingsFile& operator=(const CliSettingsFile&) = delete;

 private:
  std::string path_;
};

// The data links of the reference AVI at `path`, as the analysis lists them.
inline std::vector<std::string> LinksOf(FileSystem& fs, const std::string& path) {
  ContentListReader reader(fs);
  DataLinkList list;
  reader.GetContentList(path, 1, &list, nullptr);
  return list.paths();
}

}  // namespace mendora::test
