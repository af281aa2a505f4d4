// End-to-end runs of the simulator: every e2e test starts dtbsim on a
// device root with a script and looks at its exit status and transcript.
//
//   dtbtest::SimRun run;
//   run.root = dir.path();
//   run.script = "key down\nexpect Music\n";
//   dtbtest::SimResult r = dtbtest::RunSim(run);
//   EXPECT_EQ(r.status, 0) << r.output;
#pragma once

#include <string>
#include <vector>

namespace dtbtest {

struct SimRun {
  std::string root;                // device root (created when missing)
  std::string script;              // script text, one command a line
  bool fresh = true;               // lay the root out anew (--fresh)
  std::string lang;                // "en", "pl" or "" (leave the settings)
  std::string audio_out;           // --audio-out FILE.wav, or "" for root/var/log/audio.wav
  std::string player;              // --player PATH, or "" for the build's dtbplayer
  std::vector<std::string> extra;  // further dtbsim options
  int timeout_seconds = 120;       // the run is killed after this
};

struct SimResult {
  int status = -1;     // dtbsim's exit status; -1 when it was killed or could not run
  std::string output;  // its standard output and error
};

// Built programs (from DTB_BINARY_DIR).
std::string DtbsimPath();
std::string DtbplayerPath();
bool HavePlayer();

// Runs dtbsim to the end of the script. Audio goes to a file unless
// run.audio_out says where.
SimResult RunSim(const SimRun& run);

// Runs `script` on a root laid out before (not afresh), the audio to
// `audioOut` when given; the transcript is printed when DTB_SHOW_TRANSCRIPT
// is set.
SimResult RunScript(const std::string& root, const std::string& script, int timeoutSeconds = 300,
                    const std::string& audioOut = "");

// Lays a fresh device root out in `lang` and ends: dtbsim's exit status.
int LayOutRoot(const std::string& root, const std::string& lang = "en");

// The lines of `output` that are utterances ("say: ", "read: ", "beep: ").
std::vector<std::string> Utterances(const std::string& output);

// The seconds of the first English "about ... left in the book" spoken, or -1.
int SpokenSecondsLeftInBook(const std::string& output);

}  // namespace dtbtest

// Skips the current test when dtbplayer has not been built.
#define DTB_REQUIRE_PLAYER() \
  if (!::dtbtest::HavePlayer()) GTEST_SKIP() << "dtbplayer is not built"
