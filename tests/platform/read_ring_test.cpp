#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "platform/posix/read_ring.h"

namespace mendora {
namespace {

// A read of an empty pipe waits for data: it is still in flight when the
// ring's wait fails, as a read of a slow disk would be.
TEST(ReadRing, AFailedWaitLeavesNothingToLandInTheBuffer) {
  constexpr size_t kReads = 4, kSize = 8;
  const struct {
    const char* name;
    int failing_waits;
    size_t ready;  // reads whose bytes are in the pipe before the batch
  } cases[] = {{"every wait fails", INT_MAX, 0}, {"two reads made before", INT_MAX, 2}, {"one wait fails", 1, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    int left = c.failing_waits;
    auto ring = ReadRing::CreateWithFailingWaits(fds[0], [&left] { return left > 0 ? (--left, -EIO) : 0; });
    if (!ring) GTEST_SKIP() << "no io_uring here";
    const std::string early = std::string("abcdefghijklmnop").substr(0, c.ready * kSize);
    ASSERT_EQ(::write(fds[1], early.data(), early.size()), static_cast<ssize_t>(early.size()));

    const uint64_t offsets[kReads] = {};
    std::vector<uint8_t> out(kReads * kSize, 0xEE);
    EXPECT_EQ(ring->ReadAtEach(offsets, kReads, kSize, out.data()), c.ready);
    EXPECT_TRUE(ring->Broken());
    // A read still waiting would take these bytes into `out` now.
    ASSERT_EQ(::write(fds[1], "zzzzzzzz", kSize), static_cast<ssize_t>(kSize));
    int unread = -1;
    EXPECT_EQ(::ioctl(fds[0], FIONREAD, &unread), 0);
    EXPECT_EQ(unread, static_cast<int>(kSize));
    std::vector<uint8_t> expected(early.begin(), early.end());
    expected.resize(out.size(), 0xEE);
    EXPECT_EQ(out, expected);

    ring.reset();
    ::close(fds[0]);
    ::close(fds[1]);
  }
}

}  // namespace
}  // namespace mendora
