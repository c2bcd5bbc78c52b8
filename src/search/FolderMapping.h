#pragma once
// Folder mappings of one run: where the files of an old folder are now.
// Given ones come from the user before anything is searched (the console
// tool's --map); learned ones come from a missing link resolved in another
// folder (accepted from the search, located by hand), so that the other
// links under the old folder, in this reference AVI and the following ones,
// are tried first at the mapped place instead of being searched for.
//
// Folders end with a backslash and compare as Windows compares them: by
// characters of the code page, ignoring case, on folder boundaries.
#include <cstddef>
#include <string>
#include <vector>

namespace mendora {

class FolderMapping {
 public:
  struct Mapping {
    std::string from;  // the old folder, "D:\media\"
    std::string to;    // where its files are now, "E:\archive\media\"
    bool given = false;      // from the user: taken without a question
    bool confirmed = false;  // learned, and the user said to take them all
  };

  // A place to try for a missing link: the mapped path and the mapping.
  struct Place {
    std::string path;
    size_t mapping = 0;
  };

  // A mapping from the user. Each folder gets its ending backslash.
  void Give(const std::string& from, const std::string& to);

  // Learns the change of folder from `missing_link` (as recorded) to
  // `found_path`: the folder itself, and each parent of it whose last folder
  // name is the same at both places (from D:\media\sub\ to
  // E:\archive\media\sub\ also D:\media\ to E:\archive\media\), drive roots
  // excepted.
  // Returns the number of new mappings.
  size_t Learn(const std::string& missing_link, const std::string& found_path);

  // The places to try for `missing_link`, the most specific mapping first,
  // given before learned, newer before older among equals.
  std::vector<Place> PlacesFor(const std::string& missing_link) const;

  // True when files of mapping `index` are taken without a question.
  bool Unasked(size_t index) const { return mappings_[index].given || mappings_[index].confirmed; }
  void Confirm(size_t index) { mappings_[index].confirmed = true; }

  const std::vector<Mapping>& mappings() const { return mappings_; }
  bool empty() const { return mappings_.empty(); }

  // "D:\media\sub\a.001" gives "D:\media\sub\"; empty without a backslash.
  static std::string FolderOf(const std::string& path);

 private:
  bool Add(Mapping mapping);

  std::vector<Mapping> mappings_;
};

}  // namespace mendora
