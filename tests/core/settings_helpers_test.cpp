// XmlParser, the streaming loader, raw settings files and the small helpers
// of the settings store.
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/settings_file.h"
#include "core/base/util.h"
#include "core/base/xml_parser.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace dtbtest {
namespace {

class SettingsHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root/mnt/settings");
    board_ = std::make_unique<ScopedRootBoard>(dir_ / "root");
    (*board_)->mounted.insert("/mnt/settings");
  }
  std::string Real(const std::string& device) { return dir_ / ("root" + device); }
  TempDir dir_;
  std::unique_ptr<ScopedRootBoard> board_;
};

TEST_F(SettingsHelpersTest, XmlParserBuildsNestedDocuments) {
  XmlParser x;
  EXPECT_EQ(-1, x.StartElement("a"));  // no document yet
  EXPECT_EQ(-1, x.SaveToFile("/mnt/settings/r.xml"));
  ASSERT_EQ(0, x.New());
  EXPECT_EQ(-1, x.AddAttribute("k", "v"));  // nothing open
  EXPECT_EQ(-1, x.EndElement());
  EXPECT_EQ(-1, x.StartElement(nullptr));
  ASSERT_EQ(0, x.StartElement("VoiceReminders"));
  EXPECT_EQ(0, x.AddIntAttribute("NextIndex", 3));
  ASSERT_EQ(0, x.StartElement("VoiceReminder"));
  EXPECT_EQ(0, x.AddIntAttribute("Time", -5));
  EXPECT_EQ(0, x.AddAttribute("Name", "a<b & \"c\""));
  EXPECT_EQ(-1, x.AddAttribute("Name", nullptr));
  EXPECT_EQ(0, x.EndElement());
  EXPECT_EQ(0, x.EndElement());
  ASSERT_EQ(0, x.SaveToFile("/mnt/settings/r.xml"));
  EXPECT_EQ(
      "<?xml version=\"1.0\"?>\n<VoiceReminders NextIndex=\"3\"><VoiceReminder Time=\"-5\" "
      "Name=\"a&lt;b &amp; &quot;c&quot;\"/></VoiceReminders>\n",
      ReadFile(Real("/mnt/settings/r.xml")));

  ASSERT_EQ(0, x.New());  // a fresh document
  for (int i = 0; i < 16; i++) ASSERT_EQ(0, x.StartElement("e")) << i;
  EXPECT_EQ(-3, x.StartElement("e"));  // the 17th nested element
  ASSERT_EQ(0, x.SaveToFile("/mnt/settings/deep.xml"));
  EXPECT_EQ(0, ReadFile(Real("/mnt/settings/deep.xml")).find("<?xml version=\"1.0\"?>\n<e><e>"));
}

struct Events {
  std::vector<std::string> starts;
  std::vector<int> values;
  std::string text;
  int ends = 0;
};

void OnStart(void* ctx, const char* name, xml::Attrs a) {
  auto* e = static_cast<Events*>(ctx);
  e->starts.push_back(name);
  if (XmlParse_GetAttribute(a, "v")) e->values.push_back(XmlParse_GetIntAttribute(a, "v"));
  EXPECT_EQ(nullptr, XmlParse_GetAttribute(a, "missing"));
  EXPECT_EQ(-1, XmlParse_GetIntAttribute(a, "missing"));
}
void OnEnd(void* ctx, const char*) { static_cast<Events*>(ctx)->ends++; }
void OnText(void* ctx, const char* ch, int len) {
  static_cast<Events*>(ctx)->text.append(ch, static_cast<size_t>(len));
}

TEST_F(SettingsHelpersTest, StreamingLoaderReadsFilesOfAnySize) {
  std::string big = "<?xml version=\"1.0\"?>\n<list>";
  for (int i = 0; i < 5000; i++) big += "<item v=\"" + std::to_string(i) + "\">hello &amp; world</item>\n";
  big += "</list>\n";
  ASSERT_GT(big.size(), 2u * 65536);  // several chunks
  WriteFile(Real("/mnt/settings/big.xml"), big);
  Events e;
  ASSERT_EQ(0, XmlParse_Load("/mnt/settings/big.xml", &e, OnStart, OnEnd, OnText));
  ASSERT_EQ(5001u, e.starts.size());
  EXPECT_EQ("list", e.starts[0]);
  EXPECT_EQ(5000u, e.values.size());
  EXPECT_EQ(4999, e.values.back());
  EXPECT_EQ(5001, e.ends);
  EXPECT_NE(std::string::npos, e.text.find("hello & world"));

  Events none;
  EXPECT_EQ(-1, XmlParse_Load("/mnt/settings/missing.xml", &none, OnStart, OnEnd, OnText));
  WriteFile(Real("/mnt/settings/tiny.xml"), "<a></a>");
  EXPECT_EQ(-1, XmlParse_Load("/mnt/settings/tiny.xml", &none, OnStart, OnEnd, OnText));
  // Broken in the middle: what came before is delivered, then the loader stops.
  WriteFile(Real("/mnt/settings/broken.xml"), "<list><item v=\"1\"/><item v=\"2\"/><<<</list><item v=\"3\"/>");
  Events broken;
  EXPECT_EQ(0, XmlParse_Load("/mnt/settings/broken.xml", &broken, OnStart, nullptr, nullptr));
  EXPECT_EQ((std::vector<int>{1, 2}), broken.values);
}

TEST_F(SettingsHelpersTest, RawSettingsFiles) {
  const char data[] = "\x01\x02\x00\x03radio";
  EXPECT_EQ(-1, SaveSettingsFile(nullptr, data, 4));
  EXPECT_EQ(-1, SaveSettingsFile("/mnt/settings/fm.channels", data, 0));
  ASSERT_EQ(9, SaveSettingsFile("/mnt/settings/fm.channels", data, 9));
  char back[32] = {};
  EXPECT_EQ(9, LoadSettingsFile("/mnt/settings/fm.channels", back, sizeof back));
  EXPECT_EQ(0, memcmp(data, back, 9));
  EXPECT_EQ(-1, LoadSettingsFile("/mnt/settings/none.bin", back, sizeof back));
  EXPECT_EQ(-1, LoadSettingsFile("/mnt/settings/fm.channels", back, -1));
  (*board_)->mounted.clear();
  EXPECT_EQ(-1, LoadSettingsFile("/mnt/settings/fm.channels", back, sizeof back));
  EXPECT_EQ(-1, SaveSettingsFile("/mnt/settings/fm.channels", "zz", 2));
  EXPECT_EQ(std::string(data, 9), ReadFile(Real("/mnt/settings/fm.channels")));
}

TEST_F(SettingsHelpersTest, LastSavedCopy) {
  struct Values {
    int volume;
    bool resume;
    bool operator==(const Values& o) const { return volume == o.volume && resume == o.resume; }
  };
  LastSaved<Values> last;
  Values v{3, true};
  EXPECT_TRUE(last.Differs(v));  // nothing saved yet
  last.Keep(v);
  EXPECT_FALSE(last.Differs(v));
  v.resume = false;
  EXPECT_TRUE(last.Differs(v));
}

TEST_F(SettingsHelpersTest, DestroyFileZeroesInPlace) {
  std::string packet(200000, 'x');
  WriteFile(Real("/mnt/emmc/q7upgrade.sh"), packet);
  ASSERT_EQ(0, DestroyFile("/mnt/emmc/q7upgrade.sh"));
  EXPECT_EQ(std::string(200000, '\0'), ReadFile(Real("/mnt/emmc/q7upgrade.sh")));
  EXPECT_EQ(-1, DestroyFile("/mnt/emmc/none"));
  EXPECT_EQ(-1, DestroyFile(nullptr));
}

TEST(SettingsUtil, FileNames) {
  EXPECT_STREQ("mp3", GetExtName("/a/b.c/song.mp3"));
  EXPECT_STREQ("", GetExtName("trailing."));
  EXPECT_EQ(nullptr, GetExtName("README"));
  EXPECT_EQ(nullptr, GetExtName(static_cast<const char*>(nullptr)));
  char path[] = "/mnt/emmc/book.txt";
  char* ext = GetExtName(path);
  ASSERT_NE(nullptr, ext);
  EXPECT_EQ(path + 15, ext);
  EXPECT_STREQ("song.mp3", GetFilenameFromFullname("/mnt/emmc/song.mp3"));
  EXPECT_EQ(nullptr, GetFilenameFromFullname("/mnt/emmc/"));
  EXPECT_EQ(nullptr, GetFilenameFromFullname("song.mp3"));
  EXPECT_EQ(nullptr, GetFilenameFromFullname(static_cast<const char*>(nullptr)));
}

TEST(SettingsUtil, Utf8ToUtf16) {
  uint16_t out[16];
  int used = 0;
  // ASCII, Polish (two bytes), CJK (three bytes), then a character outside the basic plane.
  EXPECT_EQ(6, Utf8ToUtf16le("a\xC5\x82\xE4\xB8\xAD\xF0\x9F\x98\x80z", &used, out, 16));
  EXPECT_EQ((std::vector<uint16_t>{'a', 0x142, 0x4E2D, 0xD83D, 0xDE00, 'z', 0}), std::vector<uint16_t>(out, out + 7));
  EXPECT_EQ(11, used);
  // The capacity keeps one unit for the terminator.
  EXPECT_EQ(2, Utf8ToUtf16le("abc", &used, out, 3));
  EXPECT_EQ(0, out[2]);
  EXPECT_EQ(2, used);
  // A pair that does not fit is not split.
  EXPECT_EQ(1, Utf8ToUtf16le("a\xF0\x9F\x98\x80", &used, out, 3));
  EXPECT_EQ(1, used);
  // A sequence cut off by the end of the text stops there, reading nothing beyond.
  EXPECT_EQ(1, Utf8ToUtf16le("a\xE4\xB8", &used, out, 16));
  EXPECT_EQ(1, used);
  EXPECT_EQ(0, Utf8ToUtf16le("", nullptr, out, 16));
  EXPECT_EQ(-1, Utf8ToUtf16le(nullptr, &used, out, 16));
  EXPECT_EQ(-1, Utf8ToUtf16le("a", &used, nullptr, 16));
  EXPECT_EQ(-1, Utf8ToUtf16le("a", &used, out, 1));
}

TEST(SettingsUtil, Crc32) {
  EXPECT_EQ(0xCBF43926u, calculate_crc32("123456789", 9, 0xEDB88320u));
  EXPECT_EQ(0u, calculate_crc32("", 0, 0xEDB88320u));
  EXPECT_EQ(0xE3069283u, calculate_crc32("123456789", 9, 0x82F63B78u));  // CRC-32C
}

}  // namespace
}  // namespace dtbtest
