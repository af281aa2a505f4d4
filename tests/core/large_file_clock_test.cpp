// A long audio book over 2 GB on a card and a clock past 2038: what a 32-bit
// board gets right only with 64-bit time_t and off_t. Runs under emulation
// in the ARM build.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "browser/file_copy.h"
#include "clock/alarms.h"
#include "platform/board.h"
#include "speech/ux_language.h"
#include "tests/platform/host_fixture.h"

static_assert(sizeof(time_t) == 8, "build with _TIME_BITS=64");
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

namespace {

class LargeFileAndClock : public HostBoardTest {};

TEST_F(LargeFileAndClock, SparseFileOver2GBOpensSeeksAndIsSpokenWithItsSize) {
  const long long size = 3LL << 30;
  const char* path = "/mnt/microsd/long book.mp3";
  ASSERT_EQ(Sh("mkdir -p /mnt/microsd"), 0);
  int fd = open(board::Path(path).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(pwrite(fd, "tail", 4, size - 4), 4);  // the rest is a hole
  close(fd);

  struct stat st;
  ASSERT_EQ(BStat(path, &st), 0);
  EXPECT_EQ(st.st_size, size);
  FILE* f = BFopen(path, "rb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fseeko(f, size - 4, SEEK_SET), 0);
  char tail[5] = {};
  EXPECT_EQ(fread(tail, 1, 4, f), 4u);
  EXPECT_STREQ(tail, "tail");
  EXPECT_EQ(ftello(f), size);
  fclose(f);

  char said[256];
  ASSERT_GT(GetUxLanguage(1)->GetFilePlaceAndSizeString(false, "long book.mp3", st.st_size, -1, 0, said,
                                                        sizeof said),
            0);
  EXPECT_NE(std::string(said).find("3.00GB"), std::string::npos) << said;
  EXPECT_TRUE(CopyWouldFillDisk(st.st_size, 2LL << 20)) << "2 GB free is too little for it";
}

TEST_F(LargeFileAndClock, ClockSetTo2040KeepsTheDateAndAlarmsAndTheRtc) {
  // The command the settings menu's date entry runs.
  ASSERT_EQ(Sh("date \"2040-6-1 12:0\""), 0);
  time_t now = BTime();
  EXPECT_GT(static_cast<long long>(now), 2147483647LL);
  struct tm lt;
  ASSERT_NE(localtime_r(&now, &lt), nullptr);
  EXPECT_EQ(lt.tm_year, 140);
  EXPECT_EQ(lt.tm_mon, 5);
  EXPECT_EQ(lt.tm_mday, 1);
  EXPECT_EQ(lt.tm_hour, 12);

  AlarmSlot daily;
  daily.hour = 7;
  daily.enabled = 1;
  daily.repeat = 0x7f;
  time_t due = static_cast<time_t>(AlarmNextTime(daily, static_cast<unsigned int>(now), true));
  ASSERT_NE(localtime_r(&due, &lt), nullptr);
  EXPECT_EQ(lt.tm_year, 140);
  EXPECT_EQ(lt.tm_mday, 2);
  EXPECT_EQ(lt.tm_hour, 7);

  // Saving the clock to the RTC and reading it back.
  ASSERT_EQ(Sh("hwclock --systohc"), 0);
  EXPECT_NEAR(static_cast<double>(host_->host_state().GetInt(board::state::kRtcClock)),
              static_cast<double>(now), 5.0);
}

}  // namespace
