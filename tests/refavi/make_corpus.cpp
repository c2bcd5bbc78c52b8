// Writes the seed corpora of the analysis fuzzers from the fixtures builder:
//   refavi_make_corpus fuzz/corpus
#include <filesystem>
#include <fstream>
#include <iostream>

#include "refavi/fixtures.h"

using namespace mendora;
using namespace mendora::test;

namespace {

void Write(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: refavi_make_corpus CORPUS_FOLDER\n";
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::vector<std::pair<std::string, std::string>> seeds;

  AviSpec basic;
  basic.frames = {FrameSpec::Ref("D:\\a.001", 0), FrameSpec::Data(300), FrameSpec::Ref("d:\\A.001", 1008)};
  seeds.push_back({"ref_idx1_absolute.avi", BuildAvi(basic)});
  AviSpec relative = basic;
  relative.idx1 = AviSpec::Idx1::kRelative;
  relative.audio = true;
  seeds.push_back({"ref_idx1_relative_audio.avi", BuildAvi(relative)});

  AviSpec odml = basic;
  odml.odml = true;
  odml.audio = true;
  odml.frames_per_ix = 2;
  odml.refi_path = "E:\\r.001";
  odml.refi_positions = {0, 1008};
  FrameSpec repeat;
  repeat.in_movi = false;
  FrameSpec bit31 = FrameSpec::Ref("D:\\a.001", 2016);
  bit31.index_size = 0x80000000u | 36u;
  FrameSpec avix = FrameSpec::Ref("D:\\a.001", 0);
  avix.riff = 1;
  odml.frames.push_back(repeat);
  odml.frames.push_back(bit31);
  odml.frames.push_back(avix);
  seeds.push_back({"ref_odml_refi_avix.avi", BuildAvi(odml)});

  AviSpec whole;
  whole.flags |= AVIF_WASCAPTUREFILE;
  whole.rec_lists = true;
  whole.info_list = true;
  for (int i = 0; i < 4; ++i) whole.frames.push_back(FrameSpec::Ref("D:\\a.001", 0));
  seeds.push_back({"ref_whole_file_rec.avi", BuildAvi(whole)});

  AviSpec lengths;
  lengths.height = 576;
  FrameSpec empty = FrameSpec::Ref("");
  empty.path_length = 0;
  FrameSpec dc = FrameSpec::Ref("D:\\x\\" + std::string(240, 'p') + ".001");
  dc.path_length = 256;
  dc.id = fcc::id00dc;
  lengths.frames = {empty, dc, FrameSpec::Data(3)};
  seeds.push_back({"ref_path_lengths.avi", BuildAvi(lengths)});

  AviSpec dv;
  dv.handler = dv.compression = fcc::dvsd;
  dv.audio = true;
  dv.audio_first = true;
  dv.frames = {FrameSpec::Data(200), FrameSpec::Data(200)};
  seeds.push_back({"dv_audio_first.avi", BuildAvi(dv)});
  AviSpec ffmpeg_dv = dv;
  ffmpeg_dv.audio_first = false;
  ffmpeg_dv.audio_handler = 1;
  seeds.push_back({"dv_audio_handler_1.avi", BuildAvi(ffmpeg_dv)});

  seeds.push_back({"data_00db.001", BuildDataFile(2, 100)});
  seeds.push_back({"data_00dc.001", BuildDataFile(1, 100, fcc::id00dc)});
  seeds.push_back({"tone.wav", BuildWave().substr(0, 200)});

  for (const auto& [name, bytes] : seeds) {
    Write(root / "refavi_analysis", name, bytes);
    Write(root / "refavi_probe", name, bytes.substr(0, 4096));
  }
  return 0;
}
