// The checks the random-key run and the power-cut harness make on the
// settings and list files: a false alarm stops a CI run, a miss hides lost
// bookmarks.
#include <gtest/gtest.h>

#include <string>

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
