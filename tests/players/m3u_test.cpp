#include "players/m3u.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio_files.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::string> Parse(const std::string& bytes, const std::string& folder) {
  std::vector<std::string> out;
  ParsePlayListText(DecodePlayListText(bytes.data(), bytes.size()), folder, &out);
  return out;
}

std::string Utf16(const std::u16string& s, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : s) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

TEST(M3u, PathRulesForDriveLettersAbsoluteAndRelativeLines) {
  auto e = Parse("E:\\music\\a.mp3\r\n/music/b.mp3\r\nc.mp3\r\nsub\\d.mp3\n", "/mnt/emmc/music/");
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0], "/mnt/emmc/music/a.mp3");
  EXPECT_EQ(e[1], "/mnt/emmc/music/b.mp3");
  EXPECT_EQ(e[2], "/mnt/emmc/music/c.mp3");
  EXPECT_EQ(e[3], "/mnt/emmc/music/sub/d.mp3");
  // On the card the root is the card's.
  e = Parse("D:/x.mp3\n/y.mp3\n", "/mnt/microsd/lists/deep/");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], "/mnt/microsd/x.mp3");
  EXPECT_EQ(e[1], "/mnt/microsd/y.mp3");
  EXPECT_EQ(PlayListDiskRoot("/mnt/emmc/music/"), "/mnt/emmc/");
  EXPECT_EQ(PlayListDiskRoot("/mnt/"), "/mnt/");
}

TEST(M3u, CommentsBlankLinesAndLineEndingsAreSkipped) {
  auto e = Parse("#EXTM3U\n\n#EXTINF:60,Song #2\r\r\nsong2.mp3  \n\n# last\n", "/mnt/emmc/m/");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "/mnt/emmc/m/song2.mp3");
  EXPECT_TRUE(Parse("", "/mnt/emmc/").empty());
  EXPECT_TRUE(Parse("#EXTM3U", "/mnt/emmc/").empty());
}

TEST(M3u, Utf16ListsInBothByteOrdersWithLeadingComment) {
  const std::u16string text = u"#EXTM3U\r\n#EXTINF:12,Za\u017C\u00F3\u0142\u0107\r\nZa\u017C\u00F3\u0142\u0107 \u0119.mp3\r\nE:\\x\\\u4E2D.mp3\r\n";
  for (bool be : {false, true}) {
    auto e = Parse(Utf16(text, be), "/mnt/emmc/music/");
    ASSERT_EQ(e.size(), 2u) << (be ? "BE" : "LE");
    EXPECT_EQ(e[0], "/mnt/emmc/music/Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xC4\x99.mp3");
    EXPECT_EQ(e[1], "/mnt/emmc/x/\xE4\xB8\xAD.mp3");
  }
  // A character outside the BMP arrives as a surrogate pair and must come out
  // as one four-byte character, or the file would never be found.
  auto e = Parse(Utf16(u"\U0001F3B5.mp3\n", false), "/mnt/emmc/");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "/mnt/emmc/\xF0\x9F\x8E\xB5.mp3");
  // An odd trailing byte and a lone surrogate are dropped, not fatal.
  std::string odd = Utf16(u"a.mp3\n\xD800" u"b.mp3", false) + "x";
  e = Parse(odd, "/mnt/emmc/");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], "/mnt/emmc/a.mp3");
  EXPECT_EQ(e[1], "/mnt/emmc/b.mp3");
}

TEST(M3u, Cp1250AndUtf8Texts) {
  // "żółw.mp3" in CP1250: bf f3 b3 77.
  auto e = Parse("\xBF\xF3\xB3w.mp3\n", "/mnt/emmc/");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "/mnt/emmc/\xC5\xBC\xC3\xB3\xC5\x82w.mp3");
  // The same name in UTF-8 with and without the byte-order mark.
  for (std::string bom : {std::string("\xEF\xBB\xBF"), std::string()}) {
    e = Parse(bom + "\xC5\xBC\xC3\xB3\xC5\x82w.mp3\n", "/mnt/emmc/");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0], "/mnt/emmc/\xC5\xBC\xC3\xB3\xC5\x82w.mp3");
  }
}

TEST(M3u, OverlongEntriesAndEmbeddedNulsAreDropped) {
  std::string longName(9300, 'a');
  std::string bytes = longName + ".mp3\nok.mp3\n";
  bytes += std::string("bad\0name.mp3\n", 13);
  auto e = Parse(bytes, "/mnt/emmc/");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "/mnt/emmc/ok.mp3");
}

TEST(M3u, LoadsFilesAndReportsMissingOnes) {
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "list.m3u", "#EXTM3U\none.mp3\n/abs.mp3\n");
  std::vector<std::string> e;
  ASSERT_EQ(LoadM3uFile((dir / "list.m3u").c_str(), &e), 0);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], dir / "one.mp3");
  EXPECT_EQ(e[1], PlayListDiskRoot(dir.path() + "/") + "abs.mp3");
  EXPECT_EQ(LoadM3uFile((dir / "none.m3u").c_str(), &e), -2);
  EXPECT_TRUE(e.empty());
  EXPECT_EQ(LoadM3uFile(nullptr, &e), -1);
}

TEST(M3u, CorpusListsResolveBesideTheList) {
  DTB_REQUIRE_CORPUS(folder, "playlists/mopidy");
  std::vector<std::string> e;
  ASSERT_EQ(LoadM3uFile((folder + "/two-ext.m3u").c_str(), &e), 0);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0], folder + "/song1.mp3");
  EXPECT_EQ(e[1], folder + "/song2.mp3");
  ASSERT_EQ(LoadM3uFile((folder + "/comment.m3u").c_str(), &e), 0);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], folder + "/song1.mp3");
}

TEST(AudioFiles, ExtensionsAndPlayLists) {
  for (const char* ext : {"mp3", "MP3", "Flac", "m4a", "wma", "mkv", "dat", "ogg"})
    EXPECT_EQ(CheckIsAudioFile_FromExtName(ext), 1) << ext;
  for (const char* ext : {"txt", "m3u", "", "mp", "opus"})
    EXPECT_EQ(CheckIsAudioFile_FromExtName(ext), 0) << ext;
  EXPECT_EQ(CheckIsAudioFile_FromExtName(nullptr), 0);
  EXPECT_EQ(CheckIsAudioPlayList("M3U"), 1);
  EXPECT_EQ(CheckIsAudioPlayList("m3u8"), 1);
  EXPECT_EQ(CheckIsAudioPlayList("pls"), 0);
  EXPECT_EQ(IsPlayListName("a/b.M3U"), 1);
  EXPECT_EQ(IsPlayListName("a.m3u/b"), 0);
  EXPECT_EQ(IsPlayListName("list"), 0);
}

}  // namespace
