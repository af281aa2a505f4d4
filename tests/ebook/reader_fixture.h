// The reader window on the window stack with a stand-in root, and the play
// thread talking to a scripted voice and a recording sound card instead of
// the speech engine and ALSA.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app/mainloop.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "ebook/reader/ebook_io.h"
#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/reader/ebook_settings.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "speech/ux_language.h"
#include "tests/ebook/ebook_test_util.h"
#include "players/kit/play_backend.h"
#include "tests/players/fake_sound.h"
#include "tests/support/test_support.h"
#include "core/ui/keypad_idle.h"

// Speaks every text as `blocks` blocks of a constant voice level, each
// handed to the reader's callback (after `paceMs`), and records what was
// spoken, what was said as a prompt and what reached the sound card.
class FakeEbookIo : public RecordingSink<EbookIo> {
 public:
  struct Spoken {
    int mode;  // the play mode while it was spoken
    std::string text;
    bool letterByLetter;
  };
  static constexpr int kBlock = 320;  // 20 ms at 16 kHz

  int SpeechInit(PlayTtsOutputCallback cb, void* user) override {
    std::lock_guard<std::mutex> l(m);
    cb_ = cb;
    user_ = user;
    return 0;
  }
  int Speak(const uint16_t* text, int count) override {
    PlayTtsOutputCallback cb;
    void* user;
    int n, pace;
    const int mode = EbookPlayMode();
    {
      std::lock_guard<std::mutex> l(m);
      spoken.push_back({mode, ebooktest::U8(std::u16string(text, text + count)), readWord});
      cb = cb_;
      user = user_;
      n = blocks;
      pace = paceMs;
      if (failSpeech) return -1;
    }
    std::vector<short> block(kBlock, voiceLevel);
    for (int i = 0; i < n; ++i) {
      if (pace > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pace));
      std::vector<short> copy = block;
      if (cb(copy.data(), kBlock, user) != 0) return -2;
    }
    return 0;
  }
  int SetReadWordMode(int on) override {
    std::lock_guard<std::mutex> l(m);
    readWord = on != 0;
    return 0;
  }
  int SysSay(const char* text) override {
    std::lock_guard<std::mutex> l(m);
    said.push_back(text);
    return 0;
  }
  int SysSpeaking() override { return 0; }

  // The background music: `music` played as a file of any name.
  class Decoder : public RecordingSink<PlayBackend> {
   public:
    explicit Decoder(FakeEbookIo& io) : io_(io) {}
    int Open(const char* path, int* rate, int* channels, int* totalMs) override {
      std::lock_guard<std::mutex> l(io_.m);
      io_.musicPath = path;
      ++io_.musicOpens;
      if (io_.music.empty()) return -4;
      io_.musicOpen = true;
      io_.musicPos = 0;
      *rate = io_.musicRate;
      *channels = io_.musicChannels;
      *totalMs = static_cast<int>(io_.music.size() * 1000 / (io_.musicRate * io_.musicChannels));
      return 0;
    }
    int Read(void* buf, int bytes, int* curMs) override {
      std::lock_guard<std::mutex> l(io_.m);
      size_t n = std::min(io_.music.size() - io_.musicPos, static_cast<size_t>(bytes / 2));
      std::copy(io_.music.begin() + io_.musicPos, io_.music.begin() + io_.musicPos + n, static_cast<short*>(buf));
      io_.musicPos += n;
      *curMs = static_cast<int>(io_.musicPos * 1000 / (io_.musicRate * io_.musicChannels));
      return static_cast<int>(n * 2);
    }
    int Seek(int ms, int) override {
      std::lock_guard<std::mutex> l(io_.m);
      ++io_.musicSeeks;
      io_.musicPos = std::min(io_.music.size(), static_cast<size_t>(ms) * io_.musicRate * io_.musicChannels / 1000);
      return 0;
    }
    int Close() override {
      std::lock_guard<std::mutex> l(io_.m);
      io_.musicOpen = false;
      return 0;
    }
    int CurMs() override { return -1; }
    int StreamCount() override { return 1; }
    int CurStream() override { return 0; }
    int SelectStream(int) override { return -1; }
    int DurationMs(const char*) override { return -1; }

   private:
    FakeEbookIo& io_;
  };
  PlayBackend& MusicDecoder() override { return decoder_; }

  std::vector<Spoken> SpokenList() {
    std::lock_guard<std::mutex> l(m);
    return spoken;
  }
  // What was spoken, without the blanks and line breaks around it.
  std::vector<std::string> SpokenTexts() {
    std::vector<std::string> out;
    for (const auto& s : SpokenList()) {
      size_t b = s.text.find_first_not_of(" \r\n\t");
      size_t e = s.text.find_last_not_of(" \r\n\t");
      out.push_back(b == std::string::npos ? std::string() : s.text.substr(b, e - b + 1));
    }
    return out;
  }
  std::vector<std::string> Said() {
    std::lock_guard<std::mutex> l(m);
    return said;
  }
  int CountSaid(const std::string& text) {
    int n = 0;
    for (const auto& s : Said()) n += s == text;
    return n;
  }
  size_t SpokenCount() {
    std::lock_guard<std::mutex> l(m);
    return spoken.size();
  }
  std::vector<short> Samples() { return Written(); }
  void Reset() {
    std::lock_guard<std::mutex> l(m);
    spoken.clear();
    said.clear();
    ClearWritten();
    keep = false;
    blocks = 2;
    paceMs = 0;
    voiceLevel = 1000;
    failSpeech = false;
    readWord = false;
    music.clear();
    musicRate = 16000;
    musicChannels = 1;
    musicOpens = musicSeeks = 0;
    musicOpen = false;
  }

  std::mutex m;
  PlayTtsOutputCallback cb_ = nullptr;
  void* user_ = nullptr;
  std::vector<Spoken> spoken;
  std::vector<std::string> said;
  int blocks = 2;
  int paceMs = 0;
  short voiceLevel = 1000;
  bool failSpeech = false;
  bool readWord = false;
  std::vector<short> music;
  int musicRate = 16000, musicChannels = 1;
  size_t musicPos = 0;
  int musicOpens = 0, musicSeeks = 0;
  bool musicOpen = false;
  std::string musicPath;

 private:
  Decoder decoder_{*this};
};

class ReaderRoot : public iWindow {
 public:
  int OnKeyDown(int code) override {
    lastCode = code;
    return 0;
  }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
  int lastCode = 0;
};

class ReaderTest : public ::testing::Test {
 protected:
  static FakeEbookIo& Io() {
    static FakeEbookIo* io = new FakeEbookIo;
    return *io;
  }

  void SetUp() override {
    WireSubsystems();
    io_ = &Io();
    io_->Reset();
    SetEbookIo(io_);
    while (g_TotalWindows > 0 && RemoveCurWindow() == 0) {
    }
    if (g_TotalWindows == 0) AddWindow(new ReaderRoot);
    g_History.Clean();
    g_bookmark.Clean();
    g_EbookSettings = EbookSettings();
    g_SystemSettings.ebook_resume_play = true;
    g_bKeyBoardLocked = false;
    EbookPlayer::ResetRememberedMenuItems();
    savedLanguage_ = g_pUxLanguage;
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
  }
  void TearDown() override {
    CloseAllChildWindow();
    EXPECT_EQ(EbookState(), EB_STATE_IDLE) << "a book was left open";
    g_pUxLanguage = savedLanguage_;
    SetEbookIo(nullptr);
  }

  static EbookPlayer* Reader() { return dynamic_cast<EbookPlayer*>(CurWindow()); }

  // Runs window ticks (without the 250 ms wait) until `done` or a timeout.
  static bool TickUntil(const std::function<bool()>& done, int maxMs = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      WindowTick();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  static void Tap(int code) {
    if (KeyDown(code) == 0) KeyPress(code);
    KeyUp(code);
  }
  bool SpokenAtLeast(size_t n, int maxMs = 5000) {
    return TickUntil([&] { return io_->SpokenCount() >= n; }, maxMs);
  }
  // Opens a book and waits until its first text is spoken.
  void OpenAndRead(const std::string& path, int page = -1, int place = -1, int endPage = -1, int endPlace = -1) {
    ASSERT_EQ(CreateEbookPlayer(path.c_str(), page, place, endPage, endPlace), 0);
    ASSERT_NE(Reader(), nullptr);
    ASSERT_TRUE(SpokenAtLeast(1)) << "nothing was read";
  }
  // The place and page of the open book.
  static std::pair<int, int> PagePlace() {
    std::pair<int, int> r{-1, -1};
    WithEbook([&](iCEbook* b) {
      if (b) r = {b->GetCurPage(), b->GetCurPlace()};
    });
    return r;
  }
  std::string WriteBook(const std::string& name, const std::string& text) {
    std::string path = dir_ / name;
    dtbtest::WriteFile(path, text);
    return path;
  }
  // A book of `count` numbered sentences, `perParagraph` to a line.
  std::string NumberedBook(const std::string& name, int count, int perParagraph = 1) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
      text += "This is sentence number " + std::to_string(i) + " of the test book.";
      text += i % perParagraph == 0 ? "\n" : " ";
    }
    return WriteBook(name, text);
  }
  static std::string Sentence(int n) { return "This is sentence number " + std::to_string(n) + " of the test book."; }

  FakeEbookIo* io_ = nullptr;
  iUxLanguage* savedLanguage_ = nullptr;
  dtbtest::TempDir dir_;
};
