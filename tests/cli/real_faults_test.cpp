// The real mendora-cli against real faults of the kernel, not injected ones:
// a destination that fills up, Ctrl-C (SIGINT) at random moments of a copy
// and a move, and SIGKILL at random moments of a move across drives followed
// by the same move again. Drives D:, E: and F: are folders of the test's
// own. The randomness is seeded; the seed is printed and can be given back
// with MENDORA_REAL_FAULTS_SEED.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "refavi/Layout.h"
#include "refavi/fixtures.h"
#include "support/file_states.h"

namespace mendora {
namespace {

namespace stdfs = std::filesystem;
using Files = test::FileStates;

constexpr int kFramesPerFile = 80;  // three data files: a few hundred frames

std::string Slurp(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void Spit(const stdfs::path& path, const std::string& bytes) {
  stdfs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

unsigned Seed() {
  static const unsigned seed = [] {
    const char* given = std::getenv("MENDORA_REAL_FAULTS_SEED");
    const unsigned s = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                        : static_cast<unsigned>(std::random_device{}());
    std::printf("real faults: seed %u (MENDORA_REAL_FAULTS_SEED=%u repeats it)\n", s, s);
    return s;
  }();
  return seed;
}

// Drives D: (the project), E: (another drive) and F: (the destination) as
// folders, with the reference AVI D:\proj\ref.avi and its three data files.
class Disk {
 public:
  Disk() {
    char pattern[] = "/tmp/mendora-real-faults-XXXXXX";
    root_ = ::mkdtemp(pattern);
    for (const char* drive : {"d", "e", "f"}) stdfs::create_directories(root_ / drive);
    std::vector<std::string> links;
    for (int i = 1; i <= 3; ++i) {
      const std::string name = "clip.00" + std::to_string(i);
      Spit(root_ / "d" / "proj" / name, test::BuildDataFile(kFramesPerFile + i));
      links.push_back("D:\\proj\\" + name);
    }
    test::AviSpec recipe;
    recipe.odml = true;
    for (const std::string& link : links)
      for (int frame = 0; frame < kFramesPerFile; frame += 8)
        recipe.frames.push_back(test::FrameSpec::Ref(link, static_cast<uint32_t>(frame) * kDvFrameSize525));
    Spit(root_ / "d" / "proj" / "ref.avi", test::BuildAvi(recipe));
    stdfs::create_directories(root_ / "e" / "dst");
  }
  ~Disk() {
    if (mounted_) ::umount(Native('F').c_str());
    std::error_code ec;
    stdfs::remove_all(root_, ec);
  }

  std::string Native(char drive) const { return (root_ / std::string(1, static_cast<char>(drive + 32))).string(); }

  // F: becomes a tmpfs of `bytes` when this process may mount one.
  bool MountSmallF(size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = ::mount("tmpfs", Native('F').c_str(), "tmpfs", 0, options.c_str()) == 0;
    return mounted_;
  }

  // Every file by drive-relative path.
  Files Snapshot() const {
    Files files;
    for (const char* drive : {"d", "e", "f"})
      for (auto it = stdfs::recursive_directory_iterator(root_ / drive); it != stdfs::recursive_directory_iterator();
           ++it)
        if (it->is_regular_file()) files[stdfs::relative(it->path(), root_).string()] = Slurp(it->path());
    return files;
  }

  void Write(const std::string& relative, const std::string& bytes) const { Spit(root_ / relative, bytes); }

  struct Run {
    int status = -1;  // exit status, or 128 + signal
    std::string output;
  };

  // Runs mendora-cli with the drives mapped; `signal` is sent after `delay`
  // (none when 0). `file_limit` (bytes) stands for a full disk: writes past
  // it fail with EFBIG.
  Run Cli(std::vector<std::string> arguments, int signal = 0, std::chrono::microseconds delay = {},
          rlim_t file_limit = RLIM_INFINITY) const {
    std::vector<std::string> argv = {MENDORA_CLI_EXE};
    for (char drive : {'D', 'E', 'F'}) argv.insert(argv.end(), {"--drive", std::string(1, drive) + "=" + Native(drive)});
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::string log = (root_ / "cli.log").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(in, 0);
      ::dup2(out, 1);
      ::dup2(out, 2);
      ::setenv("MENDORA_SETTINGS_FILE", (root_ / "settings.reg").c_str(), 1);
      if (file_limit != RLIM_INFINITY) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        const struct rlimit limit = {file_limit, file_limit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    if (signal != 0) {
      std::this_thread::sleep_for(delay);
      ::kill(pid, signal);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    Run run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    run.output = Slurp(log);
    stdfs::remove(log);
    return run;
  }

 private:
  stdfs::path root_;
  bool mounted_ = false;
};

using test::Differences;

const std::vector<std::string> kCopy = {"copy", "--to", "E:\\dst", "D:\\proj\\ref.avi"};
const std::vector<std::string> kMove = {"move", "--to", "E:\\dst", "--backup", "0", "D:\\proj\\ref.avi"};

// The state after one clean run, and how long that run took.
Files Finished(const std::vector<std::string>& command, std::chrono::microseconds* took) {
  Disk disk;
  const auto start = std::chrono::steady_clock::now();
  const Disk::Run run = disk.Cli(command);
  *took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(run.status, 0) << run.output;
  return disk.Snapshot();
}

TEST(RealFaults, ADestinationThatFillsUpKeepsTheOlderReferenceAviAndLeavesNothing) {
  Disk disk;
  const std::string older = "an older reference AVI the user agreed to replace";
  disk.Write("f/dst/ref.avi", older);
  const Files before = disk.Snapshot();
  Disk::Run run;
  if (disk.MountSmallF(2 << 20)) {
    disk.Write("f/dst/ref.avi", older);  // on the small drive itself
    run = disk.Cli({"copy", "--to", "F:\\dst", "--yes", "D:\\proj\\ref.avi"});
  } else {
    std::printf("real faults: cannot mount a tmpfs here (%s); the full disk is RLIMIT_FSIZE instead\n",
                std::strerror(errno));
    run = disk.Cli({"copy", "--to", "F:\\dst", "--yes", "D:\\proj\\ref.avi"}, 0, {}, 2 << 20);
  }
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("DiskFull"), std::string::npos) << run.output;
  const Files after = disk.Snapshot();
  EXPECT_TRUE(after == before) << "the failed copy changed the drives:\n" << Differences(after, before) << run.output;
}

// Ctrl-C somewhere in the run: the run ends as the finished operation or as
// the untouched original, never in between.
TEST(RealFaults, CtrlCAtRandomMomentsLeavesTheFinishedOperationOrTheOriginal) {
  std::mt19937 random(Seed());
  int original = 0, finished = 0;
  for (const auto* command : {&kCopy, &kMove}) {
    std::chrono::microseconds took{};
    const Files done = Finished(*command, &took);
    for (int i = 0; i < 6; ++i) {
      Disk disk;
      const Files before = disk.Snapshot();
      const auto delay = std::chrono::microseconds(std::uniform_int_distribution<long>(0, took.count())(random));
      const Disk::Run run = disk.Cli(*command, SIGINT, delay);
      const Files after = disk.Snapshot();
      const std::string what = (*command)[0] + " interrupted after " + std::to_string(delay.count()) + " us";
      if (after == before) {
        ++original;
        EXPECT_NE(run.status, 0) << what << ": the original is left, yet the run says it finished\n" << run.output;
      } else if (after == done) {
        ++finished;
        EXPECT_EQ(run.status, 0) << what << ": finished, yet the run failed\n" << run.output;
      } else {
        ADD_FAILURE() << what << ": neither finished nor the original\nagainst the original:\n"
                      << Differences(after, before) << "against the finished:\n" << Differences(after, done)
                      << run.output;
      }
    }
  }
  std::printf("real faults: Ctrl-C: %d left the original, %d finished\n", original, finished);
}

// SIGKILL somewhere in a move across drives, then the same move again: the
// second run finishes or takes back the first, and the move ends finished.
TEST(RealFaults, AMoveKilledAtRandomMomentsIsFinishedByTheSameMoveAgain) {
  std::mt19937 random(Seed() + 1);
  std::chrono::microseconds took{};
  const Files done = Finished(kMove, &took);
  int recovered = 0;
  for (int i = 0; i < 8; ++i) {
    Disk disk;
    const auto delay = std::chrono::microseconds(std::uniform_int_distribution<long>(0, took.count())(random));
    const Disk::Run killed = disk.Cli(kMove, SIGKILL, delay);
    const Disk::Run again = disk.Cli(kMove);
    if (again.output.find("interrupted") != std::string::npos) ++recovered;
    const Files after = disk.Snapshot();
    EXPECT_TRUE(after == done) << "move killed after " << delay.count() << " us (status " << killed.status
                           << "), then run again:\n" << Differences(after, done) << again.output;
  }
  std::printf("real faults: SIGKILL: %d of 8 runs were put right by the next one\n", recovered);
}

}  // namespace
}  // namespace mendora
