// mendora-guifixture: makes and reads the files of the GUI scenarios on the
// Wine drives, with the program's own file system.
//
//   data PATH FRAMES [SIZE]    a data file of FRAMES DV frame chunks (of SIZE
//                              bytes: 120000, NTSC, unless given; 144000 is PAL)
//   refavi PATH DATA...        a reference AVI taking the first two frames of
//                              each data file
//   exportable PATH DATA...    the same, with sound
//   wave PATH                  a small WAVE file (not DV)
//   dvavi PATH                 a plain DV AVI of two frames (no data links)
//   links PATH                 prints the data links of a reference AVI, one a line
//   lock PATH SECONDS          holds PATH open without sharing for SECONDS
//
// Exit status 0 on success.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "refavi/GetContentList.h"
#include "refavi/fixtures.h"

namespace {

bool Write(const std::string& path, const std::string& bytes) {
  std::unique_ptr<mendora::File> file = mendora::SystemFileSystem().Open(path, mendora::OpenMode::kCreateWrite);
  if (!file) return false;
  if (file->Write(bytes.data(), bytes.size()) != bytes.size()) return false;
  return file->Close();
}

// A frame chunk of a data file with its header: REF records name the
// header's offset.
constexpr uint32_t kFrameStep = mendora::kDvFrameSize525 + mendora::ChunkHeader::kSize;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mendora-guifixture data|refavi|exportable|dvavi|wave|links PATH ...\n");
    return 2;
  }
  const std::string command = argv[1];
  const std::string path = argv[2];
  if (command == "data" && (argc == 4 || argc == 5)) {
    const uint32_t size = argc == 5 ? static_cast<uint32_t>(std::stoul(argv[4])) : mendora::kDvFrameSize525;
    return Write(path, mendora::test::BuildDataFile(std::stoi(argv[3]), size)) ? 0 : 1;
  }
  if (command == "refavi" && argc >= 4) {
    mendora::test::AviSpec recipe;
    recipe.odml = true;
    for (int i = 3; i < argc; ++i) {
      // Each REF record names its frame's chunk header, as the content
      // check reads them.
      for (uint32_t frame = 0; frame < 2; ++frame)
        recipe.frames.push_back(mendora::test::FrameSpec::Ref(argv[i], frame * kFrameStep));
    }
    return Write(path, mendora::test::BuildAvi(recipe)) ? 0 : 1;
  }
  if (command == "exportable" && argc >= 4) {
    mendora::test::AviSpec recipe;
    recipe.audio = true;
    for (int i = 3; i < argc; ++i) {
      for (uint32_t frame = 0; frame < 2; ++frame)
        recipe.frames.push_back(mendora::test::FrameSpec::Ref(argv[i], frame * (mendora::kDvFrameSize525 + 8)));
    }
    return Write(path, mendora::test::BuildAvi(recipe)) ? 0 : 1;
  }
  if (command == "dvavi") {
    mendora::test::AviSpec recipe;
    recipe.handler = recipe.compression = mendora::fcc::dvsd;
    recipe.frames = {mendora::test::FrameSpec::Data(mendora::kDvFrameSize525),
                     mendora::test::FrameSpec::Data(mendora::kDvFrameSize525)};
    return Write(path, mendora::test::BuildAvi(recipe)) ? 0 : 1;
  }
  if (command == "wave") return Write(path, mendora::test::BuildWave()) ? 0 : 1;
  if (command == "links") {
    mendora::ContentListReader reader(mendora::SystemFileSystem());
    mendora::DataLinkList list;
    if (!reader.GetContentList(path, 1, &list, nullptr)) return 1;
    for (const std::string& link : list.paths()) std::printf("%s\n", link.c_str());
    return 0;
  }
  if (command == "lock" && argc == 4) {
    // Nobody else may open the file while it is held.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::stoi(argv[3])) * 1000);
    CloseHandle(file);
    return 0;
  }
  std::fprintf(stderr, "mendora-guifixture: unknown command\n");
  return 2;
}
