#include "positions/history.h"

#include <string>

#include "tests/positions/store_dump.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::ReadFile;
using dtbtest::TempDir;
using dtbtest::WriteFile;
using postest::Dump;

std::string P(const char* kind, int i) {
  return std::string("/mnt/emmc/") + kind + "/" + std::to_string(i);
}

TEST(History, PlayingAFileAgainKeepsOneRecordWithTheLaterPosition) {
  History h;
  EXPECT_EQ(0, h.AddMusic("/mnt/emmc/a.mp3", 1000));
  EXPECT_EQ(0, h.AddEbook("/mnt/emmc/b.txt", 3, 44, "tekst"));
  EXPECT_EQ(0, h.AddMusic("/MNT/emmc/A.mp3", 73000));
  ASSERT_EQ(2, h.GetCount());
  EXPECT_EQ(EM_HISTORY_MUSIC, h.GetAt(0)->kind);
  EXPECT_EQ(73000, h.GetAt(0)->ms);
  EXPECT_STREQ("/MNT/emmc/A.mp3", h.GetAt(0)->path);
  EXPECT_EQ(1, h.Find(EM_HISTORY_EBOOK, "/mnt/emmc/B.TXT"));
  EXPECT_EQ(-1, h.Find(EM_HISTORY_MUSIC, "/mnt/emmc/b.txt"));
  EXPECT_EQ(-1, h.Find(EM_HISTORY_AUDIOBOOK, "/mnt/emmc/b.txt"));
  EXPECT_EQ(1, h.Find(EM_HISTORY_ALL, "/mnt/emmc/b.txt"));
}

TEST(History, AnAudioBookNeverTakesOverAnotherKindsRecord) {
  // A music file and an audio-book folder of the same name (the file was
  // replaced by a folder): each keeps its own single record.
  History h;
  h.AddAudioBook("/mnt/emmc/x", "cur_time=1, total_time=9, cur_file=0, cur_file_time=1");
  h.AddMusic("/mnt/emmc/X", 5000);
  EXPECT_EQ(0,
            h.AddAudioBook("/mnt/emmc/x", "cur_time=2, total_time=9, cur_file=0, cur_file_time=2"));
  ASSERT_EQ(2, h.GetCount());
  EXPECT_EQ(EM_HISTORY_AUDIOBOOK, h.GetAt(0)->kind);
  EXPECT_EQ(EM_HISTORY_MUSIC, h.GetAt(1)->kind);
  EXPECT_EQ(5000, h.GetAt(1)->ms);
}

TEST(History, HundredRecordsPerKindEvictsOnlyThatKind) {
  History h;
  for (int i = 0; i < 100; i++) {
    ASSERT_EQ(0, h.AddEbook(P("e", i).c_str(), i, i, ""));
    if (i % 20 == 0) {
      h.AddMusic(P("m", i).c_str(), i);
      h.AddAudioBook(P("a", i).c_str(), "cur_time=1, total_time=2, cur_file=0, cur_file_time=1");
    }
  }
  h.AddEbook(P("e", 0).c_str(), 5, 5, "");  // e1 becomes the least recent e-book
  ASSERT_EQ(0, h.AddEbook(P("e", 100).c_str(), 0, 0, ""));
  HistoryItem* list[HISTORY_MAX_ITEMS];
  EXPECT_EQ(100, h.GetBookmarkList(EM_HISTORY_EBOOK, list));
  EXPECT_EQ(-1, h.Find(EM_HISTORY_EBOOK, P("e", 1).c_str()));
  EXPECT_EQ(5, h.GetBookmarkList(EM_HISTORY_MUSIC, list));
  EXPECT_EQ(5, h.GetBookmarkList(EM_HISTORY_AUDIOBOOK, list));
  EXPECT_EQ(0, h.GetBookmarkList(EM_HISTORY_DAISY, list));
}

TEST(History, ListsByKindAndAllInOrderOfUse) {
  History h;
  h.AddAudioBook("/mnt/emmc/Audio books/A",
                 "cur_time=10, total_time=20, cur_file=0, cur_file_time=10");
  h.AddMusic("/m.mp3", 5);
  h.AddAudioBook("/mnt/emmc/Audio books/B",
                 "cur_time=1, total_time=2, cur_file=0, cur_file_time=1");
  h.AddDaisy("/d/ncc.html", 1, 2, "T", 3, "4");
  HistoryItem* list[HISTORY_MAX_ITEMS];
  ASSERT_EQ(2, h.GetBookmarkList(EM_HISTORY_AUDIOBOOK, list));
  EXPECT_STREQ("/mnt/emmc/Audio books/B", list[0]->path);
  EXPECT_STREQ("/mnt/emmc/Audio books/A", list[1]->path);
  EXPECT_EQ(1, History::Find(list, 2, EM_HISTORY_AUDIOBOOK, "/mnt/emmc/audio books/a"));
  ASSERT_EQ(4, h.GetBookmarkList(EM_HISTORY_ALL, list));
  EXPECT_STREQ("/d/ncc.html", list[0]->path);
  EXPECT_STREQ("/mnt/emmc/Audio books/A", list[3]->path);
  EXPECT_EQ(4, h.GetBookmarkList(7, list));
  EXPECT_EQ(-1, h.GetBookmarkList(EM_HISTORY_ALL, nullptr));
}

TEST(History, RecordsChangeAndGo) {
  History h;
  h.AddMusic("/a.mp3", 1);
  h.AddMusic("/b.mp3", 2);
  // A caller may hand back the record's own path.
  HistoryItem* b = h.GetAt(0);
  EXPECT_EQ(0, h.AddMusic(b->path, 7));
  EXPECT_EQ(2, h.GetCount());
  EXPECT_EQ(b, h.GetAt(0));
  EXPECT_STREQ("/b.mp3", b->path);
  EXPECT_EQ(0, h.AddMusic(h.GetAt(1)->path, 99));
  EXPECT_EQ(99, h.GetAt(0)->ms);
  EXPECT_STREQ("/a.mp3", h.GetAt(0)->path);

  EXPECT_EQ(0, h.Remove(h.GetAt(0)));
  ASSERT_EQ(1, h.GetCount());
  EXPECT_STREQ("/b.mp3", h.GetAt(0)->path);
  HistoryItem stranger;
  EXPECT_EQ(-1, h.Remove(&stranger));
  EXPECT_EQ(-1, h.Remove(nullptr));
  EXPECT_EQ(-1, h.AddMusic(nullptr, 1));
  h.Clean();
  EXPECT_EQ(0, h.GetCount());
  EXPECT_EQ(nullptr, h.GetAt(0));
}

TEST(History, SetForReplacesEverythingAndClsEmpties) {
  HistoryItem it;
  ASSERT_EQ(0, it.SetForDaisy("/d/ncc.html", 4, 5, "Title", 6000, "xii"));
  ASSERT_EQ(0, it.SetForMusic("/m.mp3", 42));
  EXPECT_EQ(EM_HISTORY_MUSIC, it.kind);
  EXPECT_EQ(42, it.ms);
  EXPECT_EQ(-1, it.object);
  EXPECT_EQ(-1, it.place);
  EXPECT_STREQ("", it.title);
  EXPECT_STREQ("", it.text);
  EXPECT_EQ(-1, it.SetForEbook(nullptr, 1, 1, "x"));
  EXPECT_EQ(EM_HISTORY_ALL, it.kind);
  EXPECT_EQ(nullptr, it.path);
}

TEST(History, SaveAndLoadGiveTheSameRecords) {
  TempDir dir;
  History a;
  a.AddDaisy("/mnt/emmc/Daisy/Książka/ncc.html", 12, 340, "Chłopi \"Jesień\"", 754000, "xiv");
  a.AddEbook("/mnt/emmc/e & <b>.txt", 10, 2000, "Nad Niemnem\nrozdział 1");
  a.AddEbook("/mnt/emmc/empty.txt", 0, 0, nullptr);
  a.AddMusic("/mnt/microsd/$(reboot)`x`.mp3", 123456);
  a.AddAudioBook("/mnt/emmc/Audio books/Lalka",
                 "cur_time=100, total_time=3600, cur_file=2, cur_file_time=30");
  a.AddDaisy("/mnt/emmc/Daisy/Bez/ncc.html", 0, 0, nullptr, -1, nullptr);
  for (int i = 0; i < 95; i++) {
    a.AddMusic(P("m", i).c_str(), i * 1000);
    a.AddEbook(P("e", i).c_str(), i, i * 7, "podgląd");
  }
  std::string before = Dump(a);
  ASSERT_EQ(0, a.SaveToFile((dir / "history.xml").c_str()));
  ASSERT_GT(ReadFile(dir / "history.xml").size(), 2u * 4096);

  History b;
  ASSERT_EQ(0, b.LoadFromFile((dir / "history.xml").c_str()));
  EXPECT_EQ(before, Dump(b));
  ASSERT_EQ(0, b.SaveToFile((dir / "again.xml").c_str()));
  EXPECT_EQ(ReadFile(dir / "history.xml"), ReadFile(dir / "again.xml"));

  std::string xml = ReadFile(dir / "history.xml");
  EXPECT_NE(std::string::npos,
            xml.find("<daisy filename=\"/mnt/emmc/Daisy/Ksi&#x105;&#x17C;ka/ncc.html\" "
                     "object=\"12\" place=\"340\" title=\"Ch&#x142;opi &quot;Jesie&#x144;&quot;\" "
                     "ms=\"754000\" page=\"xiv\"/>"))
      << xml.substr(0, 600);
}

TEST(History, LoadSkipsRecordsWithoutAFileNameAndReadsAnyDepth) {
  History h;
  std::string xml =
      "<?xml version=\"1.0\"?>\n<history>"
      "<ebook page=\"1\" place=\"2\" text=\"no name\"/>"
      "<ebook filename=\"\" page=\"1\" place=\"2\"/>"
      "<group><music filename=\"/deep.mp3\" ms=\"5\"/></group>"
      "<ebook filename=\"/e.txt\"/>"
      "<video filename=\"/v.avi\" ms=\"1\"/>"
      "</history>";
  ASSERT_EQ(0, h.LoadFromMemory(xml.data(), xml.size()));
  ASSERT_EQ(2, h.GetCount());
  EXPECT_STREQ("/e.txt", h.GetAt(0)->path);
  EXPECT_EQ(-1, h.GetAt(0)->page);
  EXPECT_EQ(-1, h.GetAt(0)->place);
  EXPECT_STREQ("", h.GetAt(0)->text);
  EXPECT_STREQ("/deep.mp3", h.GetAt(1)->path);
}

}  // namespace
