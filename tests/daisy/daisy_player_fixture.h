// The DAISY player on a scripted decoder: a board that keeps the device's
// /mnt and /home in a scratch folder (voices from the build), real system
// and player speech whose utterances are collected, a window stack with a
// stand-in root, and small books written by the tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app/mainloop.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "platform/board.h"
#include "platform/host/simulated_board.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/tts.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"
#include "tests/players/fake_backend.h"
#include "tests/players/media/media_fixture.h"
#include "tests/support/test_support.h"
#include "core/ui/keypad_idle.h"

namespace daisytest {

// Device paths under /mnt and /home live in the scratch root; anything else
// is the PC's own path, so other tests of the same program are not moved.
class PlayerBoard final : public board::SimulatedBoard {
 public:
  explicit PlayerBoard(std::string root) : root_(std::move(root)) {}
  std::string Path(const std::string& p) override {
    if (p.compare(0, 5, "/mnt/") == 0 || p.compare(0, 6, "/home/") == 0) return root_ + p;
    return p;
  }
  int System(const std::string&) override { return 0; }
  time_t Now() override { return time(nullptr); }
  void Transcript(const char* channel, const std::string& text) override {
    std::lock_guard<std::mutex> l(m_);
    lines_.push_back(std::string(channel) + ": " + text);
  }
  int IsMountPoint(const std::string& p) override {
    return p == "/mnt/settings" || p == "/mnt/emmc" ? 1 : 0;
  }
  int OpenInputDevice(const std::string& p) override { return open(Path(p).c_str(), O_RDONLY); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ioctl(fd, request, arg); }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> l(m_);
    return lines_;
  }
  void Clear() {
    std::lock_guard<std::mutex> l(m_);
    lines_.clear();
  }

 private:
  std::string root_;
  std::mutex m_;
  std::vector<std::string> lines_;
};

// The player's thread keeps the backend it started with; this one hands
// every call to the scripted decoder or to the real one, as the test chose.
class RouteBackend : public PlayBackend {
 public:
  PlayBackend* to = nullptr;
  int Open(const char* path, int* rate, int* channels, int* totalMs) override {
    return to->Open(path, rate, channels, totalMs);
  }
  int Close() override { return to->Close(); }
  int Read(void* buf, int bytes, int* curMs) override { return to->Read(buf, bytes, curMs); }
  int Seek(int ms, int direction) override { return to->Seek(ms, direction); }
  int CurMs() override { return to->CurMs(); }
  int StreamCount() override { return to->StreamCount(); }
  int CurStream() override { return to->CurStream(); }
  int SelectStream(int ordinal) override { return to->SelectStream(ordinal); }
  int DurationMs(const char* path) override { return to->DurationMs(path); }
  int Init(unsigned channels, unsigned rate, unsigned latencyUs) override {
    return to->Init(channels, rate, latencyUs);
  }
  int PutSamples(short* samples, int frames) override { return to->PutSamples(samples, frames); }
  int Flush() override { return to->Flush(); }
  int WaitBufferFinished() override { return to->WaitBufferFinished(); }
  int BufferLevel() override { return to->BufferLevel(); }
};

// One environment per process: the player's thread lives for the process.
struct PlayerEnv {
  dtbtest::TempDir root;
  PlayerBoard* board = nullptr;
  FakeBackend* fake = nullptr;
  DecoderRecorder* recorder = nullptr;  // the firmware's decoder, output kept
  RouteBackend* route = nullptr;
  bool speech = false;

  static PlayerEnv& Get() {
    static PlayerEnv* env = new PlayerEnv;
    return *env;
  }

 private:
  PlayerEnv() {
    namespace fs = std::filesystem;
    fs::create_directories(root.path() + "/mnt/settings");
    fs::create_directories(root.path() + "/mnt/emmc");
    fs::create_directory_symlink(std::string(DTB_BINARY_DIR) + "/home", root.path() + "/home");
    auto b = std::make_unique<PlayerBoard>(root.path());
    board = b.get();
    board::Install(std::move(b));
    fake = new FakeBackend;
    recorder = new DecoderRecorder;
    route = new RouteBackend;
    route->to = fake;
    SetPlayersBackend(route);
    // System speech is heard nowhere; what it says is in the transcript.
    SetTtsOutput(QuietSink(5000));
    speech = SysTts_Init() == 0;
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
  }
};

class StandInRoot : public iWindow {
 public:
  int OnKeyDown(int code) override {
    lastCode = code;
    return 0;
  }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
  int lastCode = 0;
};

// A DAISY 2.02 book of two SMIL files: headings "Chapter One" (h1),
// "Section" (h2), "Chapter Two" (h1), pages 1 to 3, and two 20 s audio files
// cut into five clips (a: 0-5, 5-10, 10-20 s; b: 0-8, 8-20 s). Objects:
//   0 seq | 1 par 2 text 3 audio a 0-5 | 4 par 5 text 6 audio a 5-10 |
//   7 par 8 text 9 audio a 10-20 | 10 seq | 11 par 12 text 13 audio b 0-8 |
//   14 par 15 text 16 audio b 8-20
// withAudio false leaves the audio out: a text-only book.
inline void WriteBook(const std::string& dir, bool withAudio = true) {
  auto smilPar = [&](const char* id, const char* text, const char* audio, const char* b,
                     const char* e) {
    std::string s = std::string("<par id=\"") + id + "\"><text src=\"content.html#" + text + "\"/>";
    if (withAudio)
      s += std::string("<audio src=\"") + audio + "\" clip-begin=\"npt=" + b +
           "s\" clip-end=\"npt=" + e + "s\"/>";
    return s + "</par>";
  };
  dtbtest::WriteFile(
      dir + "/ncc.html",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><head><title>Test Book</title>"
      "<meta name=\"dc:title\" content=\"Test Book\"/>"
      "<meta name=\"dc:creator\" content=\"Ann Author\"/>"
      "<meta name=\"ncc:totalTime\" content=\"0:00:40\"/></head><body>"
      "<h1 id=\"h1\"><a href=\"s1.smil#p1\">Chapter One</a></h1>"
      "<span class=\"page-normal\" id=\"pg1\"><a href=\"s1.smil#p1\">1</a></span>"
      "<h2 id=\"h2\"><a href=\"s1.smil#p3\">Section</a></h2>"
      "<span class=\"page-normal\" id=\"pg2\"><a href=\"s1.smil#p3\">2</a></span>"
      "<h1 id=\"h3\"><a href=\"s2.smil#q1\">Chapter Two</a></h1>"
      "<span class=\"page-normal\" id=\"pg3\"><a href=\"s2.smil#q2\">3</a></span>"
      "</body></html>\n");
  dtbtest::WriteFile(dir + "/s1.smil", "<?xml version=\"1.0\"?>\n<smil><head/><body><seq>" +
                                           smilPar("p1", "t1", "a.mp3", "0", "5") +
                                           smilPar("p2", "t2", "a.mp3", "5", "10") +
                                           smilPar("p3", "t3", "a.mp3", "10", "20") +
                                           "</seq></body></smil>\n");
  dtbtest::WriteFile(dir + "/s2.smil", "<?xml version=\"1.0\"?>\n<smil><head/><body><seq>" +
                                           smilPar("q1", "t4", "b.mp3", "0", "8") +
                                           smilPar("q2", "t5", "b.mp3", "8", "20") +
                                           "</seq></body></smil>\n");
  dtbtest::WriteFile(dir + "/content.html",
                     "<?xml version=\"1.0\"?>\n<html><body>"
                     "<h1 id=\"t1\">Chapter One</h1><p id=\"t2\">First words of the book.</p>"
                     "<h2 id=\"t3\">Section</h2><h1 id=\"t4\">Chapter Two</h1>"
                     "<p id=\"t5\">The last words.</p></body></html>\n");
}

class DaisyPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = &PlayerEnv::Get();
    if (!env_->speech) GTEST_SKIP() << "the speech engine or its voices are not built";
    fake_ = env_->fake;
    env_->route->to = fake_;
    env_->recorder->Reset();
    fake_->Reset();
    fake_->files.clear();
    fake_->pace = 0;
    while (g_TotalWindows > 0) {
      if (RemoveCurWindow() != 0) break;
    }
    if (g_TotalWindows == 0)
      AddWindow(root_ = new StandInRoot);
    else
      root_ = static_cast<StandInRoot*>(g_WindowList[0]);
    g_History.Clean();
    g_bookmark.Clean();
    SetDaisySettingsToDefault();
    g_SystemSettings.daisy_resume_play = true;
    g_bKeyBoardLocked = false;
    g_InfoKeyDownTimes = 0;
    g_DaisyMenuIndex = 0;
    g_DaisyBookmarkMenuIndex = 0;
    book_ = "/mnt/emmc/book" + std::to_string(++serial_);
    SysTts_Stop();
    env_->board->Clear();
  }
  void TearDown() override {
    if (!env_ || !env_->speech) return;
    CloseAllChildWindow();
    SysTts_Stop();
    fake_->pace = 0;
  }

  std::string Host(const std::string& devicePath) const { return env_->root.path() + devicePath; }

  // The book at book_, its audio decoded by the fake as tones.
  void MakeBook(bool withAudio = true) {
    WriteBook(Host(book_), withAudio);
    if (withAudio) {
      fake_->files[book_ + "/a.mp3"] = {8000, 1, 20000, 400};
      fake_->files[book_ + "/b.mp3"] = {8000, 1, 20000, 800};
    }
  }

  DaisyPlayer* Player() {
    return g_TotalWindows > 1 ? dynamic_cast<DaisyPlayer*>(g_WindowList[g_TotalWindows - 1])
                              : nullptr;
  }

  // Opens the book and ticks until it plays (or the open ends otherwise).
  DaisyPlayer* OpenBook(int so = -1, int sp = -1, int fo = -1, int fp = -1) {
    EXPECT_EQ(0, CreateDaisyPlayer(book_.c_str(), "ncc.html", so, sp, fo, fp));
    DaisyPlayer* p = Player();
    EXPECT_NE(p, nullptr);
    if (!p) return nullptr;
    TickUntil([&] { return !p->IsOpening(); });
    return p;
  }

  int State() { return DaisyThread().State(); }
  DaisyPos Pos() { return DaisyThread().Position(); }

  bool TickUntil(const std::function<bool()>& done, int maxMs = 8000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      WindowTick();
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return done();
  }
  // Ticks until system speech is over and the player has acted on it.
  void Settle() {
    TickUntil([] { return SysTts_CheckRunning() == 0; });
    WindowTick();
  }
  void Tap(int code) {
    if (KeyDown(code) == 0) KeyPress(code);
    KeyUp(code);
  }

  std::vector<std::string> Lines() { return env_->board->Lines(); }
  bool Said(const std::string& what) {
    for (const std::string& l : Lines())
      if (l.find(what) != std::string::npos) return true;
    return false;
  }
  bool WaitSaid(const std::string& what, int maxMs = 5000) {
    return TickUntil([&] { return Said(what); }, maxMs);
  }
  std::string AllLines() {
    std::string s;
    for (const std::string& l : Lines()) s += l + "\n";
    return s;
  }
  void ClearLines() { env_->board->Clear(); }

  PlayerEnv* env_ = nullptr;
  FakeBackend* fake_ = nullptr;
  StandInRoot* root_ = nullptr;
  std::string book_;
  static inline int serial_ = 0;
};

}  // namespace daisytest
