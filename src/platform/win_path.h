#pragma once
// Recorded Windows paths: split, joined and compared here, and nowhere else.
//
// A path is bytes in a code page (AnsiCodePage() unless one is given). It is
// read character by character: in CP932 a lead byte takes the next byte with
// it, and that byte may be 0x5C, the backslash ("ソ" is 83 5C, "表" 95 5C),
// so a byte-wise search for the last backslash cuts a Japanese name in two.
// In 1252 each byte is a character; in UTF-8 0x5C never lies inside one.
//
// A separator is a backslash, or a '/' as Windows also takes it.
//
// Names compare as Windows compares them: character by character, ignoring
// case (the simple upper-case of each character), never byte by byte.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace mendora {

class WinPath {
 public:
  // The code page of recorded paths for this process.
  WinPath() : code_page_(AnsiCodePage()) {}
  explicit WinPath(int code_page) : code_page_(code_page) {}

  int code_page() const { return code_page_; }

  // Offset of the last separator that is a character of its own, npos when
  // there is none.
  size_t LastSeparator(std::string_view path) const;
  bool EndsWithSeparator(std::string_view path) const;

  // Splits at the last backslash: the folder keeps its backslash. False
  // when the path has none.
  bool Split(std::string_view path, std::string* folder, std::string* name) const;
  // The text after the last backslash; the whole path when it has none.
  std::string FileName(std::string_view path) const;
  // The folder with its backslash; empty when the path has none.
  std::string Folder(std::string_view path) const;
  // `folder` plus a backslash unless it already ends with one, plus `name`.
  std::string Join(std::string_view folder, std::string_view name) const;
  // The path without a backslash at its end; a drive root keeps it ("C:\").
  std::string WithoutSeparator(std::string_view path) const;
  // "D:\media\sub\" (or "D:\media\sub") gives "D:\media\"; empty for a
  // drive root or a path of one part.
  std::string Parent(std::string_view folder) const;
  // The name's extension with its dot ("take.001" gives ".001"), empty
  // when its name has none.
  std::string Extension(std::string_view path) const;
  // Where the collision rule's "~NNN" goes in `path`: before the last '.' of
  // its file name, or at its end when the name has none. A dot in a folder
  // name never counts.
  size_t MarkerPosition(std::string_view path) const;

  // Same path, as Windows compares: by characters, ignoring case.
  bool Same(std::string_view a, std::string_view b) const;
  // When `path` lies under `folder` (on folder boundaries, ignoring case):
  // the offset in `path` where the rest below the folder begins. "D:\ソ"
  // holds "D:\ソ\a.001" (rest "a.001") but not "D:\ソフト\a.001".
  std::optional<size_t> Under(std::string_view path, std::string_view folder) const;
  // A key that is equal for two paths exactly when Same() says so.
  std::u32string Key(std::string_view path) const;

  // The path as UTF-8 for a report. A byte the code page cannot map becomes
  // U+FFFD, and *lossy (when given) turns true.
  std::string ToUtf8(std::string_view path, bool* lossy = nullptr) const;

 private:
  // Length of the character that begins at `i`.
  size_t CharLength(std::string_view text, size_t i) const;

  int code_page_;
};

// A drive letter's index, 0 for 'A' or 'a' to 25 for 'Z'; -1 for any other byte.
inline int DriveIndex(char letter) {
  if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  if (letter >= 'a' && letter <= 'z') return letter - 'a';
  return -1;
}

// The recorded bytes as hexadecimal ("83 5C" as "835c"), for a report that
// must keep a path its code page cannot show.
std::string HexBytes(std::string_view bytes);

}  // namespace mendora
