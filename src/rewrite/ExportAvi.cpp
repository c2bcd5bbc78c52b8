#include "rewrite/ExportAvi.h"

#include "refavi/ContentCheck.h"

namespace mendora {

namespace {

bool SameFile(FileSystem& fs, const std::string& a, const std::string& b) {
  if (a == b) return true;
  FileIdentity x, y;
  return fs.Identity(a, &x) && fs.Identity(b, &y) && x == y;
}

// Runs the builder into a temporary file beside `output`, then renames it
// into place. The temporary file never outlives a failure.
template <class Outcome>
int BuildInPlace(FileSystem& fs, const std::string& source, const std::string& output, bool replace,
                 RefAviBuilder::Mode mode, Outcome* outcome, ProgressReporter* progress, MoviWalk* walk) {
  static const char* const kNoPairs[] = {nullptr};
  const std::string temp = ReserveFreeNameBeside(fs, output, "~mendora");
  if (temp.empty()) {
    outcome->code = ERR_REWRITE_CREATE;
    outcome->detail = 0;
    return 0;
  }
  int code = 0, detail = -1;
  int result;
  {
    RefAviBuilder builder(fs, temp.c_str(), kNoPairs, kNoPairs, &code, &detail, progress);
    builder.set_mode(mode);
    result = builder.Run(source.c_str());
    if (walk != nullptr) *walk = builder.walk();
    outcome->frames = builder.frames_written();
  }
  if (result && !fs.Rename(temp, output, replace)) {
    result = 0;
    code = fs.Exists(output) && !replace ? ERR_EXPORT_EXISTS : ERR_REWRITE_CREATE;
    detail = 0;
  }
  if (!result) {
    fs.Delete(temp);
    // A source the step could not load leaves the code 0.
    outcome->code = code != 0 ? code : ERR_DV_OPEN_FAILED;
    outcome->detail = detail;
    return 0;
  }
  return 1;
}

// The code that refuses SRC and OUT before anything is read or written: a
// source that cannot be opened, an output that is the source, or one that
// exists without leave to replace it; 0 when they may go ahead.
int RefusedPaths(FileSystem& fs, const std::string& source, const std::string& output, bool replace) {
  if (fs.Open(source, OpenMode::kRead) == nullptr) return ERR_DV_OPEN_FAILED;
  if (SameFile(fs, source, output)) return ERR_EXPORT_SAME_FILE;
  if (!replace && fs.Exists(output)) return ERR_EXPORT_EXISTS;
  return 0;
}

}  // namespace

int ExportDvAvi(FileSystem& fs, const std::string& source, const std::string& output, bool replace,
                ExportOutcome* outcome, ProgressReporter* progress) {
  *outcome = ExportOutcome();
  if (const int refused = RefusedPaths(fs, source, output, replace)) {
    outcome->code = refused;
    return 0;
  }
  // Every link is checked before a byte is written, and every failing one
  // is told, not only the first.
  ReferenceFrames frames;
  if (!ReadReferenceFrames(fs, source, &frames, progress)) {
    outcome->code = progress != nullptr && !progress->Running() ? ERR_REWRITE_CANCELLED : ERR_NO_DATA_FILES;
    return 0;
  }
  if (frames.links.empty()) {
    outcome->code = ERR_NO_DATA_FILES;
    return 0;
  }
  for (const LinkFrames& link : frames.links) {
    if (!fs.Exists(link.path)) {
      outcome->problems.push_back({link.path, "is missing"});
      continue;
    }
    const ContentCheckResult check = CheckLinkContent(fs, link.path, link, frames.frame_size);
    if (!check.ok()) outcome->problems.push_back({link.path, DescribeContentCheck(check, frames.frame_size)});
  }
  if (!outcome->problems.empty()) {
    outcome->code = ERR_EXPORT_LINKS;
    return 0;
  }
  return BuildInPlace(fs, source, output, replace, RefAviBuilder::Mode::kExport, outcome, progress, nullptr);
}

int RecoverRefAvi(FileSystem& fs, const std::string& source, const std::string& output, bool replace,
                  RecoverOutcome* outcome, ProgressReporter* progress) {
  *outcome = RecoverOutcome();
  if (const int refused = RefusedPaths(fs, source, output, replace)) {
    outcome->code = refused;
    return 0;
  }
  return BuildInPlace(fs, source, output, replace, RefAviBuilder::Mode::kRecover, outcome, progress, &outcome->walk);
}

}  // namespace mendora
