// The creation step against its references, in one run:
//  1. the one-hour NTSC reference AVI of the analysis benchmark (108,000 REF
//     records into 10 data files,
//     48 kHz stereo PCM beside each frame, OpenDML indexes) rewritten with
//     every data link replaced, against `ffmpeg -c copy -f avi` (the peer);
//  2. a plain DV AVI of about 2 GiB made by ffmpeg, rewritten, against
//     `cat SRC > DST` (the limit).
// Each run is a child process, so its peak RSS is its own; the best of three
// runs is shown. Sources are read once first, so every run reads from the
// page cache.
//
//   bench_rewrite [SCRATCH] [--keep]   (default $TMPDIR or /tmp; --keep leaves
//   the media for profiling and uses them again when present)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "refavi_make_reference.h"
#include "rewrite/CreateAvi.h"

namespace {

namespace stdfs = std::filesystem;
using namespace mendora;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

const bench::ReferenceAviShape kShape;

// The data links of the reference AVI, and where they are moved.
std::vector<std::string> DataLinks() {
  std::vector<std::string> links;
  for (uint32_t i = 0; i < kShape.frames; ++i) {
    const std::string link = bench::DataLinkOf(kShape, i);
    if (links.empty() || links.back() != link) links.push_back(link);
  }
  return links;
}

std::string Moved(const std::string& link) { return "E:\\Archive\\2026" + link.substr(link.find('\\', 3)); }

struct Run {
  double seconds = 0;
  long rss_kib = 0;
  bool ok = false;
};

// Runs `work` in a child process; its time and peak RSS.
Run Measure(const std::function<bool()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  Run r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.rss_kib = usage.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

Run Best(const std::function<void()>& prepare, const std::function<bool()>& work) {
  Run best;
  for (int k = 0; k < 3; ++k) {
    prepare();
    const Run r = Measure(work);
    if (!r.ok) return r;
    if (k == 0 || r.seconds < best.seconds) best = r;
  }
  return best;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

bool RewriteStep(const std::string& source, const std::string& output, bool replace) {
  std::vector<std::string> olds, news;
  if (replace) {
    for (const std::string& link : DataLinks()) {
      olds.push_back(link);
      news.push_back(Moved(link));
    }
  }
  std::vector<const char*> o, n;
  for (auto& s : olds) o.push_back(s.c_str());
  for (auto& s : news) n.push_back(s.c_str());
  o.push_back(nullptr);
  n.push_back(nullptr);
  int code = 0, detail = -1;
  // The worker's side of the dialog: a running flag read at every chunk.
  std::atomic<int> running{1};
  ProgressReporter progress(&running, nullptr);
  const int result = CreateRefAvi(SystemFileSystem(), source.c_str(), output.c_str(), o.data(), n.data(), &code,
                                  &detail, &progress);
  if (!result) std::fprintf(stderr, "bench: rewrite failed with %d\n", code);
  return result == 1;
}

void Print(const char* name, const Run& r) {
  std::printf("  %-34s %8.3f s   peak RSS %7.1f MiB%s\n", name, r.seconds, r.rss_kib / 1024.0,
              r.ok ? "" : "   FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp != nullptr ? tmp : "/tmp";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--keep") {
      keep = true;
    } else {
      base = argv[i];
    }
  }
  const stdfs::path scratch = stdfs::path(base) / "mendora-rewrite-bench";
  if (!keep) stdfs::remove_all(scratch);
  stdfs::create_directories(scratch);
  const std::string ref = (scratch / "hour.avi").string();
  const std::string ref_out = (scratch / "hour-new.avi").string();
  const std::string ref_peer = (scratch / "hour-ffmpeg.avi").string();
  const std::string dv = (scratch / "dv.avi").string();
  const std::string dv_out = (scratch / "dv-new.avi").string();
  const std::string dv_cat = (scratch / "dv-cat.avi").string();

  std::printf("Making the one-hour reference AVI (the analysis benchmark's generator)...\n");
  if (!(keep && stdfs::exists(ref)) && !bench::WriteReferenceAvi(ref, kShape)) {
    std::fprintf(stderr, "bench: cannot make %s\n", ref.c_str());
    return 1;
  }
  std::printf("Making the DV AVI with ffmpeg...\n");
  const std::string clip = (scratch / "clip.avi").string();
  const bool have_dv = keep && stdfs::exists(dv);
  if (!have_dv &&
      (!Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=720x480:rate=30000/1001 -f lavfi -i "
              "sine=frequency=1000:sample_rate=48000 -t 10 -c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -ac 2 "
              "-ar 48000 " + Quote(clip)) ||
       !Shell("ffmpeg -nostdin -v error -y -stream_loop -1 -i " + Quote(clip) + " -map 0 -c copy -t 560 " +
              Quote(dv)))) {
    std::fprintf(stderr, "bench: ffmpeg failed\n");
    return 1;
  }
  stdfs::remove(clip);
  Shell("cat " + Quote(ref) + " " + Quote(dv) + " >/dev/null");
  std::printf("reference AVI: %.1f MiB, %u frames, %zu data links; DV AVI: %.1f MiB\n\n",
              stdfs::file_size(ref) / 1048576.0, kShape.frames, DataLinks().size(),
              stdfs::file_size(dv) / 1048576.0);

  auto clear = [](const std::string& path) { return [path] { stdfs::remove(path); }; };
  const Run rewrite_ref = Best(clear(ref_out), [&] { return RewriteStep(ref, ref_out, true); });
  const Run peer = Best(clear(ref_peer), [&] {
    return Shell("ffmpeg -nostdin -v error -y -i " + Quote(ref) + " -map 0 -c copy -f avi " + Quote(ref_peer));
  });
  const Run rewrite_dv = Best(clear(dv_out), [&] { return RewriteStep(dv, dv_out, false); });
  const Run limit = Best(clear(dv_cat), [&] { return Shell("cat " + Quote(dv) + " > " + Quote(dv_cat)); });

  std::printf("One-hour reference AVI, every data link replaced:\n");
  Print("rewrite (creation step)", rewrite_ref);
  Print("ffmpeg -c copy -f avi (peer)", peer);
  std::printf("  ratio ffmpeg / rewrite: %.2fx (goal: at least 2x)\n\n", peer.seconds / rewrite_ref.seconds);
  std::printf("DV AVI of %.2f GiB:\n", stdfs::file_size(dv) / 1073741824.0);
  Print("rewrite (creation step)", rewrite_dv);
  Print("cat SRC > DST (limit)", limit);
  std::printf("  ratio rewrite / cat: %.2fx (goal: within 1.3x)\n", rewrite_dv.seconds / limit.seconds);
  std::printf("  peak RSS of the rewrites: %.1f MiB and %.1f MiB (goal: under 64 MiB)\n",
              rewrite_ref.rss_kib / 1024.0, rewrite_dv.rss_kib / 1024.0);
  if (!keep) stdfs::remove_all(scratch);
  return rewrite_ref.ok && peer.ok && rewrite_dv.ok && limit.ok ? 0 : 1;
}
