// The players through the simulator: music the test makes, the music key of
// the file browser, and the WAV the simulated sound card writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "media_fixture.h"
#include "tests/support/sim_harness.h"

namespace {

struct Wav {
  int rate = 0;
  int channels = 0;
  std::vector<short> mono;
};

bool ReadWavMono(const std::string& path, Wav* w) {
  std::string b = dtbtest::ReadFile(path);
  if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0) return false;
  const auto* u = reinterpret_cast<const unsigned char*>(b.data());
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    size_t size = u[pos + 4] | u[pos + 5] << 8 | u[pos + 6] << 16 | size_t(u[pos + 7]) << 24;
    if (!b.compare(pos, 4, "fmt ")) {
      w->channels = u[pos + 10] | u[pos + 11] << 8;
      w->rate = u[pos + 12] | u[pos + 13] << 8 | u[pos + 14] << 16 | u[pos + 15] << 24;
    } else if (!b.compare(pos, 4, "data") && w->channels > 0) {
      size_t n = std::min(size, b.size() - pos - 8) / 2 / w->channels;
      const short* s = reinterpret_cast<const short*>(b.data() + pos + 8);
      for (size_t i = 0; i < n; ++i) {
        int sum = 0;
        for (int c = 0; c < w->channels; ++c) sum += s[i * w->channels + c];
        w->mono.push_back(static_cast<short>(sum / w->channels));
      }
      return true;
    }
    pos += 8 + size + (size & 1);
  }
  return false;
}

// The music the run played: the sound card is opened anew for speech and
// for each stream, and each opening goes to its own file ("out-RATE.wav",
// then ".0001", ...); the streams at the music's rate, in order, are joined.
bool ReadMusic(const std::string& dir, int rate, Wav* w) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.path().filename().string().rfind("out-" + std::to_string(rate) + ".wav", 0) == 0)
      names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    Wav part;
    if (!ReadWavMono(n, &part) || part.rate != rate) continue;
    w->rate = rate;
    w->channels = 1;
    w->mono.insert(w->mono.end(), part.mono.begin(), part.mono.end());
  }
  return w->rate == rate && !w->mono.empty();
}

// The tones heard, in order: each 50 ms window whose strongest candidate
// clearly dominates counts; runs of the same tone collapse to one entry.
std::vector<double> ToneSequence(const Wav& w, const std::vector<double>& tones) {
  std::vector<double> seq;
  const size_t win = static_cast<size_t>(w.rate / 20);
  for (size_t at = 0; at + win <= w.mono.size(); at += win) {
    double best = 0, second = 0, hz = 0;
    for (double t : tones) {
      double p = TonePower(w.mono, at, at + win, w.rate, t);
      if (p > best) second = best, best = p, hz = t;
      else if (p > second) second = p;
    }
    if (best < 1e5 || best < 20 * second) continue;
    if (seq.empty() || seq.back() != hz) seq.push_back(hz);
  }
  return seq;
}

// The music streams of the run, each on its own (in the order played).
std::vector<Wav> MusicStreams(const std::string& dir, int rate) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.path().filename().string().rfind("out-" + std::to_string(rate) + ".wav", 0) == 0)
      names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  std::vector<Wav> out;
  for (const std::string& n : names) {
    Wav w;
    if (ReadWavMono(n, &w) && w.rate == rate && w.mono.size() > size_t(rate / 10)) out.push_back(w);
  }
  return out;
}

// The seconds of every "current time: M minutes S seconds" spoken, in order.
std::vector<int> SpokenTimes(const std::string& output) {
  std::vector<int> out;
  static const std::regex re("current time: (\\d+) minutes? (\\d+) seconds?");
  std::smatch m;
  for (const std::string& u : dtbtest::Utterances(output))
    if (std::regex_search(u, m, re)) out.push_back(std::stoi(m[1]) * 60 + std::stoi(m[2]));
  return out;
}

// The text of one attribute of the first element of `tag` in an XML text.
std::string XmlAttr(const std::string& xml, const std::string& tag, const std::string& attr) {
  size_t at = xml.find("<" + tag + " ");
  if (at == std::string::npos) return "";
  size_t end = xml.find('>', at);
  size_t a = xml.find(" " + attr + "=\"", at);
  if (a == std::string::npos || a > end) return "";
  a += attr.size() + 3;
  return xml.substr(a, xml.find('"', a) - a);
}

class PlayersE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    if (!MakeTone(dir_ / "probe.wav", 440, 0.1)) GTEST_SKIP() << "ffmpeg cannot make test tones";
    root_ = dir_ / "root";
    out_ = dir_ / "out";
    std::filesystem::create_directories(out_);
    setenv("DTB_AUDIO_OUT_KEEP", "1", 1);
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    // The recordings hold what the speaker lets out: the loudest volume
    // keeps the tones well above the detection thresholds.
    dtbtest::WriteFile(root_ + "/mnt/settings/system.config.xml",
                       "<?xml version=\"1.0\"?>\n<ebook><system_setting language=\"english\" volume=\"16\"/></ebook>\n");
  }
  void TearDown() override { unsetenv("DTB_AUDIO_OUT_KEEP"); }
  dtbtest::SimResult Run(const std::string& script) {
    // Each opening of the sound card keeps its own file.
    return dtbtest::RunScript(root_, script, 180, out_ + "/out-%r.wav");
  }
  // Forgets the sound of earlier runs.
  void ClearOut() {
    std::filesystem::remove_all(out_);
    std::filesystem::create_directories(out_);
  }
  void MusicSettings(const std::string& attrs) {
    dtbtest::WriteFile(root_ + "/mnt/settings/music.config.xml",
                       "<?xml version=\"1.0\"?>\n<music><music_config " + attrs + "/></music>\n");
  }
  dtbtest::TempDir dir_;
  std::string root_;
  std::string out_;
};

TEST_F(PlayersE2e, MusicKeyPlaysTheFolderInOrderSkipsADamagedFileAndWraps) {
  const std::string music = root_ + "/mnt/emmc/Music/";
  ASSERT_TRUE(MakeTone(music + "1 one.wav", 440, 1.5));
  ASSERT_TRUE(MakeTone(music + "2 two.mp3", 660, 1.5));
  dtbtest::WriteFile(music + "3 three.mp3", std::string(8000, '\x5a'));
  ASSERT_TRUE(MakeTone(music + "4 four.ogg", 880, 1.5));
  MusicSettings("mode=\"2\"");
  dtbtest::SimResult r = Run(
      "expect Internal memory 30\nkey music\n"
      // The damaged file comes after two tones; the third and the first
      // again take 3 s more.
      "expect can not open 30\nwait 6\n"
      "key back\nwait 1\npower hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  Wav w;
  ASSERT_TRUE(ReadMusic(out_, 44100, &w));
  std::vector<double> seq = ToneSequence(w, {440, 660, 880});
  ASSERT_GE(seq.size(), 4u);
  EXPECT_EQ(seq[0], 440);
  EXPECT_EQ(seq[1], 660);
  EXPECT_EQ(seq[2], 880);
  EXPECT_EQ(seq[3], 440);  // "Repeat All" wraps
}

TEST_F(PlayersE2e, SpeedTwoShortensTheMusicAndKeepsItsPitch) {
  ASSERT_TRUE(MakeTone(root_ + "/mnt/emmc/Music/tone.wav", 1000, 6.0));
  MusicSettings("mode=\"0\" speed=\"2\"");
  dtbtest::SimResult r = Run(
      "expect Internal memory 30\nkey music\nexpect file end 30\n"
      "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  Wav w;
  ASSERT_TRUE(ReadMusic(out_, 44100, &w));
  size_t first = 0, last = 0;
  const size_t win = w.rate / 20;
  for (size_t at = 0; at + win <= w.mono.size(); at += win) {
    if (TonePower(w.mono, at, at + win, w.rate, 1000) > 1e5) {
      if (!first) first = at;
      last = at + win;
    }
  }
  ASSERT_GT(last, first);
  EXPECT_NEAR(double(last - first) / w.rate, 5.0, 0.3);
  EXPECT_NEAR(ZeroCrossingHz(w.mono, first + win, last - win, w.rate), 1000, 20);
}

// A book of three parts of 20 s each (440, 660 and 880 Hz) with steps of
// 30 s: a step forward lands in the second part, a step back crosses into
// the first again, and after closing, the book opens where it was left.
TEST_F(PlayersE2e, AudioBookStepsBackAcrossAFileAndResumesWhereItWasClosed) {
  const std::string book = root_ + "/mnt/emmc/Audio books/Tones/";
  ASSERT_TRUE(MakeTone(book + "1 part.mp3", 440, 20, 44100, 1));
  ASSERT_TRUE(MakeTone(book + "2 part.mp3", 660, 20, 44100, 1));
  ASSERT_TRUE(MakeTone(book + "3 part.mp3", 880, 20, 44100, 1));
  dtbtest::WriteFile(root_ + "/mnt/settings/audiobook.config.xml",
                     "<?xml version=\"1.0\"?>\n<audiobook><audiobook_config step=\"1\"/></audiobook>\n");
  dtbtest::SimResult r = Run(
      "expect Internal memory 30\n"
      "key play\nexpect Audio books 20\n"
      "key play\nexpect Tones, folder 20\n"
      "key play\nexpect Tones 20\n"
      "key play\nwait 3\n"
      // About 3 s into the first part: on into the second part, then back.
      "key right\nwait 2\n"
      "key left\nwait 1\n"
      "key play\nkey info\nexpect current time 20\n"
      "key back\nexpect Tones 20\n"
      "key play\nwait 2\n"
      "key play\nkey info\nexpect current time 20\n"
      "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;

  std::vector<Wav> streams = MusicStreams(out_, 44100);
  ASSERT_GE(streams.size(), 2u) << r.output;
  Wav all;
  ASSERT_TRUE(ReadMusic(out_, 44100, &all));
  std::vector<double> seq = ToneSequence(all, {440, 660, 880});
  ASSERT_GE(seq.size(), 3u);
  EXPECT_EQ(seq[0], 440);
  EXPECT_EQ(seq[1], 660);
  EXPECT_EQ(seq[2], 440);  // stepped back across the boundary
  // After reopening, the first part again.
  std::vector<double> reopened = ToneSequence(streams.back(), {440, 660, 880});
  ASSERT_FALSE(reopened.empty());
  EXPECT_EQ(reopened.front(), 440);
  EXPECT_EQ(reopened.size(), 1u);

  std::vector<int> times = SpokenTimes(r.output);
  ASSERT_EQ(times.size(), 2u) << r.output;
  // Paused in the first part, a few seconds in (not at its start).
  EXPECT_GE(times[0], 1) << r.output;
  EXPECT_LT(times[0], 20) << r.output;
  // Reopened at that second and played on for a couple of seconds.
  EXPECT_GE(times[1], times[0]) << r.output;
  EXPECT_LE(times[1], times[0] + 6) << r.output;
  std::string history = dtbtest::ReadFile(root_ + "/mnt/settings/history.xml");
  EXPECT_NE(history.find("filename=\"/mnt/emmc/Audio books/Tones\""), std::string::npos) << history;
  EXPECT_NE(history.find("cur_file=0,"), std::string::npos) << history;
}

// The music key, after the device was off, plays the file that was playing
// last, from where it stopped.
TEST_F(PlayersE2e, MusicKeyResumesTheLastMusicFileAfterPowerOff) {
  const std::string music = root_ + "/mnt/emmc/Music/";
  ASSERT_TRUE(MakeTone(music + "1 short.mp3", 440, 2, 44100, 1));
  ASSERT_TRUE(MakeTone(music + "2 long.mp3", 660, 40, 44100, 1));
  MusicSettings("mode=\"3\"");
  dtbtest::SimResult r = Run(
      "expect Internal memory 30\nkey music\nwait 6\nkey back\nexpect long.mp3 20\n"
      // The browser is left on the other file.
      "key up\nexpect short.mp3 20\n"
      "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  std::string history = dtbtest::ReadFile(root_ + "/mnt/settings/history.xml");
  ASSERT_NE(history.find("<music filename=\"/mnt/emmc/Music/2 long.mp3\""), std::string::npos)
      << history;
  // The last music entry is the file that was playing.
  size_t last = history.rfind("<music ");
  ASSERT_NE(last, std::string::npos);
  std::string lastEntry = history.substr(last);
  EXPECT_EQ(XmlAttr(lastEntry, "music", "filename"), "/mnt/emmc/Music/2 long.mp3") << history;
  const int stoppedMs = std::atoi(XmlAttr(lastEntry, "music", "ms").c_str());
  EXPECT_GT(stoppedMs, 500) << history;

  ClearOut();
  r = Run("expect short.mp3 30\nkey music\nwait 3\nkey back\nwait 1\n"
          "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  Wav w;
  ASSERT_TRUE(ReadMusic(out_, 44100, &w));
  std::vector<double> seq = ToneSequence(w, {440, 660});
  ASSERT_EQ(seq, std::vector<double>{660});  // the long file, not the folder's first
  history = dtbtest::ReadFile(root_ + "/mnt/settings/history.xml");
  lastEntry = history.substr(history.rfind("<music "));
  EXPECT_EQ(XmlAttr(lastEntry, "music", "filename"), "/mnt/emmc/Music/2 long.mp3") << history;
  // Went on from where it stopped rather than from the start.
  EXPECT_GT(std::atoi(XmlAttr(lastEntry, "music", "ms").c_str()), stoppedMs + 1000) << history;
}

// Equal parts of 250 Hz and 1 kHz: "Rock" lifts the first (+4 dB) and cuts
// the second (-2 dB); with the speed changed the equalizer is left out and
// both stay level, each at its own pitch.
TEST_F(PlayersE2e, RockEqualizerShapesTheSpectrumUnlessTheSpeedIsChanged) {
  const std::string file = root_ + "/mnt/emmc/Music/mix.wav";
  std::filesystem::create_directories(root_ + "/mnt/emmc/Music");
  ASSERT_EQ(system(("ffmpeg -nostdin -v error -y -f lavfi -i "
                    "'aevalsrc=0.3*sin(2*PI*250*t)+0.3*sin(2*PI*1000*t):s=44100:d=4' '" +
                    file + "' 2>/dev/null")
                       .c_str()),
            0);
  // dB of 250 Hz over 1 kHz in the steady middle of what was played.
  // The device starts where it was left: on the disk choice, then the file.
  auto balance = [&](const std::string& attrs, const std::string& start, double* seconds) {
    MusicSettings(attrs);
    ClearOut();
    dtbtest::SimResult r = Run(
        "expect " + start + " 30\nkey music\nexpect file end 30\n"
        "power hold 3\nexpect shutting down 30\nwait 1\n");
    EXPECT_EQ(r.status, 0) << r.output;
    Wav w;
    if (!ReadMusic(out_, 44100, &w)) return 0.0 / 0.0;
    size_t first = 0, last = 0;
    const size_t win = w.rate / 20;
    for (size_t at = 0; at + win <= w.mono.size(); at += win)
      if (TonePower(w.mono, at, at + win, w.rate, 1000) > 1e5) {
        if (!first) first = at;
        last = at + win;
      }
    *seconds = double(last - first) / w.rate;
    if (last < first + 4 * w.rate / 10) return 0.0 / 0.0;
    const size_t from = first + w.rate / 5, to = last - w.rate / 5;
    EXPECT_NEAR(DominantTone(w.mono, from, to, w.rate, {200, 250, 300}), 250, 0.1);
    EXPECT_NEAR(DominantTone(w.mono, from, to, w.rate, {800, 1000, 1200}), 1000, 0.1);
    return 10 * std::log10(TonePower(w.mono, from, to, w.rate, 250) /
                           TonePower(w.mono, from, to, w.rate, 1000));
  };
  double plainSec = 0, fastSec = 0;
  const double rock = balance("mode=\"0\" equalizer=\"2\"", "Internal memory", &plainSec);
  EXPECT_GT(rock, 3.0);
  EXPECT_LT(rock, 9.0);
  const double fast = balance("mode=\"0\" equalizer=\"2\" speed=\"2\"", "mix.wav", &fastSec);
  EXPECT_NEAR(fast, 0.0, 1.5);
  EXPECT_NEAR(plainSec, 4.0, 0.3);
  EXPECT_NEAR(fastSec, 4.0 / 1.2, 0.3);
}

}  // namespace

namespace {

// From the start-up prompt into the audio book folder `name`, which starts.
std::string OpenAudioBook(const std::string& name) {
  return "expect Internal memory 30\n"
         "key play\nexpect Audio books 20\n"
         "key play\nexpect " + name + ", folder 20\n"
         "key play\nexpect " + name + " 20\n"
         "key play\n";
}

}  // namespace

// Names out of order, track tags in three containers: with the setting on, the
// book plays by the tags.
TEST_F(PlayersE2e, AudioBookPlaysItsFilesInTagOrder) {
  const std::string book = root_ + "/mnt/emmc/Audio books/Tagged/";
  std::filesystem::create_directories(book);
  auto tone = [](int hz) {
    return "-f lavfi -i 'sine=frequency=" + std::to_string(hz) + ":duration=1.5:sample_rate=44100' -ac 1 ";
  };
  ASSERT_TRUE(Ffmpeg(tone(880) + "-metadata track=3 '" + book + "a.mp3'"));
  ASSERT_TRUE(Ffmpeg(tone(440) + "-c:a libvorbis -metadata TRACKNUMBER=1 '" + book + "b.ogg'"));
  ASSERT_TRUE(Ffmpeg(tone(660) + "-c:a aac -metadata track=2/3 '" + book + "c.m4a'"));
  dtbtest::WriteFile(root_ + "/mnt/settings/audiobook.config.xml",
                     "<?xml version=\"1.0\"?>\n<audiobook><audiobook_config tag_order=\"1\"/></audiobook>\n");
  dtbtest::SimResult r = Run(OpenAudioBook("Tagged") + "expect file end 40\n"
                             "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  Wav all;
  ASSERT_TRUE(ReadMusic(out_, 44100, &all));
  EXPECT_EQ(ToneSequence(all, {440, 660, 880}), (std::vector<double>{440, 660, 880}));
}

// Up and down move by chapter inside an M4B, saying the chapter's title, and
// the information key tells the time left in the chapter.
TEST_F(PlayersE2e, ChapteredAudioBookMovesByChapter) {
  const std::string book = root_ + "/mnt/emmc/Audio books/Chapters";
  ASSERT_TRUE(MakeChaptered(book, "book.m4b", "-c:a aac"));
  dtbtest::WriteFile(root_ + "/mnt/settings/audiobook.config.xml",
                     "<?xml version=\"1.0\"?>\n<audiobook><audiobook_config time_left=\"1\"/></audiobook>\n");
  dtbtest::SimResult r = Run(OpenAudioBook("Chapters") + "wait 1.5\n"
                             "key down\nexpect Chapter Two 10\nwait 1.5\n"
                             "key down\nexpect Chapter Three 10\nwait 1.5\n"
                             "key up\nexpect Chapter Two 10\nwait 1\n"
                             "key info\nexpect left in this chapter 10\n"
                             "power hold 3\nexpect shutting down 30\nwait 1\n");
  ASSERT_EQ(r.status, 0) << r.output;
  Wav all;
  ASSERT_TRUE(ReadMusic(out_, 44100, &all));
  EXPECT_EQ(ToneSequence(all, {440, 660, 880}), (std::vector<double>{440, 660, 880, 660}));
}

// Ten minutes of book: no time left by default; switched on in the menu (and
// kept), the time left at speed 0, and a quarter of it at the fastest speed
// (four times the tempo).
TEST_F(PlayersE2e, TimeLeftInAnAudioBookFollowsTheSpeed) {
  const std::string mp3 = dir_ / "long.mp3";
  ASSERT_TRUE(Ffmpeg("-f lavfi -i 'sine=frequency=300:sample_rate=8000' -t 600 -ac 1 -b:a 8k '" +
                     mp3 + "'"));
  const std::string config = root_ + "/mnt/settings/audiobook.config.xml";
  auto left = [&](int speed, bool inMenu) {
    // A device of its own each time: nothing resumed from the run before.
    EXPECT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    std::filesystem::create_directories(root_ + "/mnt/emmc/Audio books/Long");
    std::filesystem::copy_file(mp3, root_ + "/mnt/emmc/Audio books/Long/long.mp3");
    dtbtest::WriteFile(config, "<?xml version=\"1.0\"?>\n<audiobook><audiobook_config speed=\"" +
                                   std::to_string(speed) + (inMenu ? "" : "\" time_left=\"1") +
                                   "\"/></audiobook>\n");
    std::string script = OpenAudioBook("Long") + "wait 1\n";
    if (inMenu)
      script += "key info\nexpect total time 10\n"
                "key menu\nwait 1\nkey down\nwait 0.5\nkey down\n"
                "expect time left, told by the information key: disable 10\n"
                "key right\nexpect information key: enable 10\n"
                "key play\nexpect Setting done 10\nwait 1\n";
    dtbtest::SimResult r = Run(script + "key info\nexpect left in the book 10\n"
                                        "power hold 3\nexpect shutting down 30\nwait 1\n");
    EXPECT_EQ(r.status, 0) << r.output;
    if (inMenu) {
      std::vector<std::string> said = dtbtest::Utterances(r.output);
      auto first = std::find_if(said.begin(), said.end(),
                                [](const std::string& u) { return u.find("total time") != std::string::npos; });
      EXPECT_TRUE(first != said.end() && first->find(" left") == std::string::npos) << r.output;
      EXPECT_NE(dtbtest::ReadFile(config).find("time_left=\"1\""), std::string::npos);
    }
    return dtbtest::SpokenSecondsLeftInBook(r.output);
  };
  const int normal = left(0, true);
  const int fastest = left(30, false);
  EXPECT_NEAR(normal, 600, 20);
  ASSERT_GT(fastest, 0);
  EXPECT_NEAR(double(normal) / fastest, 4.0, 0.3) << normal << " s, " << fastest << " s";
}
