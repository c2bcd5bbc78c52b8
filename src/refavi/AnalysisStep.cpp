#include "refavi/AnalysisStep.h"

#include "refavi/GetContentList.h"

namespace mendora {

int ReadDataLinks(FileSystem& fs, const std::string& path, std::vector<std::string>* links,
                  ProgressReporter* progress) {
  ContentListReader reader(fs);
  DataLinkList list;
  const int walked = reader.GetContentList(path, 1, &list, progress);
  *links = list.paths();
  return walked;
}

int RunAnalysis(FileSystem& fs, const std::string& path, ProgressReporter* progress, std::vector<std::string>* links,
                const AnalysisWalk& walk) {
  links->clear();
  // Denied access is told apart before the reader runs; a missing file is
  // left to the reader, which then finds no links.
  if (fs.Access(path, false) == AccessResult::kDenied) return kAnalysisNoReferenceAvi;
  const int walked = walk ? walk(path, links, progress) : ReadDataLinks(fs, path, links, progress);
  if (walked == 0 || links->empty() || (progress != nullptr && !progress->Running())) {
    links->clear();
    return kAnalysisNoDataFiles;
  }
  if (progress != nullptr) progress->Post(100);
  return kAnalysisOk;
}

}  // namespace mendora
