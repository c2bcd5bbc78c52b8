// The console layer on POSIX: drives from the user's map and --drive.
#include <unistd.h>

#include <cctype>
#include <filesystem>

#include "cli/commands.h"
#include "platform/drive_map.h"
#include "platform/posix/fs_posix.h"

namespace mendora::cli {

FileSystem* MakeFileSystem(const std::vector<std::string>& drives, std::unique_ptr<FileSystem>* owner,
                           std::string* error) {
  DriveMap map = DriveMap::FromEnvironment();
  for (const std::string& drive : drives) {
    DriveMap one;
    if (drive.size() < 3 || drive[1] != '=' || one.Parse(drive) != 1) {
      *error = "--drive wants X=DIR, not \"" + drive + "\"";
      return nullptr;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(drive.substr(2), ec);
    map.Set(drive[0], ec ? drive.substr(2) : folder.lexically_normal().string());
  }
  *owner = std::make_unique<PosixFileSystem>(map);
  return owner->get();
}

std::string CorePath(FileSystem& fs, const std::string& argument) {
  const bool windows_form = argument.size() >= 2 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
                            argument[1] == ':';
  if (windows_form) return argument;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(argument, ec);
  if (ec) return argument;
  const auto windows = static_cast<PosixFileSystem&>(fs).drive_map().ToWindows(absolute.lexically_normal().string());
  return windows ? *windows : argument;
}

void SetBinaryOutput(std::FILE*) {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace mendora::cli
