#pragma once
// Drive letters on POSIX, as Wine's dosdevices: each letter names a folder.
// "D:\clips\a.001" becomes "<folder of D>/clips/a.001". A path without a
// drive letter is a native path and is used unchanged; a letter with no
// mapping, or one whose folder is missing, does not exist.
#include <array>
#include <optional>
#include <string>

namespace mendora {

class DriveMap {
 public:
  DriveMap() = default;

  // The map for this user: the file $MENDORA_DRIVES_FILE, else
  // $XDG_CONFIG_HOME/mendora/drives (or ~/.config/mendora/drives), one
  // "X=/folder" a line; then the variable MENDORA_DRIVES ("C=/a;D=/b")
  // on top. Without any entry, Z: is the root folder, as in Wine.
  static DriveMap FromEnvironment();

  // Parses "X=/folder" entries separated by ';' or newlines; '#' starts a
  // comment line. Malformed entries are skipped. Returns entries taken.
  int Parse(const std::string& text);

  // Maps `letter` (either case) to `folder`; an empty folder unmaps it.
  void Set(char letter, const std::string& folder);
  // The folder of a letter, empty when unmapped.
  const std::string& Folder(char letter) const;
  // Bit k set for every letter whose folder exists now.
  uint32_t Present() const;

  // Windows path to native path. Nullopt when the letter is unmapped or the
  // path is not of a form we map (e.g. "C:relative").
  std::optional<std::string> ToNative(const std::string& windows_path) const;
  // Native path to Windows form through the drive whose folder holds it
  // (the longest match). Nullopt when no drive holds it.
  std::optional<std::string> ToWindows(const std::string& native_path) const;

 private:
  std::array<std::string, 26> folders_;
};

}  // namespace mendora
