// The DAISY player end to end through the simulator: corpus books copied
// into the device's "Daisy" folder, opened from the file browser, heard in
// the WAV files the simulated sound card writes (one per stream).
#include <gtest/gtest.h>

#if __has_include("browser/file_browser.h")

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

struct Wav {
  int rate = 0;
  std::vector<short> mono;
};

bool ReadWav(const std::string& path, Wav* w) {
  std::string b = dtbtest::ReadFile(path);
  if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0) return false;
  const auto* u = reinterpret_cast<const unsigned char*>(b.data());
  int channels = 0;
  size_t pos = 12;
  while (pos + 8 <= b.size()) {
    size_t size = u[pos + 4] | u[pos + 5] << 8 | u[pos + 6] << 16 | size_t(u[pos + 7]) << 24;
    if (!b.compare(pos, 4, "fmt ")) {
      channels = u[pos + 10] | u[pos + 11] << 8;
      w->rate = u[pos + 12] | u[pos + 13] << 8 | u[pos + 14] << 16 | u[pos + 15] << 24;
    } else if (!b.compare(pos, 4, "data") && channels > 0) {
      // A stream cut off by the end of the run has no size yet.
      size_t avail = b.size() - pos - 8;
      size_t n = (size == 0 || size > avail ? avail : size) / 2 / channels;
      const short* s = reinterpret_cast<const short*>(b.data() + pos + 8);
      for (size_t i = 0; i < n; ++i) {
        int sum = 0;
        for (int c = 0; c < channels; ++c) sum += s[i * channels + c];
        w->mono.push_back(static_cast<short>(sum / channels));
      }
      return true;
    }
    pos += 8 + size + (size & 1);
  }
  return false;
}

// Seconds from the first to the last 20 ms window with sound in it.
double SoundingSeconds(const Wav& w) {
  const size_t win = w.rate / 50;
  long first = -1, last = -1;
  for (size_t at = 0; win && at + win <= w.mono.size(); at += win) {
    double sum = 0;
    for (size_t i = at; i < at + win; ++i) sum += double(w.mono[i]) * w.mono[i];
    if (std::sqrt(sum / win) > 200) {
      if (first < 0) first = static_cast<long>(at);
      last = static_cast<long>(at + win);
    }
  }
  return first < 0 ? 0 : double(last - first) / w.rate;
}

// The streams of one rate in the order they were opened: "out-22050.wav",
// then ".0001", ".0002", ...
std::vector<std::string> Streams(const std::string& dir, int rate) {
  std::vector<std::string> out;
  std::string base = dir + "/out-" + std::to_string(rate) + ".wav";
  if (fs::exists(base)) out.push_back(base);
  for (int i = 1; i < 1000; ++i) {
    char suffix[16];
    snprintf(suffix, sizeof suffix, ".%04d", i);
    if (!fs::exists(base + suffix)) break;
    out.push_back(base + suffix);
  }
  return out;
}

// "daisy move A/B -> C/D, E -> F ms" lines of the player's log.
struct Move {
  int fromObject, fromPlace, toObject, toPlace;
  long long fromMs, toMs;
};
std::vector<Move> Moves(const std::string& log) {
  std::vector<Move> out;
  std::regex re(R"(daisy move (\d+)/(\d+) -> (\d+)/(\d+), (\d+) -> (\d+) ms)");
  for (std::sregex_iterator it(log.begin(), log.end(), re), end; it != end; ++it) {
    const std::smatch& m = *it;
    out.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]),
                   std::stoll(m[5]), std::stoll(m[6])});
  }
  return out;
}

std::vector<std::pair<int, int>> Matches(const std::string& log, const std::string& pattern) {
  std::vector<std::pair<int, int>> out;
  std::regex re(pattern);
  for (std::sregex_iterator it(log.begin(), log.end(), re), end; it != end; ++it)
    out.push_back({std::stoi((*it)[1]), std::stoi((*it)[2])});
  return out;
}

class DaisyE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    corpus_ = dtbtest::CorpusPath("daisy202");
    if (corpus_.empty()) GTEST_SKIP() << "corpus absent";
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    // Every stream of the sound card in a file of its own.
    setenv("DTB_AUDIO_OUT_KEEP", "1", 1);
  }
  void TearDown() override { unsetenv("DTB_AUDIO_OUT_KEEP"); }

  // Copies a corpus book into the device's "Daisy" folder (test time only).
  void AddBook(const std::string& corpusRel, const std::string& name) {
    std::string from = dtbtest::CorpusPath(corpusRel);
    ASSERT_FALSE(from.empty()) << corpusRel;
    fs::create_directories(root_ + "/mnt/emmc/Daisy");
    fs::copy(from, root_ + "/mnt/emmc/Daisy/" + name, fs::copy_options::recursive);
  }
  dtbtest::SimResult Run(const std::string& script, const std::string& wavDir) {
    fs::create_directories(wavDir);
    return dtbtest::RunScript(root_, script, 240, wavDir + "/out-%r.wav");
  }
  std::string PlayerLog() { return dtbtest::ReadFile(root_ + "/var/log/player.log"); }
  void Settings(const std::string& attrs) {
    dtbtest::WriteFile(root_ + "/mnt/settings/daisy.config.xml",
                       "<?xml version=\"1.0\"?>\n<daisy><daisy_config " + attrs + "/></daisy>\n");
  }

  // From the start-up prompt to the book folder named `name`, the n-th in
  // the "Daisy" folder, whose title is spoken.
  static std::string OpenBookScript(int nth, const std::string& title) {
    std::string s =
        "wait 3\n"
        "key play\nexpect Audio books\n"
        "key down\nexpect Daisy\n"
        "key play\nexpect folder\n";
    for (int i = 0; i < nth; ++i) s += "key down\nwait 0.5\n";
    s += "key play\nexpect " + title + "\n";
    s += "key play\n";
    return s;
  }

  dtbtest::TempDir dir_;
  std::string root_;
  std::string corpus_;
};

TEST_F(DaisyE2e, AudioBookFromTheBrowserNavigatesBookmarksAndResumes) {
  AddBook("daisy202/dontworrybehappy", "dontworrybehappy");
  std::string script = OpenBookScript(0, "Be Happy Lyrics") +
                       "wait 3\n"
                       // The modes this book offers, spoken as the user steps through them.
                       "key down\nexpect level 2\n"
                       "key down\nexpect page\n"
                       "key down\nexpect phrase\n"
                       "key down\nexpect time jump\n"
                       "key down\nexpect bookmark\n"
                       "key down\nexpect level 1\n"
                       "wait 1\n"
                       // The next heading: the narration says it.
                       "key right\n"
                       "wait 2\n"
                       // Page 2 by number.
                       "key menu\nexpect go to page\n"
                       "key right\nexpect 1\n"
                       "key up\nexpect 2\n"
                       "key play\nexpect going to page 2\n"
                       "wait 3\n"
                       // Time jump: 30 s on, over clip boundaries.
                       "key down\nexpect level 2\nkey down\nexpect page\nkey down\nexpect phrase\n"
                       "key down\nexpect time jump\n"
                       "wait 2\n"
                       "key right\n"
                       "wait 3\n"
                       // A bookmark here.
                       "key bookmark\nexpect add bookmark\n"
                       "key play\nexpect bookmark 1 added\n"
                       "wait 2\n"
                       // Close, then open again: it resumes, and the bookmark is listed.
                       "key back\nexpect Be Happy Lyrics\n"
                       "key play\n"
                       "wait 3\n"
                       "key bookmark\nexpect add bookmark\n"
                       "key right\nexpect bookmark list\n"
                       "key play\nexpect bookmark 1,\n"
                       "key back\n"
                       "wait 1\n"
                       "key back\n"
                       "wait 1\n"
                       "power hold 3\nexpect shutting down 10\n"
                       "wait 3\n";
  const std::string wavs = dir_ / "wav1";
  dtbtest::SimResult r = Run(script, wavs);
  ASSERT_EQ(r.status, 0) << r.output;

  // The book's audio (22.05 kHz) reached the card and is not silence.
  double sounding = 0;
  for (const std::string& f : Streams(wavs, 22050)) {
    Wav w;
    if (ReadWav(f, &w)) sounding += SoundingSeconds(w);
  }
  EXPECT_GT(sounding, 5.0);

  const std::string log = PlayerLog();
  std::vector<Move> moves = Moves(log);
  // heading, page (the menu), time jump
  ASSERT_GE(moves.size(), 2u) << log;
  const Move& jump = moves.back();
  EXPECT_NEAR(double(jump.toMs - jump.fromMs), 30000, 1000);
  EXPECT_GT(jump.toObject, jump.fromObject);  // into later clips

  // Where it closed (the place stored last before it opened again; a move
  // stores one too) is where it opened again.
  auto opened = Matches(
      log,
      R"(daisy open /mnt/emmc/Daisy/dontworrybehappy/ncc.html: \d+ objects, start (\d+)/(\d+))");
  ASSERT_GE(opened.size(), 2u) << log;
  const size_t reopen = log.find("daisy open /mnt/emmc/Daisy/dontworrybehappy/ncc.html",
                                 log.find("daisy open /mnt/emmc/Daisy/dontworrybehappy/ncc.html") + 1);
  auto closed = Matches(log.substr(0, reopen),
                        R"(daisy history /mnt/emmc/Daisy/dontworrybehappy/ncc.html: (\d+)/(\d+))");
  ASSERT_GE(closed.size(), 1u) << log;
  EXPECT_EQ(opened[1].first, closed.back().first);
  EXPECT_EQ(opened[1].second, closed.back().second);

  // Power-off wrote the bookmark and the history.
  std::string bookmarks = dtbtest::ReadFile(root_ + "/mnt/settings/bookmark.xml");
  EXPECT_TRUE(Has(bookmarks, "<daisy filename=\"/mnt/emmc/Daisy/dontworrybehappy/ncc.html\""))
      << bookmarks;
  EXPECT_TRUE(Has(bookmarks, "Title=\"Don't Worry, Be Happy Lyrics\"") ||
              Has(bookmarks, "Title=\"Don&apos;t Worry, Be Happy Lyrics\""))
      << bookmarks;
  std::string history = dtbtest::ReadFile(root_ + "/mnt/settings/history.xml");
  EXPECT_TRUE(Has(history, "<daisy filename=\"/mnt/emmc/Daisy/dontworrybehappy/ncc.html\""))
      << history;
}

TEST_F(DaisyE2e, FastestSpeedPlaysTheSameSectionInAQuarterOfTheTime) {
  AddBook("daisy202/dontworrybehappy", "dontworrybehappy");
  // The last section ("Notes", 23 s of audio) to the end of the book.
  auto section = [&](int speed, const std::string& wavs) {
    Settings("speed=\"" + std::to_string(speed) + "\" pitch=\"0\" jumptime=\"30\"");
    std::string script = OpenBookScript(0, "Be Happy Lyrics") +
                         "wait 2\n"
                         "key menu\nexpect go to page\n"
                         "key down\nexpect go to heading\n"
                         "key right\nexpect 1\n";
    for (int i = 2; i <= 7; ++i) script += "key up\nexpect " + std::to_string(i) + "\n";
    script +=
        "key play\nexpect going to heading 7\n"
        "expect end of file 40\n"
        "quit\n";
    dtbtest::SimResult r = Run(script, wavs);
    EXPECT_EQ(r.status, 0) << r.output;
    std::vector<std::string> streams = Streams(wavs, 22050);
    Wav w;
    if (streams.empty() || !ReadWav(streams.back(), &w)) return -1.0;
    return SoundingSeconds(w);
  };
  const double normal = section(0, dir_ / "wav0");
  const double fastest = section(20, dir_ / "wav20");
  printf("section: %.2f s at speed 0, %.2f s at speed 20\n", normal, fastest);
  EXPECT_NEAR(normal, 23.3, 1.5);
  EXPECT_NEAR(fastest / normal, 0.25, 0.05) << normal << " s, " << fastest << " s";
}

TEST_F(DaisyE2e, TextOnlyBookIsReadAndABookWithBrokenAudioSkipsIt) {
  AddBook("daisy202/dontworrybehappy", "a_broken");
  AddBook("daisy3/mathml_sample2_textonly", "b_mathml");
  // The first clips' file is missing, the next one is not audio at all.
  fs::remove(root_ + "/mnt/emmc/Daisy/a_broken/speechgen0001.mp3");
  dtbtest::WriteFile(root_ + "/mnt/emmc/Daisy/a_broken/speechgen0002.mp3", std::string(5000, 'x'));
  std::string script = OpenBookScript(0, "Be Happy Lyrics") +
                       "expect can not open file 10\n"
                       "wait 3\n"
                       "key back\nexpect Be Happy Lyrics\n"
                       "key back\nexpect folder\n"
                       "key down\nexpect folder\n"
                       "key play\nexpect MathML\n"
                       "key play\n"
                       "expect 5-9 Powers of Products 10\n"
                       "wait 3\n";
  // Levels 1 to 4, page, phrase, bookmark: seven modes, none of them a time jump.
  for (int i = 0; i < 7; ++i) script += "key down\nwait 1\n";
  script += "wait 1\nkey back\nwait 1\npower hold 3\nexpect shutting down 10\nwait 3\n";
  dtbtest::SimResult r = Run(script, dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  std::vector<std::string> said = dtbtest::Utterances(r.output);
  bool read = false, levelFour = false, timeJump = false, bookmark = false;
  for (const std::string& u : said) {
    read = read || (u.rfind("read: ", 0) == 0 && Has(u, "Powers of Products"));
    levelFour = levelFour || Has(u, "say: level 4");
    timeJump = timeJump || Has(u, "time jump");
    bookmark = bookmark || u == "say: bookmark";
  }
  EXPECT_TRUE(read) << r.output;
  EXPECT_TRUE(levelFour) << r.output;
  EXPECT_TRUE(bookmark) << r.output;
  EXPECT_FALSE(timeJump) << r.output;
}


// A highlight whose end is its start, in a text-only book: the device must
// keep answering keys and power off cleanly.
TEST_F(DaisyE2e, ZeroLengthHighlightKeepsTheDeviceAnswering) {
  AddBook("daisy202/wipo_treaty_textonly", "wipo");
  std::string script = OpenBookScript(0, "Visually Impaired") +
                       "wait 2\n"
                       "key bookmark\nexpect add bookmark\n"
                       "key bookmark\nexpect bookmark list\n"
                       "key bookmark\nexpect Start mark highlight bookmark\n"
                       "key play\nexpect mark start place\n"
                       "key bookmark\nexpect End mark highlight bookmark\n"
                       "key play\nexpect highlight bookmark 1 added\n"
                       "wait 2\n"
                       "key play\nexpect pause 3\n"
                       "wait 1\n"
                       "power hold 3\nexpect shutting down 5\n"
                       "wait 7\n";
  dtbtest::SimResult r = Run(script, dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "sim: the device powered off")) << r.output;
  std::string bookmarks = dtbtest::ReadFile(root_ + "/mnt/settings/bookmark.xml");
  EXPECT_TRUE(Has(bookmarks, "/mnt/emmc/Daisy/wipo/ncc.html")) << bookmarks;
}

// Links as other tools write them: a SMIL file with a blank in its name
// linked with %20, a "./" link, a "../" link out of the book, and a SMIL file
// that only a div of the NCC leads to.
TEST_F(DaisyE2e, LinksAreDecodedAndEveryLinkedSmilFileIsPlayed) {
  AddBook("daisy202/wipo_treaty_textonly", "wipo");
  const std::string book = root_ + "/mnt/emmc/Daisy/wipo";
  fs::rename(book + "/d202_2.smil", book + "/d202 2.smil");
  std::string ncc = dtbtest::ReadFile(book + "/ncc.html");
  auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (size_t at = ncc.find(from); at != std::string::npos; at = ncc.find(from, at + to.size()))
      ncc.replace(at, from.size(), to);
  };
  replaceAll("\"d202_2.smil#", "\"d202%202.smil#");
  replaceAll("href=\"d202_3.smil#txt_11\"", "href=\"./d202_3.smil#txt_11\"");
  replaceAll("<h1 id=\"ncc_6\"><a href=\"d202_4.smil#txt_40\">Article 1. Purpose</a></h1>",
             "<div id=\"ncc_6\"><a href=\"d202_4.smil#txt_40\">Article 1. Purpose</a></div>"
             "<h1 id=\"out\"><a href=\"../secret/s.smil#x\">Out</a></h1>");
  dtbtest::WriteFile(book + "/ncc.html", ncc);
  dtbtest::WriteFile(root_ + "/mnt/emmc/Daisy/secret/s.smil",
                     "<smil><body><par id=\"x\"><text src=\"t.html#y\"/></par></body></smil>");
  dtbtest::WriteFile(root_ + "/mnt/emmc/Daisy/secret/t.html",
                     "<html><body><p id=\"y\">Secret words</p></body></html>");
  std::string script = OpenBookScript(1, "Visually Impaired") +
                       "expect the Visually Impaired 10\n"
                       "key right\nexpect Treaty for Visually 10\n"
                       "key right\nexpect Preamble 10\n"
                       "key right\nexpect Article 2. 10\n"
                       "key play\nexpect pause\n"
                       "key down\nexpect page\n"
                       "key down\nexpect phrase\n"
                       "key left\nexpect The purpose of this Treaty 10\n"
                       "key play\nexpect pause\n"
                       "quit\n";
  dtbtest::SimResult r = Run(script, dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Has(r.output, "Secret words")) << r.output;
}

// A copy without its audio files: the text of every clip is read instead,
// after one "can not open file", and heading moves and the time still work.
TEST_F(DaisyE2e, BookWithoutItsAudioFilesReadsItsText) {
  AddBook("daisy202/dontworrybehappy", "noaudio");
  int removed = 0;
  for (const auto& e : fs::directory_iterator(root_ + "/mnt/emmc/Daisy/noaudio"))
    if (e.path().extension() == ".mp3") removed += fs::remove(e.path()) ? 1 : 0;
  ASSERT_GT(removed, 0);
  std::string script = OpenBookScript(0, "Be Happy Lyrics") +
                       "expect can not open file 10\n"
                       "expect Bobby McFerrin 20\n"
                       "expect Cocktails 10\n"
                       // Level 1 headings, forward twice.
                       "key right\nexpect Introductio 10\n"
                       "key right\nexpect Versa media 10\n"
                       "key info\nexpect elapsed time 5\n"
                       "wait 2\n"
                       "power hold 3\nexpect shutting down 10\nwait 3\n";
  dtbtest::SimResult r = Run(script, dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  int told = 0;
  std::string elapsed;
  for (const std::string& u : dtbtest::Utterances(r.output)) {
    told += Has(u, "can not open file") ? 1 : 0;
    if (Has(u, "elapsed time")) elapsed = u;
  }
  EXPECT_EQ(told, 1) << r.output;
  // The time of the clips read before the third heading has passed.
  EXPECT_FALSE(elapsed.empty() || Has(elapsed, "0 minutes 0 seconds")) << elapsed;
  EXPECT_FALSE(Has(r.output, "end of file")) << r.output;
}

// With the setting on, the information key tells the time left in the
// heading and in the book at the current speed: at the fastest (four times the tempo) a quarter of it.
TEST_F(DaisyE2e, TimeLeftFollowsTheSpeed) {
  AddBook("daisy202/dontworrybehappy", "dontworrybehappy");
  auto left = [&](int speed, const std::string& wavs) {
    Settings("speed=\"" + std::to_string(speed) + "\" pitch=\"0\" jumptime=\"30\" time_left=\"enable\"");
    dtbtest::SimResult r = Run(OpenBookScript(0, "Be Happy Lyrics") +
                                   "wait 1\nkey info\nexpect left in this chapter 10\nquit\n",
                               wavs);
    EXPECT_EQ(r.status, 0) << r.output;
    return dtbtest::SpokenSecondsLeftInBook(r.output);
  };
  const int normal = left(0, dir_ / "wav0");
  const int fastest = left(20, dir_ / "wav20");
  // About three minutes of narration, a few seconds of it played.
  EXPECT_NEAR(normal, 175, 15);
  ASSERT_GT(fastest, 0);
  EXPECT_NEAR(double(normal) / fastest, 4.0, 0.6) << normal << " s, " << fastest << " s";
}

}  // namespace

#else

// The file browser opens the books; these runs start once it is in the tree.
TEST(DaisyE2e, NeedsTheFileBrowser) { GTEST_SKIP() << "the file browser is not built yet"; }

#endif
