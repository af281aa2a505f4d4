// The descriptor and stream owners close what they hold, once.
#include "core/lib/fd/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST(UniqueFd, ClosesOnEveryWayOut) {
  int raw = open("/dev/null", O_RDONLY);
  ASSERT_GE(raw, 0);
  { fd::UniqueFd owner(raw); }
  EXPECT_FALSE(IsOpen(raw));

  int a = open("/dev/null", O_RDONLY);
  int b = open("/dev/null", O_RDONLY);
  fd::UniqueFd owner(a);
  owner.reset(b);
  EXPECT_FALSE(IsOpen(a));
  fd::UniqueFd moved(std::move(owner));
  EXPECT_FALSE(owner);
  int kept = moved.release();
  EXPECT_TRUE(IsOpen(kept));
  EXPECT_EQ(-1, moved.Close());  // nothing held any more
  fd::UniqueFd again(kept);
  EXPECT_EQ(0, again.Close());
  EXPECT_FALSE(IsOpen(kept));

  int s = open("/dev/null", O_RDONLY);
  { fd::UniqueFile f(fdopen(s, "r")); ASSERT_TRUE(f); }
  EXPECT_FALSE(IsOpen(s));
}

}  // namespace
