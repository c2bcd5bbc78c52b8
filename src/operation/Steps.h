#pragma once
// The long work behind the analysis and creation steps, as the operation
// worker calls it. The program wires it to the reference AVI reader and
// builder; tests give their own.
#include <memory>
#include <string>
#include <vector>

#include "platform/progress.h"

namespace mendora {

struct ReferenceFrames;

class Steps {
 public:
  virtual ~Steps() = default;

  // Lists the data links of the reference AVI at `path` into `links` (each
  // path once, in file order). A cancel leaves `links` empty. Returns 0 when
  // the walk failed, even when some links were found before it broke off.
  virtual int GetContentList(const std::string& path, std::vector<std::string>* links,
                             ProgressReporter* progress) = 0;

  // The analysis walk: the links as GetContentList lists them and, from the
  // same walk, what the reference AVI takes from each (`frames`, its links
  // in the order of `links`), so that neither the content check of the
  // search nor the check of the new file reads the reference again. Steps
  // that cannot tell the frames leave *frames null; the content check then
  // reads them itself.
  virtual int AnalyseReference(const std::string& path, std::vector<std::string>* links,
                               std::shared_ptr<const ReferenceFrames>* frames, ProgressReporter* progress) {
    frames->reset();
    return GetContentList(path, links, progress);
  }

  // Writes a new reference AVI at `output` from `source` with every recorded
  // path of `old_paths` replaced by the path at the same place in
  // `new_paths`. `links` are the data links of `source` as its analysis
  // found them: the new file must read back with exactly these, each
  // replaced as above. Returns nonzero on success, else 0 with `*code` set.
  virtual int CreateAvi(const std::string& source, const std::string& output, const std::vector<std::string>& links,
                        const std::vector<std::string>& old_paths, const std::vector<std::string>& new_paths,
                        int* code, ProgressReporter* progress) = 0;
};

}  // namespace mendora
