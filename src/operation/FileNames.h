#pragma once
// Names around a reference AVI and its data files: the temporary file a new
// reference AVI is written to, the backup the old one becomes, and the
// collision-free name a carried data file gets when its name is taken.
#include <functional>
#include <string>

namespace mendora {

class FileSystem;

// The output path with ".tmp" appended to the whole name.
std::string TemporaryPath(const std::string& path);
// A reference AVI path with ".bak" appended to the whole name.
std::string BackupPath(const std::string& path);
// Where an older backup waits while a new one is made ("NAME.avi.bak.tmp"),
// so that it goes only once the new reference AVI has its name.
std::string OlderBackupPath(const std::string& path);

// Splits at the last backslash: the folder keeps its backslash. False when
// the path has none.
bool SplitPath(const std::string& path, std::string* folder, std::string* name);

// `folder` plus a backslash unless it already ends with one, plus `name`.
std::string JoinPath(const std::string& folder, const std::string& name);

// The k-th candidate of the unique name rule: "~%03d" inserted before the
// last '.' of the whole path, or in front when there is none.
std::string UniqueCandidate(const std::string& path, unsigned k);

// The first candidate (k = 1, 2, ...) that does not exist and that `taken`
// (may be empty) does not claim.
std::string UniqueName(FileSystem& fs, const std::string& path,
                       const std::function<bool(const std::string&)>& taken = {});

// Same volume for a rename: both paths have a drive letter and it is the
// same letter, in either case.
bool SameVolume(const std::string& a, const std::string& b);

}  // namespace mendora
