#pragma once
// The real check: DV AVI files made by ffmpeg, rewritten by the creation
// step, must demux to the same packets (framemd5) and be read by ffprobe.
// ffmpeg runs on the Linux side only; the Windows build skips these.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "rewrite/rewrite_test_util.h"

namespace mendora::test {

inline bool HaveFfmpeg() {
#ifdef _WIN32
  return false;
#else
  return std::system("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1") == 0;
#endif
}

#define SKIP_WITHOUT_FFMPEG()                                                                  \
  if (!::mendora::test::HaveFfmpeg())                                                          \
  GTEST_SKIP() << "ffmpeg and ffprobe run natively only (not under Wine) and must be installed"

// Runs a shell command; its standard output, and the exit status in *status.
inline std::string Capture(const std::string& command, int* status) {
  std::string out;
#ifndef _WIN32
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return out;
  }
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  *status = pclose(pipe);
#else
  (void)command;
  *status = -1;
#endif
  return out;
}

inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

// A DV AVI with 48 kHz stereo PCM audio; `seconds` long. Long files are a
// clip of ten seconds looped without re-encoding. `samples_per_chunk` sets
// the audio packet size (0: ffmpeg's default of 1024 samples).
inline bool MakeDvAvi(const std::string& native, bool ntsc, double seconds, int samples_per_chunk = 0) {
  const std::string video = ntsc ? "testsrc=size=720x480:rate=30000/1001 -pix_fmt yuv411p"
                                 : "testsrc=size=720x576:rate=25 -pix_fmt yuv420p";
  std::string tone = "sine=frequency=1000:sample_rate=48000";
  if (samples_per_chunk != 0) tone += ":samples_per_frame=" + std::to_string(samples_per_chunk);
  const double clip = seconds > 10 ? 10 : seconds;
  const std::string clip_path = seconds > 10 ? native + ".clip.avi" : native;
  std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i " + tone + " -f lavfi -i " + video +
                        " -map 1:v -map 0:a -t " + std::to_string(clip) +
                        " -c:v dvvideo -c:a pcm_s16le -ac 2 -ar 48000 " + Quote(clip_path);
  if (std::system(command.c_str()) != 0) return false;
  if (seconds <= 10) return true;
  command = "ffmpeg -nostdin -v error -y -stream_loop -1 -i " + Quote(clip_path) + " -map 0 -c copy -t " +
            std::to_string(seconds) + " " + Quote(native);
  const bool ok = std::system(command.c_str()) == 0;
  std::remove(clip_path.c_str());
  return ok;
}

inline std::string Framemd5(const std::string& native) {
  int status = 0;
  std::string out = Capture("ffmpeg -nostdin -v error -i " + Quote(native) + " -map 0 -c copy -f framemd5 -", &status);
  return status == 0 ? out : "ffmpeg failed";
}

// ffprobe's messages on reading the whole file (warnings included).
inline std::string FfprobeMessages(const std::string& native, int* status) {
  return Capture("ffprobe -v warning -show_entries stream=codec_name,nb_read_packets -count_packets -of csv " +
                     Quote(native) + " 2>&1 >/dev/null",
                 status);
}

inline bool HasAvix(const std::string& native) {
  int status = 0;
  // The form type of a continuation RIFF, anywhere in the file.
  const std::string hit = Capture("grep -c -a AVIX " + Quote(native), &status);
  return status == 0 && hit != "0\n";
}

// Rewrites `source` to `output` and checks the result against the source.
inline void CheckRewrite(TestDrives& drives, const std::string& source, const std::string& output,
                         const char* label) {
  const StepResult r = Rewrite(drives.fs(), source, output);
  ASSERT_EQ(r.result, 1) << label << ": code " << r.code;
  const std::string src_native = drives.Native(source);
  const std::string out_native = drives.Native(output);
  const std::string expected = Framemd5(src_native);
  const std::string got = Framemd5(out_native);
  EXPECT_GT(expected.size(), 1000u);
  EXPECT_TRUE(got == expected) << label << ": framemd5 differs";
  int status = 0;
  const std::string messages = FfprobeMessages(out_native, &status);
  EXPECT_EQ(status, 0) << label << ": ffprobe failed: " << messages;
  std::cout << "[ffprobe " << label << "] " << (messages.empty() ? "no warnings\n" : messages);
  const std::string source_messages = FfprobeMessages(src_native, &status);
  std::cout << "[ffprobe source " << label << "] " << (source_messages.empty() ? "no warnings\n" : source_messages);
}

}  // namespace mendora::test
