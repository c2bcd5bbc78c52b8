#pragma once
// Drive letters on POSIX, as Wine's dosdevices: each letter names a folder.
// "D:\clips\a.001" becomes "<folder of D>/clips/a.001". A path without a
// drive letter is a native path and is used unchanged; a letter with no
// mapping, or one whose folder is missing, does not exist.
//
// Windows paths carry bytes in the ANSI code page of the Windows that wrote
// them; the map converts the part below the drive's folder to the native
// UTF-8 names and back, in the map's code page.
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
  // on top. Without any entry, Z: is the root folder, as in Wine. The code
  // page comes from a "codepage=N" line of the file, overridden by
  // MENDORA_CODEPAGE.
  static DriveMap FromEnvironment();

  // Parses "X=/folder" entries separated by ';' or newlines; '#' starts a
  // comment line; "codepage=N" sets the code page. Malformed entries and
  // unsupported code pages are skipped. Returns drive entries taken.
  int Parse(const std::string& text);

  // Maps `letter` (either case) to `folder`; an empty folder unmaps it.
  void Set(char letter, const std::string& folder);
  // The folder of a letter, empty when unmapped.
  const std::string& Folder(char letter) const;
  // The code page of recorded paths: the one set, else the process's.
  int code_page() const;
  // The code page set for this map, 0 when none.
  int explicit_code_page() const { return code_page_; }
  // 0 falls back to the process's code page; unsupported pages are ignored.
  void set_code_page(int code_page);

  // Bit k set for every letter whose folder exists now.
  uint32_t Present() const;

  // Windows path to native path. Nullopt when the letter is unmapped, the
  // path is not of a form we map (e.g. "C:relative"), or its bytes are not
  // valid in the code page.
  std::optional<std::string> ToNative(const std::string& windows_path) const;
  // Native path to Windows form through the drive whose folder holds it
  // (the longest match). Nullopt when no drive holds it or the code page
  // cannot hold its name.
  std::optional<std::string> ToWindows(const std::string& native_path) const;

 private:
  std::array<std::string, 26> folders_;
  int code_page_ = 0;
};

}  // namespace mendora
