// The chunk trace: exact text of the lines the walk writes.
#include "refavi/ChunkTrace.h"

#include <gtest/gtest.h>

#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;

// A write-only file that keeps what it is given.
class StringFile : public File {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t ReadAt(uint64_t, void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t n) override {
    text.append(static_cast<const char*>(buffer), n);
    return n;
  }
  bool Seek(uint64_t) override { return true; }
  uint64_t Tell() override { return text.size(); }
  bool Size(uint64_t* size) override {
    *size = text.size();
    return true;
  }
  bool SetEnd() override { return true; }
  bool Close() override { return true; }
  std::string text;
};

TEST(ChunkTrace, TraceLineEndsLinesWithCrLf) {
  StringFile out;
  TraceLine(&out, "%s", "part");
  TraceLine(&out, " more\n");
  TraceLine(&out, "%d\n\n", 7);
  EXPECT_EQ(out.text, "part more\r\n7\n\r\n");
  TraceLine(nullptr, "nothing\n");  // the invalid handle writes nothing
  const std::string longer(3000, 'x');
  out.text.clear();
  TraceLine(&out, "%s\n", longer.c_str());
  EXPECT_EQ(out.text, std::string(kTraceLineBuffer - 1, 'x'));
}

TEST(ChunkTrace, MoviChunksAndReferenceRecords) {
  AviSpec recipe;
  recipe.audio = true;
  FrameSpec tiny = FrameSpec::Data(3);
  tiny.id = fcc::id00dc;
  recipe.frames = {FrameSpec::Ref("D:\\a.001", 0), FrameSpec::Data(300), tiny};
  const std::string avi = test::BuildAvi(recipe);
  test::MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", avi);
  StringFile out;
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi", nullptr, &out);
  ASSERT_EQ(a.result, 1);
  const auto& v = a.reader->selected_video_stream()->positions;
  const auto& au = a.reader->selected_audio_stream()->positions;
  char expected[2048];
  std::snprintf(expected, sizeof expected,
                "%016llX          '00db' 62643030 (0000001C)\r\n"
                "                             'REF ' 20464552 (00000008)\r\n"
                "                                 D:\\a.001\r\n"
                "%016llX          '01wb' 62773130 (00000020)\r\n"
                "%016llX          '00db' 62643030 (0000012C)\r\n"
                "                             '    ' %02X%02X%02X%02X\r\n"
                "%016llX          '01wb' 62773130 (00000020)\r\n"
                "%016llX          '00dc' 63643030 (00000003)\r\n"
                "%016llX          '01wb' 62773130 (00000020)\r\n",
                static_cast<unsigned long long>(v[0]), static_cast<unsigned long long>(au[0]),
                static_cast<unsigned long long>(v[1]), static_cast<uint8_t>(avi[v[1] + 11]), static_cast<uint8_t>(avi[v[1] + 10]),
                static_cast<uint8_t>(avi[v[1] + 9]), static_cast<uint8_t>(avi[v[1] + 8]),
                static_cast<unsigned long long>(au[1]), static_cast<unsigned long long>(v[2]),
                static_cast<unsigned long long>(au[2]));
  EXPECT_EQ(out.text, expected);
}

}  // namespace
}  // namespace mendora
