// The bookmark menu end to end: lists by kind, a missing file's questions,
// deleting one bookmark or all, and the stores as power-off leaves them.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

TEST(BookmarkMenuE2e, MissingFilesAskAndOneBookmarkIsDeleted) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.script = "quit\n";
  ASSERT_EQ(dtbtest::RunSim(run).status, 0);
  dtbtest::WriteFile(run.root + "/mnt/emmc/book.txt", "Some words of a book.");
  dtbtest::WriteFile(run.root + "/mnt/settings/bookmark.xml",
                     "<?xml version=\"1.0\"?>\n<bookmarks>"
                     "<music filename=\"/mnt/emmc/gone.mp3\"><music_item SMs=\"1000\" EMs=\"-1\"/></music>"
                     "<ebook filename=\"/mnt/emmc/book.txt\">"
                     "<ebook_item SPage=\"0\" SPlace=\"0\" EPage=\"-1\" EPlace=\"-1\" Text=\"Some\"/>"
                     "<ebook_item SPage=\"0\" SPlace=\"5\" EPage=\"-1\" EPlace=\"-1\" Text=\"words\"/>"
                     "</ebook></bookmarks>\n");
  dtbtest::WriteFile(run.root + "/mnt/settings/history.xml",
                     "<?xml version=\"1.0\"?>\n<history><music filename=\"/mnt/emmc/gone.mp3\" ms=\"5000\"/></history>\n");
  run.fresh = false;
  run.lang = "";
  run.timeout_seconds = 120;
  run.script =
      "expect Choose 20\n"
      "key bookmark\nexpect all bookmarks list\n"
      "key down\nexpect gone.mp3\n"
      "key play\nexpect file doesn't exist, delete bookmark?\nkey play\nexpect bookmark deleted\n"
      "key bookmark\nexpect history\n"
      "key play\nexpect file doesn't exist, delete history?\nkey back\nexpect canceled\n"
      "key bookmark\nexpect all bookmarks list\n"
      "key right\nexpect ebook bookmarks list\n"
      "key play\nexpect book.txt\n"
      "key menu\nexpect delete bookmark\nkey play\nexpect delete bookmark?\nkey play\nexpect bookmark deleted\n"
      // The one left opens the reader there.
      "key play\nexpect Some words 10\n"
      "wait 1\npower hold 3\nwait 8\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  std::string bm = dtbtest::ReadFile(run.root + "/mnt/settings/bookmark.xml");
  EXPECT_EQ(bm.find("gone.mp3"), std::string::npos) << bm;
  EXPECT_NE(bm.find("book.txt"), std::string::npos) << bm;
  EXPECT_EQ(bm.find("SPlace=\"5\""), std::string::npos) << bm;  // the latest one went
  EXPECT_NE(bm.find("SPlace=\"0\""), std::string::npos) << bm;
  EXPECT_NE(dtbtest::ReadFile(run.root + "/mnt/settings/history.xml").find("gone.mp3"), std::string::npos);
}

// One file's two bookmarks: the entry says how many in the singular once
// one is gone, the bookmarks read without a doubled space, and after
// everything is deleted from inside the entry the arrows and back act on
// the empty list.
TEST(BookmarkMenuE2e, DeleteAllFromInsideAnEntry) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.script = "quit\n";
  ASSERT_EQ(dtbtest::RunSim(run).status, 0);
  dtbtest::WriteFile(run.root + "/mnt/emmc/song.mp3", "not really a song");
  dtbtest::WriteFile(run.root + "/mnt/settings/bookmark.xml",
                     "<?xml version=\"1.0\"?>\n<bookmarks><music filename=\"/mnt/emmc/song.mp3\">"
                     "<music_item SMs=\"0\" EMs=\"-1\"/><music_item SMs=\"61000\" EMs=\"-1\"/>"
                     "</music></bookmarks>\n");
  run.fresh = false;
  run.lang = "";
  run.timeout_seconds = 120;
  run.script =
      "expect Choose 20\n"
      "key bookmark\nexpect song.mp3, 2 bookmarks\n"
      "key play\nexpect bookmark 2\nkey down\nexpect bookmark 1\n"
      "key menu\nexpect delete bookmark\nkey play\nexpect delete bookmark?\nkey play\nexpect bookmark deleted\n"
      "key back\nexpect song.mp3, 1 bookmark\n"
      "key play\nexpect bookmark 1\n"
      "key menu\nexpect delete bookmark\nkey down\nexpect Delete all bookmarks\n"
      "key play\nexpect Delete all bookmarks?\nkey play\nexpect bookmarks deleted\n"
      "key down\nexpect no bookmarks\nkey right\nexpect ebook bookmarks list, no bookmarks\n"
      "key back\nexpect Internal memory\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  for (const std::string& u : dtbtest::Utterances(r.output)) {
    EXPECT_EQ(u.find("  "), std::string::npos) << u;
    EXPECT_EQ(u.find("1 bookmarks"), std::string::npos) << u;
  }
}

}  // namespace
