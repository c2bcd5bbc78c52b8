#include "operation/ProgramSteps.h"

#include "refavi/AnalysisStep.h"
#include "refavi/ContentCheck.h"
#include "refavi/DataLinkList.h"
#include "common/ErrorTable.h"
#include "rewrite/CreateAvi.h"

namespace mendora {
namespace {

// The builder takes NULL-terminated arrays of C strings.
std::vector<const char*> CStrings(const std::vector<std::string>& paths) {
  std::vector<const char*> out;
  out.reserve(paths.size() + 1);
  for (const std::string& p : paths) out.push_back(p.c_str());
  out.push_back(nullptr);
  return out;
}

static_assert(ERR_REWRITE_TEMP_TAKEN == ERR_TEMP_TAKEN);

}  // namespace

int ProgramSteps::GetContentList(const std::string& path, std::vector<std::string>* links,
                                 ProgressReporter* progress) {
  return ReadDataLinks(fs_, path, links, progress);
}

int ProgramSteps::AnalyseReference(const std::string& path, std::vector<std::string>* links,
                                   std::shared_ptr<const ReferenceFrames>* frames, ProgressReporter* progress) {
  links->clear();
  frames->reset();
  auto walked = std::make_shared<ReferenceFrames>();
  if (!ReadReferenceFrames(fs_, path, walked.get(), progress)) return 0;
  links->reserve(walked->links.size());
  for (const LinkFrames& link : walked->links) links->push_back(link.path);
  *frames = std::move(walked);
  return 1;
}

int ProgramSteps::CreateAvi(const std::string& source, const std::string& output,
                            const std::vector<std::string>& links, const std::vector<std::string>& old_paths,
                            const std::vector<std::string>& new_paths, int* code, ProgressReporter* progress) {
  const std::vector<const char*> olds = CStrings(old_paths);
  const std::vector<const char*> news = CStrings(new_paths);
  int detail = 0;
  // The output is the run's temporary name: a leftover of an earlier run
  // goes, then the name is created exclusively, so that a run of the same
  // file at the same time is never written into.
  fs_.Delete(output);
  if (!CreateRefAvi(fs_, source.c_str(), output.c_str(), olds.data(), news.data(), code, &detail, progress, true))
    return 0;
  // The new file takes the old one's place only when it reads back with the
  // links it should have: a write lost in a buffer must not pass for success.
  // What it should have is the analysis's list, replaced; the source is not
  // read a third time for it.
  std::vector<std::string> written;
  if (!GetContentList(output, &written, nullptr)) {
    *code = ERR_REWRITE_WRITE;
    return 0;
  }
  DataLinkList replaced;
  for (const std::string& link : links) {
    size_t i = 0;
    while (i < old_paths.size() && old_paths[i] != link) ++i;
    replaced.Add(i < old_paths.size() ? new_paths[i] : link);
  }
  if (replaced.paths() != written) {
    *code = ERR_REWRITE_WRITE;
    return 0;
  }
  return 1;
}

}  // namespace mendora
