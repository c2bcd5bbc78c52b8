#pragma once
// The steps as the program runs them: the analysis reads the reference AVI
// with the chunk reader, the creation writes the new one with the builder.
#include "operation/Steps.h"

namespace mendora {

class FileSystem;

class ProgramSteps : public Steps {
 public:
  explicit ProgramSteps(FileSystem& fs) : fs_(fs) {}

  int GetContentList(const std::string& path, std::vector<std::string>* links, ProgressReporter* progress) override;
  // One walk with the frame offsets collected.
  int AnalyseReference(const std::string& path, std::vector<std::string>* links,
                       std::shared_ptr<const ReferenceFrames>* frames, ProgressReporter* progress) override;
  int CreateAvi(const std::string& source, const std::string& output, const std::vector<std::string>& links,
                const std::vector<std::string>& old_paths, const std::vector<std::string>& new_paths, int* code,
                ProgressReporter* progress) override;

 private:
  FileSystem& fs_;
};

}  // namespace mendora
