// Narrated EPUB books end to end: opened from the browser's Books folder in
// the DAISY player, the narration heard on the sound card, heading and page
// moves landing where the book's text says, a bookmark, the place kept over
// a power-off and over a kill, quieter reading passing over the footnote,
// and passing to the e-book reader and back at the same place.
#include <gtest/gtest.h>

#if __has_include("browser/file_browser.h")

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "daisy/daisy.h"
#include "ebook/epub.h"
#include "tests/daisy/narrated_fixture.h"
#include "tests/support/sim_harness.h"

namespace {

namespace fs = std::filesystem;
const char* const kBook = "/mnt/emmc/Books/latarnik.epub";

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// The (object, place) pairs of a log pattern with two numbers.
std::vector<std::pair<int, int>> Pairs(const std::string& log, const std::string& pattern) {
  std::vector<std::pair<int, int>> out;
  std::regex re(pattern);
  for (std::sregex_iterator it(log.begin(), log.end(), re), end; it != end; ++it)
    out.push_back({std::stoi((*it)[1]), std::stoi((*it)[2])});
  return out;
}

// Seconds of 22.05 kHz sound (the narration; speech is 16 kHz) the card
// got, and its loudest sample.
double NarrationSeconds(const std::string& dir, int* peak) {
  double seconds = 0;
  *peak = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().filename().string().rfind("out-22050.wav", 0) != 0) continue;
    std::string b = dtbtest::ReadFile(e.path());
    size_t data = b.find("data");
    if (data == std::string::npos) continue;
    const short* s = reinterpret_cast<const short*>(b.data() + data + 8);
    size_t n = (b.size() - data - 8) / 2;
    for (size_t i = 0; i < n; ++i) *peak = std::max(*peak, std::abs(int(s[i])));
    seconds += double(n) / 22050;
  }
  return seconds;
}

class NarratedE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    books_ = dtbtest::NarratedBooks();
    if (books_.empty()) GTEST_SKIP() << "corpus, espeak-ng or ffmpeg absent";
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
    fs::create_directories(root_ + "/mnt/emmc/Books");
    fs::copy_file(books_ + "/narrated.epub", root_ + kBook);
    setenv("DTB_AUDIO_OUT_KEEP", "1", 1);
    ASSERT_EQ(0, model_.Open((books_ + "/narrated.epub").c_str(), 0));
    model_.GetHeadings(&headings_, &levels_, &labels_, &headingCount_);
    model_.GetPages(&pages_, &pageLabels_, &pageCount_);
  }
  void TearDown() override { unsetenv("DTB_AUDIO_OUT_KEEP"); }

  dtbtest::SimResult Run(const std::string& script, const std::string& wavs) {
    fs::create_directories(wavs);
    return dtbtest::RunScript(root_, script, 240, wavs + "/out-%r.wav");
  }
  std::string Log() { return dtbtest::ReadFile(root_ + "/var/log/player.log"); }
  static std::string OpenBook() {
    return "expect Internal memory 20\n"
           "key play\nexpect main folder 10\n"
           "key down\nexpect Books\n"
           "key play\nexpect latarnik\n"
           "key play\n";
  }

  dtbtest::TempDir dir_;
  std::string books_, root_;
  libDaisy::Daisy model_;
  const int *headings_ = nullptr, *levels_ = nullptr, *pages_ = nullptr;
  const libDaisy::StringArray *labels_ = nullptr, *pageLabels_ = nullptr;
  int headingCount_ = 0, pageCount_ = 0;
};

TEST_F(NarratedE2e, PlaysMovesBookmarksAndKeepsThePlace) {
  ASSERT_EQ(9, headingCount_);
  const std::string wavs = dir_ / "wav1";
  dtbtest::SimResult r = Run(OpenBook() +
                                 "wait 5\n"
                                 "key right\nwait 2\n"  // level 1: the next chapter
                                 "key down\nexpect level 2\n"
                                 "key right\nwait 2\n"
                                 "key down\nexpect page\n"
                                 "key right\nwait 1\n"
                                 "key bookmark\nexpect add bookmark\n"
                                 "key play\nexpect bookmark 1 added\n"
                                 "wait 2\n"
                                 "power hold 3\nexpect shutting down 10\nwait 3\n",
                             wavs);
  ASSERT_EQ(r.status, 0) << r.output;
  int peak = 0;
  EXPECT_GT(NarrationSeconds(wavs, &peak), 4.0);
  EXPECT_GT(peak, 3000);
  std::string log = Log();

  // Each move lands on the first heading of its level (or page) after where
  // it started, and that object reads the heading's own text.
  std::regex re(R"(daisy move (\d+)/\d+ -> (\d+)/(\d+))");
  std::vector<std::pair<int, int>> moves;
  for (std::sregex_iterator it(log.begin(), log.end(), re), end; it != end; ++it)
    moves.push_back({std::stoi((*it)[1]), std::stoi((*it)[2])});
  ASSERT_EQ(3u, moves.size()) << log;
  for (int m = 0; m < 2; ++m) {
    int want = -1;
    for (int h = 0; h < headingCount_ && want < 0; ++h)
      if (headings_[h] > moves[m].first && levels_[h] <= m + 1) want = h;
    ASSERT_GE(want, 0);
    EXPECT_EQ(headings_[want], moves[m].second) << m;
  }
  int page = -1;
  for (int p = 0; p < pageCount_ && page < 0; ++p)
    if (pages_[p] > moves[2].first) page = p;
  ASSERT_GE(page, 0);
  EXPECT_EQ(pages_[page], moves[2].second);
  EXPECT_TRUE(Has(dtbtest::ReadFile(root_ + "/mnt/settings/bookmark.xml"),
                  std::string("<daisy filename=\"") + kBook + "\""));
  auto closed = Pairs(log, R"(daisy history /mnt/emmc/Books/latarnik.epub: (\d+)/(\d+))");
  ASSERT_FALSE(closed.empty()) << log;

  // Started again it resumes there (the browser is back on the book); then
  // two chapters back, a minute's store, and a kill.
  const std::string reopen = "expect latarnik 20\nkey play\n";
  r = Run(reopen + "wait 3\nkey left\nwait 1\nkey left\nwait 4\nclock +61\nwait 3\nkill\nwait 1\n", dir_ / "wav2");
  ASSERT_EQ(r.status, 0) << r.output;
  log = Log();
  const std::string openRe = R"(daisy open /mnt/emmc/Books/latarnik.epub: \d+ objects, start (\d+)/(\d+))";
  auto opened = Pairs(log, openRe);
  ASSERT_GE(opened.size(), 2u) << log;
  EXPECT_EQ(closed.back(), opened.back());
  const auto afterPowerOff = opened.back();

  r = Run(reopen + "wait 3\npower hold 3\nexpect shutting down 10\nwait 3\n", dir_ / "wav3");
  ASSERT_EQ(r.status, 0) << r.output;
  opened = Pairs(Log(), openRe);
  ASSERT_GE(opened.size(), 3u);
  EXPECT_LT(opened.back(), afterPowerOff);  // where it was before the kill
  EXPECT_GT(opened.back().first, 0);
}

TEST_F(NarratedE2e, ReadAsTextAndBackKeepTheChapter) {
  ASSERT_EQ(9, headingCount_);
  dtbtest::SimResult r = Run(OpenBook() +
                                 "wait 3\nkey right\nwait 2\n"
                                 "key menu\nexpect go to page\nkey up\nexpect read as text\nkey play\n"
                                 "window EbookPlayer 20\nexpect Konsul 60\n"
                                 "key menu\nexpect go to page\nkey up\nexpect play narration\nkey play\n"
                                 "window DaisyPlayer 20\nwait 2\n"
                                 "power hold 3\nexpect shutting down 10\nwait 3\n",
                             dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;

  // The reader was in chapter 2's text (its headings are the same nine).
  CEpub text;
  ASSERT_EQ(0, text.Open((books_ + "/narrated.epub").c_str()));
  ASSERT_EQ(9, text.GetTotalHeadings());
  text.SeekToHeading(3);
  const int chapter2 = text.GetCurPlace();
  text.SeekToHeading(6);
  const int chapter3 = text.GetCurPlace();
  std::smatch m;
  const std::string history = dtbtest::ReadFile(root_ + "/mnt/settings/history.xml");
  ASSERT_TRUE(std::regex_search(history, m, std::regex(R"re(<ebook filename="[^"]*latarnik.epub"[^>]*place="(\d+)")re")))
      << history;
  EXPECT_GE(std::stoi(m[1]), chapter2);
  EXPECT_LT(std::stoi(m[1]), chapter3);

  // The narration took up again where the reader was (its "Konsul" section),
  // not where the narration had stopped.
  auto opened = Pairs(Log(), R"(daisy open /mnt/emmc/Books/latarnik.epub: \d+ objects, start (\d+)/(\d+))");
  ASSERT_EQ(2u, opened.size()) << Log();
  EXPECT_GE(opened[1].first, headings_[5]);
  EXPECT_LT(opened[1].first, headings_[6]);
}

TEST_F(NarratedE2e, QuieterReadingPassesOverTheFootnote) {
  // The fastest speed plays chapter 1 (its note at the end) in a quarter of the time.
  dtbtest::WriteFile(root_ + "/mnt/settings/daisy.config.xml",
                     "<?xml version=\"1.0\"?>\n<daisy><daisy_config speed=\"20\" quiet_reading=\"enable\"/></daisy>\n");
  int noteClip = -1;
  const libDaisy::_DaisyObject* o;
  int n;
  model_.GetObjects(&o, &n);
  for (int i = 0; i < n && noteClip < 0; ++i)
    if (model_.IsQuietObject(i) && o[i].kind == libDaisy::kObjectAudio) noteClip = i;
  ASSERT_GT(noteClip, 0);
  dtbtest::SimResult r = Run(OpenBook() + "wait 24\n", dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string log = Log();
  EXPECT_TRUE(Has(log, "quiet reading: clip " + std::to_string(noteClip) + " passed over")) << log;
  EXPECT_TRUE(Has(log, "daisy open /mnt/emmc/Books/latarnik.epub")) << log;
}

// The last chapter has no narration: its time left is the time player
// speech takes to read it, not nothing.
TEST_F(NarratedE2e, TimeLeftCountsTheTextReadBySpeech) {
  dtbtest::WriteFile(root_ + "/mnt/settings/daisy.config.xml",
                     "<?xml version=\"1.0\"?>\n<daisy><daisy_config time_left=\"enable\"/></daisy>\n");
  int last = headingCount_ - 1;
  while (last > 0 && levels_[last] != 1) --last;
  ASSERT_GT(last, 0);
  std::string script = OpenBook() + "wait 2\nkey menu\nexpect go to page\nkey down\nexpect go to heading\n"
                       "key right\nexpect 1\n";
  for (int i = 2; i <= last + 1; ++i) script += "key up\nexpect " + std::to_string(i) + "\n";
  script += "key play\nexpect going to heading " + std::to_string(last + 1) +
            "\nwait 2\nkey info\nexpect left in the book 15\n";
  dtbtest::SimResult r = Run(script, dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(dtbtest::SpokenSecondsLeftInBook(r.output), 0) << r.output;
  EXPECT_FALSE(Has(r.output, "about 0 seconds left in this chapter")) << r.output;
}

TEST_F(NarratedE2e, DamagedBooksReadTheTextOfWhatCannotBePlayed) {
  // Chapter 2's audio is missing: its phrases are read by player speech.
  fs::copy_file(books_ + "/missing-audio.epub", root_ + "/mnt/emmc/Books/latarnik.epub",
                fs::copy_options::overwrite_existing);
  dtbtest::SimResult r = Run(OpenBook() + "wait 3\nkey right\nexpect Rozdział drugi 15\n"
                                 "power hold 3\nexpect shutting down 10\nwait 3\n",
                             dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;

  // Links out of the archive are passed over; the book still plays and reads.
  fs::copy_file(books_ + "/outside.epub", root_ + "/mnt/emmc/Books/outside.epub");
  r = Run("expect latarnik 20\nkey down\nexpect outside\nkey play\nwait 3\nkey right\nexpect Rozdział drugi 15\n",
          dir_ / "wav2");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Has(Log(), "passwd\n")) << Log();
}

TEST_F(NarratedE2e, ClipsPastTheFilesEndEndThereAndPlayingGoesOn) {
  // Chapter 1's last two clips end (or begin) past its MP3's end; at the
  // fastest speed chapter 1 takes a quarter of its minute, then chapter 2.
  fs::copy_file(books_ + "/clip-past-end.epub", root_ + kBook, fs::copy_options::overwrite_existing);
  dtbtest::WriteFile(root_ + "/mnt/settings/daisy.config.xml",
                     "<?xml version=\"1.0\"?>\n<daisy><daisy_config speed=\"20\"/></daisy>\n");
  dtbtest::SimResult r = Run(OpenBook() + "wait 24\n", dir_ / "wav");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output + Log(), "OEBPS/audio/ch2.m4a")) << r.output;
}

}  // namespace

#endif
