// The carry journal: what its reader refuses, and how a recovery decides
// about a data file found at both places, which the crash sweep cannot make
// (its crashes stop between calls, never inside a copy).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "common/Types.h"
#include "operation/Journal.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

const std::string kGood =
    "mendora journal 1\nmode move\nphase carry\navi D:\\a\\clip.avi\noutput E:\\dst\\clip.avi\n"
    "temporary E:\\dst\\clip.avi.tmp\nsource delete\nattributes 32\npair D:\\a\\clip.001\tE:\\dst\\clip.001\nend 1\n";

std::string With(const std::string& from, const std::string& to) {
  std::string s = kGood;
  s.replace(s.find(from), from.size(), to);
  return s;
}

TEST(JournalReader, RefusesWhatItDidNotWrite) {
  CarryJournal j;
  ASSERT_TRUE(ParseJournal(kGood, &j));
  EXPECT_EQ(j.mode, Move);
  EXPECT_EQ(j.pairs.size(), 1u);
  EXPECT_EQ(FormatJournal(j), kGood);
  const struct {
    const char* why;
    std::string bytes;
  } bad[] = {
      {"cut before its end", kGood.substr(0, kGood.size() - 6)},
      {"last line without its line break", kGood.substr(0, kGood.size() - 1)},
      {"another format", With("journal 1", "journal 3")},
      {"a begin in a journal of the first format", With("end 1", "begin 1 2 3\nend 1")},
      {"a journal of the second format without its begin", With("journal 1", "journal 2")},
      {"a pair more than it counts", With("end 1", "end 2")},
      {"a repeated field", With("phase carry\n", "phase carry\nphase place\n")},
      {"an unknown field", With("attributes 32\n", "attributes 32\ncolour red\n")},
      {"a field missing", With("attributes 32\n", "")},
      {"a path of 260 characters", With("D:\\a\\clip.001", "D:\\" + std::string(257, 'x'))},
      {"a control character in a path", With("D:\\a\\clip.001", "D:\\a\\cl\rip.001")},
      {"a pair onto itself", With("E:\\dst\\clip.001", "D:\\a\\clip.001")},
      {"a number too large", With("attributes 32", "attributes 99999999999")},
      {"a Fix that carries", With("mode move", "mode fix")},
      {"a Copy that deletes its source", With("mode move", "mode copy")},
      {"bytes after the end", kGood + "pair A:\\x\tB:\\y\n"},
  };
  for (const auto& b : bad) EXPECT_FALSE(ParseJournal(b.bytes, &j)) << b.why;

  // A Fix without a backup keeps the old file's identity, 64-bit numbers.
  const std::string fix =
      "mendora journal 1\nmode fix\nphase carry\navi D:\\clip.avi\noutput D:\\clip.avi\n"
      "temporary D:\\clip.avi.tmp\nsource keep\nattributes 0\nidentity 2049 18446744073709551615\nend 0\n";
  ASSERT_TRUE(ParseJournal(fix, &j));
  ASSERT_TRUE(j.identity.has_value());
  EXPECT_EQ(j.identity->volume, 2049u);
  EXPECT_EQ(j.identity->index, UINT64_MAX);
  EXPECT_EQ(FormatJournal(j), fix);
  auto fix_with = [&](const std::string& from, const std::string& to) {
    std::string bytes = fix;
    return bytes.replace(bytes.find(from), from.size(), to);
  };
  for (const std::string& b : {fix_with("18446744073709551615", "18446744073709551616"),
                               fix_with("identity 2049 ", "identity 2049"),
                               fix_with("end 0", "identity 1 2\nend 0"), fix_with("source keep", "source aside"),
                               With("attributes 32\n", "attributes 32\nidentity 1 2\n")})
    EXPECT_FALSE(ParseJournal(b, &j)) << b;

  // The second format records the reference AVI as the run found it.
  std::string with_begin = With("journal 1", "journal 2");
  with_begin.insert(with_begin.find("pair "), "begin 7 18446744073709551615 1234\n");
  ASSERT_TRUE(ParseJournal(with_begin, &j));
  ASSERT_TRUE(j.begin.has_value());
  EXPECT_EQ(j.begin->volume, 7u);
  EXPECT_EQ(j.begin->index, UINT64_MAX);
  EXPECT_EQ(j.begin_size, 1234u);
  EXPECT_EQ(FormatJournal(j), with_begin);
}

// A data file of a Move at both places after a crash: the shorter one is a
// copy cut short (forwards, or back by an earlier recovery), and goes.
TEST(JournalRecovery, AFileAtBothPlacesKeepsTheWholeOne) {
  const std::string whole = "0123456789";
  const struct {
    const char* why;
    const char* source;  // null: absent
    const char* target;
  } cases[] = {
      {"a copy forwards cut short", "0123456789", "0123"},
      {"a whole copy whose source was not yet deleted", "0123456789", "0123456789"},
      {"a copy back cut short", "01", "0123456789"},
      {"moved, not yet back", nullptr, "0123456789"},
      {"never carried", "0123456789", nullptr},
  };
  for (const auto& c : cases) {
    test::TestDrives d;
    CarryJournal j;
    j.mode = Move;
    j.avi = d.Path('D', "a\\clip.avi");
    j.output = d.Path('E', "dst\\clip.avi");
    j.temporary = j.output + ".tmp";
    j.source = SourceFate::kDelete;
    j.pairs = {{d.Path('D', "a\\clip.001"), d.Path('E', "dst\\clip.001")}};
    d.WriteFile(j.avi, "the reference AVI");
    d.WriteFile(d.Path('E', "dst\\keep"), "");
    if (c.source != nullptr) d.WriteFile(j.pairs[0].first, c.source);
    if (c.target != nullptr) d.WriteFile(j.pairs[0].second, c.target);
    ASSERT_TRUE(WriteJournal(d.fs(), j));
    const LinkReader links = [&](const std::string&, std::vector<std::string>* l) {
      *l = {j.pairs[0].first};
      return true;
    };
    EXPECT_EQ(RecoverInterrupted(d.fs(), j.avi, nullptr, links), RecoveryResult::kRolledBack) << c.why;
    EXPECT_EQ(d.ReadFile(j.pairs[0].first), whole) << c.why;
    EXPECT_FALSE(d.Exists(j.pairs[0].second)) << c.why;
    EXPECT_FALSE(d.Exists(JournalPath(j.avi))) << c.why;
  }
}

}  // namespace
}  // namespace mendora
