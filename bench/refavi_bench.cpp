// The analysis against the limit (cat) and a peer (ffprobe listing every
// packet) on a one-hour NTSC reference AVI made here, in-process and as the
// user runs it ("mendora-cli links"). Each of our runs is a child process of
// its own so that its peak RSS is its own.
//
//   refavi_bench [FOLDER]     FOLDER holds the generated file (default: a
//                             folder under the system's temporary folder)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "platform/drive_map.h"
#include "platform/event.h"
#include "platform/posix/fs_posix.h"
#include "refavi/GetContentList.h"
#include "refavi_make_reference.h"

using namespace mendora;

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The user-interface side of the progress hand-shake on a thread of its
// own: it takes each posted value, shows it (keeps it), and sets the event.
class AcknowledgingThread : public ProgressSink {
 public:
  AcknowledgingThread() : thread_([this] { Loop(); }) {}
  ~AcknowledgingThread() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_one();
    thread_.join();
  }
  void Report(int percent) override {
    event_.Reset();
    Send(percent);
    event_.Wait();
  }
  void Post(int percent) override { Send(percent); }
  int handshakes() const { return handshakes_; }
  int shown() const { return shown_.load(); }

 private:
  void Send(int percent) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_ = percent;
      has_pending_ = true;
      ++handshakes_;
    }
    cv_.notify_one();
  }
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      cv_.wait(lock, [this] { return has_pending_ || stop_; });
      if (has_pending_) {
        shown_.store(pending_);
        has_pending_ = false;
        event_.Set();
      } else if (stop_) {
        return;
      }
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  Event event_{true};
  int pending_ = 0;
  bool has_pending_ = false;
  bool stop_ = false;
  int handshakes_ = 0;
  std::atomic<int> shown_{-1};
  std::thread thread_;
};

// Child mode: runs one of our measurements and prints "seconds maxrss_kib detail".
int Child(const std::string& mode, const std::string& native) {
  DriveMap map;
  PosixFileSystem fs(map);
  const double start = Now();
  std::string detail;
  if (mode == "probe") {
    detail = "status " + std::to_string(ProbeDvFile(fs, native));
  } else {
    std::atomic<int> running{1};
    DataLinkList list;
    ContentListReader reader(fs);
    int result;
    int handshakes = 0;
    if (mode == "analysis-ack") {
      AcknowledgingThread ui;
      ProgressReporter progress(&running, &ui);
      result = reader.GetContentList(native, 1, &list, &progress);
      progress.Post(100);
      handshakes = ui.handshakes();
    } else {
      result = reader.GetContentList(native, 1, &list, nullptr);
    }
    const VideoStream* video = reader.selected_video_stream();
    detail = "result " + std::to_string(result) + ", " + std::to_string(list.size()) + " links, " +
             std::to_string(video ? video->positions.size() : 0) + " frames, " + std::to_string(handshakes) +
             " hand-shakes";
  }
  const double seconds = Now() - start;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.6f %ld %s\n", seconds, usage.ru_maxrss, detail.c_str());
  return 0;
}

struct Measure {
  double seconds = 1e30;
  long rss_kib = 0;
  std::string detail;
};

// Best of `runs` wall times of a shell command.
double TimeCommand(const std::string& command, int runs) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double start = Now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "failed: %s\n", command.c_str());
      return -1;
    }
    best = std::min(best, Now() - start);
  }
  return best;
}

Measure TimeChild(const std::string& self, const std::string& mode, const std::string& file, int runs) {
  Measure m;
  for (int i = 0; i < runs; ++i) {
    const std::string command = "'" + self + "' --child " + mode + " '" + file + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) break;
    char line[512] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    if (!got) break;
    double seconds = 0;
    long rss = 0;
    int used = 0;
    if (std::sscanf(line, "%lf %ld %n", &seconds, &rss, &used) < 2) break;
    if (seconds < m.seconds) m.seconds = seconds;
    m.rss_kib = std::max(m.rss_kib, rss);
    m.detail = std::string(line + used);
    while (!m.detail.empty() && m.detail.back() == '\n') m.detail.pop_back();
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--child") return Child(argv[2], argv[3]);
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "mendora-bench";
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "one-hour-ntsc-reference.avi").string();
  bench::ReferenceAviShape shape;
  std::error_code ec;
  if (!std::filesystem::exists(file, ec) || std::filesystem::file_size(file, ec) < 100000000) {
    std::printf("Making %s ...\n", file.c_str());
    const double start = Now();
    if (!bench::WriteReferenceAvi(file, shape)) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
    std::printf("  made in %.1f s\n", Now() - start);
  }
  // The same hour of references without the audio beside them: a file of
  // 108,000 small chunks, where the time per chunk shows.
  const std::string refs = (folder / "one-hour-ntsc-references-only.avi").string();
  bench::ReferenceAviShape refs_shape;
  refs_shape.audio = false;
  if (!std::filesystem::exists(refs, ec) && !bench::WriteReferenceAvi(refs, refs_shape)) {
    std::fprintf(stderr, "cannot write %s\n", refs.c_str());
    return 1;
  }
  const uint64_t size = std::filesystem::file_size(file);
  std::printf("Reference AVI: %u frames, %d data files, %.1f MiB; without audio %.1f MiB\n", shape.frames,
              shape.data_files, static_cast<double>(size) / 1048576.0,
              static_cast<double>(std::filesystem::file_size(refs)) / 1048576.0);
  const int runs = 5;
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  // A first read puts the file in the system cache for every contender.
  TimeCommand("cat '" + file + "' '" + refs + "' >/dev/null", 1);
  // Rounds take each contender in turn, so that a change in the machine's
  // load during the run falls on all of them alike; the best round counts.
  double cat = 1e30, ffprobe = 1e30, links = 1e30, refs_cat = 1e30, refs_links = 1e30;
  // The whole tool, start-up and printing included; Z: is the root folder.
  auto links_command = [](const std::string& path) {
    return std::string("'") + MENDORA_CLI + "' --drive Z=/ links '" + path + "' >/dev/null";
  };
  Measure probe, ack, plain;
  auto keep = [](Measure* best, const Measure& m) {
    if (m.seconds < best->seconds) {
      best->seconds = m.seconds;
      best->detail = m.detail;
    }
    best->rss_kib = std::max(best->rss_kib, m.rss_kib);
  };
  for (int round = 0; round < runs; ++round) {
    cat = std::min(cat, TimeCommand("cat '" + file + "' >/dev/null", 1));
    ffprobe = std::min(
        ffprobe, TimeCommand("ffprobe -v error -show_entries packet=pos,size -of csv '" + file + "' >/dev/null", 1));
    keep(&probe, TimeChild(self, "probe", file, 1));
    keep(&ack, TimeChild(self, "analysis-ack", file, 1));
    keep(&plain, TimeChild(self, "analysis", file, 1));
    links = std::min(links, TimeCommand(links_command(file), 1));
    refs_cat = std::min(refs_cat, TimeCommand("cat '" + refs + "' >/dev/null", 1));
    refs_links = std::min(refs_links, TimeCommand(links_command(refs), 1));
  }

  std::string load = "?";
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    char text[64] = {};
    if (std::fgets(text, sizeof text, f) != nullptr) load = std::string(text, strcspn(text, "\n"));
    std::fclose(f);
  }
  std::printf("\nbest of %d rounds, warm cache, %u cores, load average %s\n", runs,
              std::thread::hardware_concurrency(), load.c_str());
  std::printf("  cat                         %8.3f s\n", cat);
  std::printf("  ffprobe (packet pos,size)   %8.3f s\n", ffprobe);
  std::printf("  probe                       %8.3f s   peak RSS %6.1f MiB   %s\n", probe.seconds,
              probe.rss_kib / 1024.0, probe.detail.c_str());
  std::printf("  analysis, acknowledging UI  %8.3f s   peak RSS %6.1f MiB   %s\n", ack.seconds,
              ack.rss_kib / 1024.0, ack.detail.c_str());
  std::printf("  analysis, no progress port  %8.3f s   peak RSS %6.1f MiB   %s\n", plain.seconds,
              plain.rss_kib / 1024.0, plain.detail.c_str());
  std::printf("  mendora-cli links           %8.3f s\n", links);
  std::printf("  without audio: cat          %8.3f s\n", refs_cat);
  std::printf("  without audio: links       %8.3f s\n", refs_links);
  std::printf("\nratios\n");
  std::printf("  ffprobe / analysis (ack)     %6.2f x   (goal >= 5)\n", ffprobe / ack.seconds);
  std::printf("  analysis (ack) / cat         %6.2f x   (goal <= 4)\n", ack.seconds / cat);
  std::printf("  analysis (no port) / cat     %6.2f x\n", plain.seconds / cat);
  std::printf("  mendora-cli links / cat      %6.2f x   (goal <= 3)\n", links / cat);
  std::printf("  without audio, links / cat   %6.2f x   (goal <= 3)\n", refs_links / refs_cat);
  std::printf("  hand-shake cost (ack / none) %6.3f x\n", ack.seconds / plain.seconds);
  std::printf("  peak RSS of the analysis     %6.1f MiB (goal < 32)\n", std::max(ack.rss_kib, plain.rss_kib) / 1024.0);
  return 0;
}
