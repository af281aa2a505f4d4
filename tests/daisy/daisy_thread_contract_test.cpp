// The DAISY thread under the play-thread contract, on the scripted decoder.
#include "tests/daisy/daisy_player_fixture.h"
#include "tests/players/play_thread_contract.h"

namespace daisytest {
namespace {

struct DaisyDriver {
  PlayerEnv* env = &PlayerEnv::Get();
  std::string book;
  int missingError = 0;
  int openedState = DAISY_STATE_STOPPED;

  DaisyDriver() {
    static int serial = 0;
    SetDaisySettingsToDefault();
    env->route->to = env->fake;
    env->fake->Reset();
    env->fake->files.clear();
    env->fake->pace = 0;
    book = "/mnt/emmc/contract" + std::to_string(++serial);
    WriteBook(env->root.path() + book);
    env->fake->files[book + "/a.mp3"] = {8000, 1, 20000, 400};
    env->fake->files[book + "/b.mp3"] = {8000, 1, 20000, 800};
    EXPECT_EQ(DaisyThread().Start(env->route), 0);
    // What opening a folder without a book reports.
    libDaisy::Daisy probe;
    missingError = probe.Open((book + "/none/ncc.html").c_str(), libDaisy::kDaisy202);
    probe.Close();
  }
  ~DaisyDriver() { env->fake->pace = 0; }
  bool Ready() { return true; }
  PlayThreadBase& Thread() { return DaisyThread(); }
  int Open(double pace) {
    env->fake->pace = pace;
    return DaisyThread().CmdOpen(book + "/ncc.html", libDaisy::kDaisy202);
  }
  int OpenShort() { return Open(0); }
  int OpenLong() { return Open(1); }
  int OpenMissing() { return DaisyThread().CmdOpen(book + "/none/ncc.html", libDaisy::kDaisy202); }
  size_t Written() { return env->fake->WrittenFrames(); }
};

using DaisyThreadType = ::testing::Types<DaisyDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(DaisyThread, PlayThreadContract, DaisyThreadType);

}  // namespace
}  // namespace daisytest
