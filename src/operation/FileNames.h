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

// The k-th candidate of the unique name rule: "~%03d" inserted before the
// last '.' of the file name, or at its end when the name has none.
std::string UniqueCandidate(const std::string& path, unsigned k);

// The first candidate (k = 1, 2, ...) that does not exist and that `taken`
// (may be empty) does not claim.
std::string UniqueName(FileSystem& fs, const std::string& path,
                       const std::function<bool(const std::string&)>& taken = {});

// Same volume for a rename: both paths have a drive letter and it is the
// same letter, in either case.
bool SameVolume(const std::string& a, const std::string& b);

}  // namespace mendora
