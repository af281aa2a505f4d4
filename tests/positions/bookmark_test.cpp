#include "positions/bookmark.h"

#include <string>

#include "tests/positions/store_dump.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::ReadFile;
using dtbtest::TempDir;
using postest::Dump;

std::string P(const char* kind, int i) {
  return std::string("/mnt/emmc/") + kind + "/" + std::to_string(i) + ".x";
}

TEST(BookMark, ThirtyThirdBookmarkDropsTheOldest) {
  BookMark bm;
  for (int i = 0; i < 32; i++) EXPECT_EQ(i, bm.AddMusic("/mnt/emmc/a.mp3", i * 1000, -1));
  EXPECT_EQ(31, bm.AddMusic("/mnt/emmc/a.mp3", 32000, -1));
  auto* e = static_cast<MusicBmFileItem*>(bm.GetAt(0));
  ASSERT_EQ(32, e->GetCount());
  EXPECT_EQ(1000, e->GetAt(0)->startMs);
  EXPECT_EQ(32000, e->GetAt(31)->startMs);
  EXPECT_EQ(nullptr, e->GetAt(32));

  // Texts of dropped bookmarks are released (the sanitizer build checks).
  for (int i = 0; i < 40; i++)
    EXPECT_EQ(i < 32 ? i : 31, bm.AddEbook("/b.txt", i, i, -1, -1, "preview"));
  EXPECT_EQ(8, static_cast<EbookBmFileItem*>(bm.GetAt(0))->GetAt(0)->startPage);
}

TEST(BookMark, HundredFilesPerKindEvictsTheLeastRecentOfThatKindOnly) {
  BookMark bm;
  for (int i = 0; i < 100; i++) {
    ASSERT_EQ(0, bm.AddEbook(P("e", i).c_str(), 1, 1, -1, -1, ""));
    if (i % 10 == 0) {
      bm.AddMusic(P("m", i).c_str(), 5, -1);
      bm.AddDaisy(P("d", i).c_str(), 1, 2, "Book", 3, "1");
      bm.AddAudioBook(P("a", i).c_str(), "cur_time=1");
    }
  }
  ASSERT_EQ(130, bm.GetCount());
  // Using e0 again makes e1 the least recently used e-book.
  EXPECT_EQ(1, bm.AddEbook(P("e", 0).c_str(), 2, 2, -1, -1, ""));
  EXPECT_EQ(0, bm.AddEbook(P("e", 100).c_str(), 1, 1, -1, -1, ""));

  BmFileItem* list[BM_MAX_FILE_ITEMS];
  EXPECT_EQ(100, bm.GetBookmarkList(EM_BM_EBOOK, list));
  EXPECT_EQ(-1, bm.Find(EM_BM_EBOOK, P("e", 1).c_str()));
  EXPECT_EQ(0, bm.Find(EM_BM_EBOOK, P("e", 100).c_str()));
  EXPECT_EQ(1, bm.Find(EM_BM_EBOOK, P("e", 0).c_str()));
  EXPECT_EQ(10, bm.GetBookmarkList(EM_BM_MUSIC, list));
  EXPECT_EQ(10, bm.GetBookmarkList(EM_BM_DAISY, list));
  EXPECT_EQ(10, bm.GetBookmarkList(EM_BM_AUDIOBOOK, list));
  EXPECT_EQ(130, bm.GetBookmarkList(EM_BM_ALL, list));
  EXPECT_EQ(-1, bm.GetBookmarkList(EM_BM_ALL, nullptr));
}

TEST(BookMark, PathDifferingInCaseReusesTheEntryAndMovesItToTheFront) {
  BookMark bm;
  bm.AddMusic("/mnt/emmc/Music/Song.MP3", 1000, -1);
  bm.AddMusic("/mnt/emmc/other.mp3", 1, -1);
  EXPECT_EQ(1, bm.AddMusic("/MNT/EMMC/music/song.mp3", 2000, -1));
  ASSERT_EQ(2, bm.GetCount());
  EXPECT_STREQ("/mnt/emmc/Music/Song.MP3", bm.GetAt(0)->GetFullname());
  EXPECT_STREQ("Song.MP3", bm.GetAt(0)->GetName());
  EXPECT_EQ(2, bm.GetAt(0)->GetCount());
  EXPECT_EQ(0, bm.Find(EM_BM_MUSIC, "/mnt/EMMC/music/SONG.mp3"));
}

TEST(BookMark, KindsNeverShareAnEntry) {
  BookMark bm;
  // The same name as a music file and as an audio-book folder (a folder
  // replaced the file, or a hand-edited list): two entries, each its own kind.
  bm.AddMusic("/mnt/emmc/x", 1, -1);
  EXPECT_EQ(
      0, bm.AddAudioBook("/mnt/emmc/X", "cur_time=5, total_time=9, cur_file=0, cur_file_time=5"));
  ASSERT_EQ(2, bm.GetCount());
  EXPECT_EQ(EM_BM_AUDIOBOOK, bm.GetAt(0)->Type());
  EXPECT_EQ(1, bm.Find(EM_BM_MUSIC, "/mnt/emmc/x"));
  EXPECT_EQ(0, bm.Find(EM_BM_AUDIOBOOK, "/mnt/emmc/x"));
  EXPECT_EQ(0, bm.Find(EM_BM_ALL, "/mnt/emmc/x"));
  EXPECT_EQ(-1, bm.Find(EM_BM_EBOOK, "/mnt/emmc/x"));

  BmFileItem* list[BM_MAX_FILE_ITEMS];
  int n = bm.GetBookmarkList(EM_BM_MUSIC, list);
  EXPECT_EQ(0, BookMark::Find(list, n, EM_BM_MUSIC, "/MNT/emmc/x"));
  EXPECT_EQ(-1, BookMark::Find(list, n, EM_BM_AUDIOBOOK, "/mnt/emmc/x"));
}

TEST(BookMark, HighlightsKeepStartAndEndPointsHaveMinusOne) {
  BookMark bm;
  EXPECT_EQ(0, bm.AddEbook("/e.txt", 3, 120, 4, 20, "marked text"));
  auto* eb = static_cast<EbookBmFileItem*>(bm.GetAt(0))->GetAt(0);
  EXPECT_EQ(3, eb->startPage);
  EXPECT_EQ(120, eb->startPlace);
  EXPECT_EQ(4, eb->endPage);
  EXPECT_EQ(20, eb->endPlace);
  EXPECT_STREQ("marked text", eb->text);

  EXPECT_EQ(0, bm.AddDaisy("/d/ncc.html", 5, 6, 7, 8, "Title", 1000, 9000, "12", "14"));
  EXPECT_EQ(1, bm.AddDaisy("/d/ncc.html", 9, 10, "Title", 4000, nullptr));
  auto* d = static_cast<DaisyBmFileItem*>(bm.GetAt(0));
  EXPECT_EQ(7, d->GetAt(0)->endObject);
  EXPECT_EQ(8, d->GetAt(0)->endPlace);
  EXPECT_EQ(9000, d->GetAt(0)->endMs);
  EXPECT_STREQ("14", d->GetAt(0)->endPageDes);
  EXPECT_EQ(-1, d->GetAt(1)->endObject);
  EXPECT_EQ(-1, d->GetAt(1)->endPlace);
  EXPECT_EQ(-1, d->GetAt(1)->endMs);
  EXPECT_STREQ("", d->GetAt(1)->startPageDes);
  EXPECT_STREQ("", d->GetAt(1)->endPageDes);

  TempDir dir;
  BookMark music;
  music.AddMusic("/song.mp3", 1000, 5000);
  music.AddMusic("/song.mp3", 7000, -1);
  ASSERT_EQ(0, music.SaveToFile((dir / "bookmark.xml").c_str()));
  std::string xml = ReadFile(dir / "bookmark.xml");
  EXPECT_NE(std::string::npos, xml.find("<music filename=\"/song.mp3\">"
                                        "<music_item SMs=\"1000\" EMs=\"5000\"/>"
                                        "<music_item SMs=\"7000\" EMs=\"-1\"/></music>"))
      << xml;
}

TEST(BookMark, DaisyPageDescriptionsAreCutToFifteenBytesWhole) {
  BookMark bm;
  bm.AddDaisy("/d/ncc.html", 0, 0, 1, 1, "T", 0, 1, "abcdefghijklmnopqrst", "x");
  bm.AddDaisy("/d/ncc.html", 0, 0, 1, 1, "T", 0, 1, "ąąąąąąąąąą", "strona ósma");
  auto* d = static_cast<DaisyBmFileItem*>(bm.GetAt(0));
  EXPECT_STREQ("abcdefghijklmno", d->GetAt(0)->startPageDes);
  // Seven two-byte letters fit in 15 bytes; half of the eighth is not kept.
  EXPECT_STREQ("ąąąąąąą", d->GetAt(1)->startPageDes);
  EXPECT_STREQ("strona ósma", d->GetAt(1)->endPageDes);
}

TEST(BookMark, DaisyEntryIsNamedByItsTitleOrItsFile) {
  BookMark bm;
  bm.AddDaisy("/mnt/emmc/Daisy/Book/ncc.html", 0, 0, "Pan Tadeusz", 0, "1");
  bm.AddDaisy("/mnt/emmc/Daisy/Other/ncc.html", 0, 0, "", 0, "1");
  EXPECT_STREQ("ncc.html", bm.GetAt(0)->GetName());
  EXPECT_STREQ("Pan Tadeusz", bm.GetAt(1)->GetName());
  // A later bookmark does not rename the book.
  bm.AddDaisy("/mnt/emmc/Daisy/Book/ncc.html", 1, 1, "Another", 0, "2");
  EXPECT_STREQ("Pan Tadeusz", bm.GetAt(0)->GetName());
}

TEST(BookMark, RefusedArgumentsChangeNothing) {
  BookMark bm;
  EXPECT_EQ(-1, bm.AddEbook(nullptr, 0, 0, -1, -1, "t"));
  EXPECT_EQ(-1, bm.AddEbook("/e", 0, 0, -1, -1, nullptr));
  EXPECT_EQ(-1, bm.AddMusic(nullptr, 0, -1));
  EXPECT_EQ(-1, bm.AddDaisy("/d", 0, 0, nullptr, 0, "1"));
  EXPECT_EQ(-1, bm.AddDaisy(nullptr, 0, 0, "t", 0, "1"));
  EXPECT_EQ(-1, bm.AddAudioBook("/a", nullptr));
  EXPECT_EQ(0, bm.GetCount());
  EXPECT_EQ(-1, bm.Find(EM_BM_MUSIC, nullptr));
  EXPECT_EQ(nullptr, bm.GetAt(0));
  EXPECT_EQ(nullptr, bm.GetAt(-1));
}

TEST(BookMark, RemovingBookmarksAndEntries) {
  BookMark bm;
  bm.AddMusic("/a.mp3", 1, -1);
  bm.AddMusic("/a.mp3", 2, -1);
  bm.AddMusic("/a.mp3", 3, -1);
  bm.AddMusic("/b.mp3", 9, -1);
  BmFileItem* a = bm.GetAt(1);
  EXPECT_EQ(0, bm.RemoveBookmark(a, 1));
  EXPECT_EQ(2, a->GetCount());
  EXPECT_EQ(3, static_cast<MusicBmFileItem*>(a)->GetAt(1)->startMs);
  EXPECT_EQ(-1, bm.RemoveBookmark(a, 2));
  EXPECT_EQ(0, bm.RemoveBookmark(bm.GetAt(0), -1));
  ASSERT_EQ(1, bm.GetCount());
  EXPECT_EQ(a, bm.GetAt(0));

  MusicBmFileItem stranger;
  EXPECT_EQ(-1, bm.RemoveBookmark(&stranger, -1));
  EXPECT_EQ(-1, bm.RemoveBookmark(nullptr, 0));
  bm.Clean();
  EXPECT_EQ(0, bm.GetCount());
}

TEST(BookMark, FullStoreRefusesNewEntries) {
  BookMark bm;
  for (int i = 0; i < BM_MAX_FILE_ITEMS; i++) {
    auto* it = new MusicBmFileItem;
    it->SetFullname(P("m", i).c_str());
    it->Add(i, -1);
    ASSERT_EQ(0, bm.AddFileItem(it));
  }
  MusicBmFileItem extra;
  EXPECT_EQ(-1, bm.AddFileItem(&extra));
  EXPECT_EQ(-1, bm.AddFileItem(nullptr));
  // A new e-book has no entry of its kind to give up, and the store no room.
  EXPECT_EQ(-1, bm.AddEbook("/new.txt", 0, 0, -1, -1, ""));
  EXPECT_EQ(BM_MAX_FILE_ITEMS, bm.GetCount());
  // A new music file evicts the 100th music entry and fits.
  EXPECT_EQ(0, bm.AddMusic("/new.mp3", 0, -1));
  EXPECT_EQ(BM_MAX_FILE_ITEMS, bm.GetCount());
  EXPECT_EQ(-1, bm.Find(EM_BM_MUSIC, P("m", 300).c_str()));
}

// A store of every kind, with the characters a file or a preview may hold.
void Fill(BookMark& bm) {
  bm.AddEbook("/mnt/emmc/Książki/Pan \"Tadeusz\" & <syn>.txt", 0, 17, -1, -1,
              "Litwo! Ojczyzno moja!\nty jesteś\tjak zdrowie");
  bm.AddEbook("/mnt/emmc/Książki/Pan \"Tadeusz\" & <syn>.txt", 3, 5, 4, 6, "");
  bm.AddMusic("/mnt/microsd/$HOME/`ls`/a'b.mp3", 1000, 5000);
  bm.AddMusic("/mnt/microsd/$HOME/`ls`/a'b.mp3", 62000, -1);
  bm.AddDaisy("/mnt/emmc/Daisy/Book/ncc.html", 2, 40, 5, 0, "Żółć", 3000, 99000, "iv", "vii");
  bm.AddDaisy("/mnt/emmc/Daisy/Plain/ncc.html", 2, 40, "", -1, nullptr);
  bm.AddAudioBook("/mnt/emmc/Audio books/Lalka",
                  "cur_time=100, total_time=3600, cur_file=2, cur_file_time=30");
  bm.AddAudioBook("/mnt/emmc/Audio books/Lalka",
                  "cur_time=5, total_time=3600, cur_file=0, cur_file_time=5, end_time=60, "
                  "end_file=1, end_file_time=2");
  bm.AddMusic("/mnt/emmc/new line\nname.mp3", 1, -1);
  bm.AddEbook("/mnt/emmc/Książki/Pan \"Tadeusz\" & <syn>.txt", 9, 9, -1, -1, "ostatni");
}

TEST(BookMark, SaveAndLoadGiveTheSameStore) {
  TempDir dir;
  BookMark a;
  Fill(a);
  // Enough entries that the file spans many 4096-byte chunks.
  for (int i = 0; i < 95; i++) {
    a.AddMusic(P("many", i).c_str(), i, i * 2);
    a.AddEbook(P("many", i).c_str(), i, i, -1, -1, "x");
  }
  std::string before = Dump(a);
  ASSERT_EQ(0, a.SaveToFile((dir / "bookmark.xml").c_str()));
  ASSERT_GT(ReadFile(dir / "bookmark.xml").size(), 3u * 4096);

  BookMark b;
  ASSERT_EQ(0, b.LoadFromFile((dir / "bookmark.xml").c_str()));
  // The book without a title comes back named by its file, as before.
  EXPECT_EQ(before, Dump(b));
  // A second round changes nothing either.
  ASSERT_EQ(0, b.SaveToFile((dir / "again.xml").c_str()));
  EXPECT_EQ(ReadFile(dir / "bookmark.xml"), ReadFile(dir / "again.xml"));
}

TEST(BookMark, FileListsLeastRecentFirstAndSkipsEmptyEntries) {
  TempDir dir;
  BookMark bm;
  bm.AddMusic("/old.mp3", 1, -1);
  bm.AddMusic("/empty.mp3", 1, -1);
  bm.AddMusic("/new.mp3", 1, -1);
  bm.RemoveBookmark(bm.GetAt(1), 0);  // /empty.mp3 keeps its entry, no bookmark
  ASSERT_EQ(0, bm.SaveToFile((dir / "b.xml").c_str()));
  std::string xml = ReadFile(dir / "b.xml");
  EXPECT_LT(xml.find("/old.mp3"), xml.find("/new.mp3"));
  EXPECT_EQ(std::string::npos, xml.find("/empty.mp3"));
  EXPECT_EQ(0u, xml.find("<?xml version=\"1.0\"?>\n<bookmarks>"));
}

}  // namespace
