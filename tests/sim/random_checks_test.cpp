// The checks the random-key run and the power-cut harness make on the
// settings and list files: a false alarm stops a CI run, a miss hides lost
// bookmarks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/random_files.h"
#include "sim/random_keys.h"

namespace {

const char c_History[] =
    "<?xml version=\"1.0\"?>\n<history><music filename=\"/mnt/emmc/a.mp3\" ms=\"10\"/>"
    "<ebook filename=\"/mnt/emmc/b.txt\" page=\"1\" place=\"5\" text=\"\"/></history>\n";

const char c_Bookmarks[] =
    "<?xml version=\"1.0\"?>\n<bookmarks><music filename=\"/mnt/emmc/a.mp3\">"
    "<music_item SMs=\"0\" EMs=\"-1\"/><music_item SMs=\"5000\" EMs=\"-1\"/></music></bookmarks>\n";

TEST(RandomChecks, SettingsFilesParseOrHaveTheirFixedSize) {
  EXPECT_EQ(sim::SettingsFault("history.xml", c_History), "");
  std::string torn(c_History, sizeof c_History / 2);
  EXPECT_EQ(sim::SettingsFault("history.xml", torn), "does not parse");
  EXPECT_EQ(sim::SettingsFault("system.config.xml", ""), "does not parse");
  // The alarms are a binary record despite the name.
  EXPECT_EQ(sim::SettingsFault("alarm.config.xml", std::string(46105, '\0')), "");
  EXPECT_NE(sim::SettingsFault("alarm.config.xml", std::string(4096, '\0')), "");
}

TEST(RandomChecks, HistoryRecordsAreKnownByTheirFile) {
  std::string moved = c_History;
  moved.replace(moved.find("ms=\"10\""), 7, "ms=\"99\"");
  EXPECT_EQ(sim::LostEntry(c_History, moved), "");
  std::string dropped = c_History;
  dropped.erase(dropped.find("<ebook"), dropped.find("</history>") - dropped.find("<ebook"));
  EXPECT_EQ(sim::LostEntry(c_History, dropped), "/ebook[/mnt/emmc/b.txt]");
}

TEST(RandomChecks, EveryBookmarkOfAFileCounts) {
  std::string one = c_Bookmarks;
  one.erase(one.find("<music_item SMs=\"5000\""), std::string("<music_item SMs=\"5000\" EMs=\"-1\"/>").size());
  EXPECT_EQ(sim::LostEntry(c_Bookmarks, one), "/music[/mnt/emmc/a.mp3]/music_item SMs=5000 EMs=-1");
  EXPECT_EQ(sim::LostEntry(one, c_Bookmarks), "");  // one added
}

}  // namespace

namespace {

// The file oracle of the random run: a loss no user operation explains is
// reported, a move, a copy or a confirmed removal is not.
TEST(RandomChecks, FileOracleTellsLossesFromTheUsersOwnRemovals) {
  const sim::FileMap before = {{"mnt/emmc/Album/notes.txt", "n"},
                               {"mnt/emmc/Album/Album/track list.txt", "t"},
                               {"mnt/emmc/txt/book.txt", "b"},
                               {"mnt/emmc/txt/copy of book.txt", "b"},
                               {"mnt/microsd/Card notes/first.txt", "f"}};
  // Cut Album/Album, pasted beside Album, "replace" answered yes, "Error
  // while copying": both the outer folder and the inner one are gone.
  sim::FileMap after = before;
  after.erase("mnt/emmc/Album/notes.txt");
  after.erase("mnt/emmc/Album/Album/track list.txt");
  EXPECT_EQ(sim::UnexplainedLoss(before, after, 0),
            (std::vector<std::string>{"mnt/emmc/Album/Album/track list.txt", "mnt/emmc/Album/notes.txt"}));
  // Had the paste finished, one replaced entry is the user's doing.
  EXPECT_TRUE(sim::UnexplainedLoss(before, after, 1).empty());
  // Moved to the card and renamed: nothing lost, wherever it went.
  sim::FileMap moved = before;
  moved.erase("mnt/emmc/txt/book.txt");
  moved["mnt/microsd/txt/book.txt"] = "b";
  moved.erase("mnt/emmc/Album/Album/track list.txt");
  moved["mnt/emmc/Album/track list.txt"] = "t";
  EXPECT_TRUE(sim::UnexplainedLoss(before, moved, 0).empty());
  // One delete explains one entry, not two; a file changed in place is lost too.
  sim::FileMap two = before;
  two.erase("mnt/emmc/txt/book.txt");
  two["mnt/microsd/Card notes/first.txt"] = "garbled";
  EXPECT_EQ(sim::UnexplainedLoss(before, two, 1).size(), 2u);
  EXPECT_TRUE(sim::UnexplainedLoss(before, two, 2).empty());
  // Of two copies of one content, the lost one is the one counted.
  sim::FileMap dup = before;
  dup.erase("mnt/emmc/txt/copy of book.txt");
  EXPECT_EQ(sim::UnexplainedLoss(before, dup, 0), std::vector<std::string>{"mnt/emmc/txt/copy of book.txt"});
  EXPECT_TRUE(sim::OutsideTheOracle("mnt/emmc/Record/Record20261209_3.mp3"));
  EXPECT_TRUE(sim::OutsideTheOracle("mnt/microsd/.partial-Books/a.txt"));
  EXPECT_FALSE(sim::OutsideTheOracle("mnt/emmc/Record/Recordings of 2026.txt"));
}

}  // namespace
