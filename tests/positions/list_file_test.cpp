// The two list files as they are found on a real settings partition:
// cut off by a power loss, damaged, missing, or not mounted at all.
#include <sys/stat.h>

#include <string>

#include "positions/bookmark.h"
#include "positions/history.h"
#include "tests/positions/store_dump.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::ReadFile;
using dtbtest::TempDir;
using dtbtest::WriteFile;
using postest::Dump;

class ListFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "mnt/settings/.keep", "");
    board_->mounted.insert("/mnt/settings");
    g_bookmark.Clean();
    g_History.Clean();
  }
  void TearDown() override {
    g_bookmark.Clean();
    g_History.Clean();
  }
  std::string File(const char* name) { return dir_ / (std::string("mnt/settings/") + name); }

  TempDir dir_;
  dtbtest::ScopedRootBoard board_{dir_.path()};
};

void FillBookmarks(BookMark& bm, int files) {
  for (int i = 0; i < files; i++) {
    std::string p = "/mnt/emmc/Książki/plik " + std::to_string(i) + ".txt";
    bm.AddEbook(p.c_str(), i, i * 10, -1, -1, "podgląd");
    bm.AddEbook(p.c_str(), i, i * 10 + 5, i + 1, 0, "zaznaczenie");
  }
}

TEST_F(ListFiles, StartUpAndPowerOffGoThroughTheSettingsPartition) {
  FillBookmarks(g_bookmark, 3);
  g_History.AddMusic("/mnt/emmc/a.mp3", 5000);
  ASSERT_EQ(0, SaveBookmarks());
  ASSERT_EQ(0, SaveHistory());
  std::string bmBefore = Dump(g_bookmark), hBefore = Dump(g_History);
  g_bookmark.Clean();
  g_History.Clean();
  ASSERT_EQ(0, LoadBookmarks());
  ASSERT_EQ(0, LoadHistory());
  EXPECT_EQ(bmBefore, Dump(g_bookmark));
  EXPECT_EQ(hBefore, Dump(g_History));
}

TEST_F(ListFiles, UnmountedSettingsAreNeitherReadNorWritten) {
  FillBookmarks(g_bookmark, 2);
  ASSERT_EQ(0, SaveBookmarks());
  std::string saved = ReadFile(File("bookmark.xml"));
  board_->mounted.clear();
  g_bookmark.AddMusic("/x.mp3", 1, -1);
  g_History.AddMusic("/x.mp3", 1);
  EXPECT_EQ(-1, SaveBookmarks());
  EXPECT_EQ(-1, SaveHistory());
  EXPECT_EQ(saved, ReadFile(File("bookmark.xml")));
  struct stat st;
  EXPECT_NE(0, stat(File("history.xml").c_str(), &st));
  g_bookmark.Clean();
  EXPECT_EQ(-1, LoadBookmarks());
  EXPECT_EQ(0, g_bookmark.GetCount());
}

TEST_F(ListFiles, MissingOrTinyFilesLeaveTheStoresEmpty) {
  EXPECT_EQ(-1, LoadBookmarks());
  EXPECT_EQ(-1, LoadHistory());
  WriteFile(File("bookmark.xml"), "<bookmarks");  // 10 bytes
  WriteFile(File("history.xml"), "");
  EXPECT_EQ(-1, LoadBookmarks());
  EXPECT_EQ(-1, LoadHistory());
  EXPECT_EQ(0, g_bookmark.GetCount());
  EXPECT_EQ(0, g_History.GetCount());
}

TEST_F(ListFiles, AFailedSaveKeepsTheOldFile) {
  FillBookmarks(g_bookmark, 2);
  ASSERT_EQ(0, SaveBookmarks());
  std::string saved = ReadFile(File("bookmark.xml"));
  mkdir(File("bookmark.xml.tmp").c_str(), 0755);  // the temporary cannot be written
  g_bookmark.Clean();
  EXPECT_EQ(-1, SaveBookmarks());
  EXPECT_EQ(saved, ReadFile(File("bookmark.xml")));
}

// A file cut off anywhere (a power loss while another program wrote it)
// loads the bookmarks before the cut, and the next save writes them all.
TEST(DamagedLists, TruncatedBookmarkFileLoadsWhatItCanAndSavesCleanly) {
  BookMark full;
  FillBookmarks(full, 40);
  full.AddMusic("/mnt/emmc/a.mp3", 1, 2);
  full.AddDaisy("/mnt/emmc/Daisy/B/ncc.html", 1, 2, 3, 4, "Tytuł", 5, 6, "7", "8");
  full.AddAudioBook("/mnt/emmc/Audio books/C",
                    "cur_time=1, total_time=2, cur_file=0, cur_file_time=1");
  std::string xml;
  ASSERT_EQ(0, full.BuildDocument().Serialize(&xml));

  int lastCount = 0;
  for (size_t cut = 0; cut <= xml.size(); cut += 37) {
    BookMark part;
    int r = part.LoadFromMemory(xml.data(), cut);
    if (cut <= 10) {
      EXPECT_EQ(-1, r);
    } else if (cut < xml.size() - 1) {
      EXPECT_EQ(-3, r) << "cut at " << cut;
    }
    // More of the file never means fewer bookmarks.
    int n = 0;
    for (int i = 0; i < part.GetCount(); i++) n += part.GetAt(i)->GetCount();
    EXPECT_GE(n, lastCount) << "cut at " << cut;
    lastCount = n;

    std::string again;
    ASSERT_EQ(0, part.BuildDocument().Serialize(&again));
    BookMark reread;
    EXPECT_EQ(0, reread.LoadFromMemory(again.data(), again.size()));
    EXPECT_EQ(Dump(part), Dump(reread)) << "cut at " << cut;
  }
  BookMark whole;
  ASSERT_EQ(0, whole.LoadFromMemory(xml.data(), xml.size()));
  EXPECT_EQ(Dump(full), Dump(whole));
}

TEST(DamagedLists, LoadingStopsAtTheDamageAndKeepsWhatCameBefore) {
  std::string xml =
      "<?xml version=\"1.0\"?>\n<bookmarks>"
      "<music filename=\"/a.mp3\"><music_item SMs=\"1\" EMs=\"2\"/></music>"
      "<music filename=\"/b.mp3\"><music_item SMs=\"3\" EMs=\"4\"/><music_item SMs=\"5\" & />"
      "<music filename=\"/c.mp3\"><music_item SMs=\"6\"/></music>"
      "</bookmarks>";
  BookMark bm;
  EXPECT_EQ(-3, bm.LoadFromMemory(xml.data(), xml.size()));
  EXPECT_EQ("1|/b.mp3|b.mp3\n 3,4\n1|/a.mp3|a.mp3\n 1,2\n", Dump(bm));

  std::string hx =
      "<history><music filename=\"/a.mp3\" ms=\"7\"/>\x01<music filename=\"/b.mp3\" "
      "ms=\"8\"/></history>";
  History h;
  EXPECT_EQ(-3, h.LoadFromMemory(hx.data(), hx.size()));
  ASSERT_EQ(1, h.GetCount());
  EXPECT_EQ(7, h.GetAt(0)->ms);

  std::string garbage(5000, '\xff');
  EXPECT_EQ(-3, bm.LoadFromMemory(garbage.data(), garbage.size()));
}

TEST(DamagedLists, UnknownOrMisplacedElementsAreIgnored) {
  std::string xml =
      "<bookmarks>"
      "<ebook filename=\"/e.txt\"><music_item SMs=\"1\"/><ebook_item SPage=\"2\"/>"
      "<x><ebook_item SPage=\"9\"/></x></ebook>"
      "<music><music_item SMs=\"1\"/></music>"
      "<video filename=\"/v.avi\"><music_item SMs=\"1\"/></video>"
      "<daisy filename=\"/d/ncc.html\"><daisy_item SObject=\"1\"/></daisy>"
      "<audiobook filename=\"/a\"><audiobook_item/></audiobook>"
      "</bookmarks>";
  BookMark bm;
  ASSERT_EQ(0, bm.LoadFromMemory(xml.data(), xml.size()));
  EXPECT_EQ(
      "3|/a|a\n \n"
      "2|/d/ncc.html|ncc.html\n 1,-1,-1,-1,-1,-1,,\n"
      "0|/e.txt|e.txt\n 2,-1,-1,-1,\n",
      Dump(bm));
  std::string other =
      "<history><music filename=\"/a.mp3\"><music_item SMs=\"1\"/></music></history>";
  EXPECT_EQ(0, bm.LoadFromMemory(other.data(), other.size()));
  EXPECT_EQ(3, bm.GetCount());
}

// Names XML 1.0 cannot hold (control characters, bytes that are not UTF-8)
// must not make the saved file unreadable for everything after them.
TEST(DamagedLists, UnwritableTextsNeverCostTheRestOfTheFile) {
  BookMark bm;
  bm.AddMusic("/first.mp3", 1, -1);
  bm.AddMusic("/bell\x07.mp3", 2, -1);
  bm.AddMusic("/latin1-\xb3\xf3\xbf.mp3", 3, -1);
  bm.AddEbook("/e.txt", 1, 1, -1, -1, "bad \x01 and \xc4 bytes");
  bm.AddDaisy("/d/ncc.html", 0, 0, 1, 1, "T\x02", 0, 1, "\x03", "ok");
  bm.AddMusic("/last.mp3", 4, -1);
  std::string mem;
  ASSERT_EQ(0, bm.BuildDocument().Serialize(&mem));
  BookMark back;
  EXPECT_EQ(0, back.LoadFromMemory(mem.data(), mem.size()));
  EXPECT_EQ(
      "1|/last.mp3|last.mp3\n 4,-1\n"
      "2|/d/ncc.html|T?\n 0,0,1,1,0,1,?,ok\n"
      "0|/e.txt|e.txt\n 1,1,-1,-1,bad ? and ? bytes\n"
      "1|/first.mp3|first.mp3\n 1,-1\n",
      Dump(back));

  History h;
  h.AddMusic("/first.mp3", 1);
  h.AddAudioBook("/a\x1b", "x");
  h.AddEbook("/e.txt", 1, 1, "\xff\xfe");
  ASSERT_EQ(0, h.BuildDocument().Serialize(&mem));
  History hback;
  EXPECT_EQ(0, hback.LoadFromMemory(mem.data(), mem.size()));
  EXPECT_EQ("0|/e.txt||??|1,1,-1,-1\n1|/first.mp3|||-1,-1,1,-1\n", Dump(hback));
}

TEST(DamagedLists, ExternalEntitiesAreNotFetched) {
  TempDir dir;
  WriteFile(dir / "secret", "TOPSECRET");
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE history [<!ENTITY s SYSTEM \"" +
                    dir / "secret" +
                    "\">]>\n<history><music filename=\"/a.mp3\" ms=\"1\">&s;</music>"
                    "<music filename=\"/b.mp3\" ms=\"1\"/></history>";
  History h;
  // The lists never use entities: one is damage, and loading stops there.
  EXPECT_EQ(-3, h.LoadFromMemory(xml.data(), xml.size()));
  ASSERT_EQ(1, h.GetCount());
  EXPECT_EQ(std::string::npos, std::string(h.GetAt(0)->path).find("TOPSECRET"));
}

}  // namespace
