// A power cut at any moment of an upgrade leaves a device that starts: the
// old player or the new one whole, never a mix. The install runs in a child
// process on the host board and is killed at random points; then the next
// start (what the supervisor does first) runs on the same root.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "platform/host/host_board.h"
#include "supervisor/packet/upgrade_install.h"
#include "tests/supervisor/packet_maker.h"

namespace {

namespace fs = std::filesystem;

std::string Player(const std::string& which) {
  // Long enough that a half-written copy is likely when the cut is random.
  std::string text = "# the " + which + " player\n";
  for (int i = 0; i < 200; i++) text += "#" + std::string(1000, which[0]) + "\n";
  return text + "echo " + which + " > /var/log/ran\n";
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(root_), 0);
    std::vector<dtbtest::TarMember> members = {{"home/q7exe2", Player("new")}, {"home/res/", "", '5'}};
    for (int i = 0; i < 6; i++) members.push_back({"home/res/" + std::to_string(i) + ".bin", Resource(i)});
    dtbtest::WriteFile(root_ + "/mnt/emmc/q7_upgrade", dtbtest::Gzip(dtbtest::Tar(members)));
  }
  static std::string Resource(int i) { return std::string(150000, static_cast<char>('a' + i)); }

  void OldDevice() {
    for (const char* d : {"/upgrade.new", "/upgrade.ready", "/home/res", "/var/log/ran"})
      fs::remove_all(root_ + d);
    dtbtest::WriteFile(root_ + "/home/q7exe2", Player("old"));
  }
  // Installs in a child killed after `delay` (or left to finish when negative).
  void InstallAndCut(std::chrono::microseconds delay) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      board::Install(board::MakeHostBoard(root_));
      _exit(InstallUpgradePayload("/mnt/emmc/q7_upgrade") == 0 ? 0 : 1);
    }
    int status = 0;
    if (delay.count() >= 0) {
      usleep(static_cast<useconds_t>(delay.count()));
      kill(pid, SIGKILL);
    }
    waitpid(pid, &status, 0);
  }
  // The next start: finish what was cut, then run the player.
  std::string Boot() {
    auto previous = board::Install(board::MakeHostBoard(root_));
    FinishInterruptedUpgrade();
    board::System("/home/q7exe2");
    board::Install(std::move(previous));
    return dtbtest::ReadFile(root_ + "/var/log/ran");
  }

  dtbtest::TempDir dir_;
  std::string root_ = dir_.path();
};

TEST_F(PowerCutTest, EveryCutLeavesTheOldPlayerOrTheWholeNewOne) {
  OldDevice();
  auto start = std::chrono::steady_clock::now();
  InstallAndCut(std::chrono::microseconds(-1));
  auto whole =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(Boot(), "new\n");

  std::mt19937 rng(12345);
  std::uniform_int_distribution<long> when(0, whole.count() * 5 / 4);
  int olds = 0, news = 0;
  for (int i = 0; i < 40; i++) {
    OldDevice();
    InstallAndCut(std::chrono::microseconds(i == 0 ? 0 : when(rng)));
    std::string ran = Boot();
    std::string player = dtbtest::ReadFile(root_ + "/home/q7exe2");
    if (ran == "old\n") {
      olds++;
      EXPECT_EQ(player, Player("old"));
      EXPECT_FALSE(fs::exists(root_ + "/home/res/0.bin")) << "cut " << i;
    } else {
      news++;
      ASSERT_EQ(ran, "new\n") << "cut " << i << ": the player did not run whole";
      EXPECT_EQ(player, Player("new"));
      for (int k = 0; k < 6; k++)
        EXPECT_EQ(dtbtest::ReadFile(root_ + "/home/res/" + std::to_string(k) + ".bin"), Resource(k))
            << "cut " << i;
    }
    EXPECT_FALSE(fs::exists(root_ + "/upgrade.ready"));
    EXPECT_FALSE(fs::exists(root_ + "/upgrade.new")) << "cut " << i << ": a half unpacked copy stays";
  }
  EXPECT_GT(olds, 0);
  EXPECT_GT(news, 0);
}

}  // namespace
