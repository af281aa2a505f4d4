// Each reader against a small file of our own with a dump written by hand,
// and against broken copies of it: cut short, wrongly nested, in another
// encoding than it declares, and absent.
#include <cstring>
#include <string>

#include "daisy/ncc.h"
#include "daisy/ncx.h"
#include "daisy/opf.h"
#include "daisy/smil.h"
#include "daisy/xhtml.h"
#include "tests/support/test_support.h"

namespace libDaisy {
namespace {

using dtbtest::DataPath;
using dtbtest::ReadFile;

std::string Data(const std::string& rel) { return DataPath("daisy/" + rel); }

template <class R>
std::string DumpOf(const R& reader) {
  std::string out;
  reader.Dump(out);
  return out;
}

TEST(NccReader, ReadsTitleMetaAndLinkedEntries) {
  Ncc ncc;
  ASSERT_EQ(0, ncc.Open(Data("ncc/basic.html").c_str()));
  EXPECT_EQ(ReadFile(Data("ncc/basic.expected")), DumpOf(ncc));
  EXPECT_STREQ("a.smil#p1", ncc.GetHeaderHref(1));
  EXPECT_EQ(nullptr, ncc.GetHeaderHref(5));
  const StringArray *names, *classes, *hrefs, *texts;
  ASSERT_EQ(0, ncc.GetHeaderDatas(&names, &classes, &hrefs, &texts));
  EXPECT_EQ(5, texts->GetCnt());
  EXPECT_EQ(-1, ncc.GetHeaderDatas(&names, &classes, &hrefs, nullptr));
  ncc.Close();
  EXPECT_EQ(nullptr, ncc.GetTitle());
  EXPECT_EQ(nullptr, ncc.GetHeaderHref(0));
}

TEST(NccReader, BrokenFilesFailWithMalformed) {
  Ncc ncc;
  for (const char* name : {"truncated.html", "nesting.html", "badenc.html", "absent.html"}) {
    EXPECT_EQ(-3, ncc.Open(Data(std::string("ncc/") + name).c_str())) << name;
  }
  EXPECT_EQ(-1, ncc.Open(nullptr));
  ncc.Open(Data("ncc/badenc.html").c_str());
  EXPECT_TRUE(ncc.GetParseInfo().badEncoding);
  ncc.Open(Data("ncc/nesting.html").c_str());
  EXPECT_FALSE(ncc.GetParseInfo().badEncoding);
  EXPECT_GT(ncc.GetParseInfo().line, 0);
}

TEST(NccReader, LenientReadingRecoversWhatTheFileHolds) {
  Ncc ncc;
  ASSERT_EQ(0, ncc.OpenLenient(Data("ncc/nesting.html").c_str()));
  EXPECT_TRUE(ncc.WasRepaired());
  EXPECT_STREQ("Zażółć gęślą jaźń", ncc.GetTitle());
  ASSERT_STREQ("a.smil#t1", ncc.GetHeaderHref(0));
  EXPECT_STREQ("c.smil#x", ncc.GetHeaderHref(3));

  // Cut inside the fourth entry: the three before it are whole.
  ASSERT_EQ(0, ncc.OpenLenient(Data("ncc/truncated.html").c_str()));
  EXPECT_STREQ("a.smil#p1", ncc.GetHeaderHref(1));
  EXPECT_STREQ("b.smil#t2", ncc.GetHeaderHref(2));

  // Windows-1250 bytes under a UTF-8 declaration are read as what they are.
  ASSERT_EQ(0, ncc.OpenLenient(Data("ncc/badenc.html").c_str()));
  EXPECT_EQ("windows-1250", ncc.GetRepairEncoding());
  EXPECT_STREQ("Zażółć gęślą jaźń", ncc.GetTitle());

  ASSERT_EQ(0, ncc.OpenLenient(Data("ncc/basic.html").c_str()));
  EXPECT_FALSE(ncc.WasRepaired());
  EXPECT_EQ(-3, ncc.OpenLenient(Data("ncc/absent.html").c_str()));
}

TEST(NccReader, TitleOnlyStopsAtTheBody) {
  Ncc ncc;
  ASSERT_EQ(0, ncc.Open(Data("ncc/basic.html").c_str(), XmlReadOptions(), 0));
  EXPECT_STREQ("Zażółć gęślą jaźń", ncc.GetTitle());
  EXPECT_EQ(nullptr, ncc.GetHeaderHref(0));
  ASSERT_EQ(0, ncc.Open(Data("ncc/basic.html").c_str(), XmlReadOptions(), 1));
  EXPECT_STREQ("a.smil#t1", ncc.GetHeaderHref(0));
  EXPECT_EQ(nullptr, ncc.GetHeaderHref(1));
}

TEST(SmilReader, ReadsDaisy202Elements) {
  Smil smil;
  ASSERT_EQ(0, smil.Open(Data("smil/basic.smil").c_str(), false, true));
  EXPECT_EQ(ReadFile(Data("smil/basic.expected")), DumpOf(smil));
  EXPECT_STREQ("a1", smil.GetElementId(3));
  EXPECT_EQ(nullptr, smil.GetElementId(0));
  EXPECT_EQ(nullptr, smil.GetElementId(10));
}

TEST(SmilReader, ReadsDaisy3AttributeNames) {
  Smil smil;
  ASSERT_EQ(0, smil.Open(Data("smil/daisy3.smil").c_str(), true, true));
  EXPECT_EQ(ReadFile(Data("smil/daisy3.expected")), DumpOf(smil));
}

TEST(SmilReader, AppendsFilesAndFindsIdsInARange) {
  Smil smil;
  ASSERT_EQ(0, smil.Open(Data("smil/basic.smil").c_str(), false, true));
  ASSERT_EQ(0, smil.Open(Data("smil/daisy3.smil").c_str(), true, false));
  ASSERT_EQ(0, smil.Open(Data("smil/basic.smil").c_str(), false, false));
  EXPECT_EQ(26, smil.GetTotalElements());
  EXPECT_EQ(3, smil.GetAudioFilenames()->GetCnt());  // a.mp3, b.mp3, one.mp3
  EXPECT_EQ(3, smil.GetTextFilenames()->GetCnt());
  EXPECT_EQ(kObjectAudio, smil.GetElement(13)->kind);
  EXPECT_EQ(2, smil.GetElement(13)->file);
  // "p1" is in the first and the third file; the search stays in its range
  // and wraps around inside it.
  EXPECT_EQ(1, smil.FindElementById("P1", 2, 0, 10, 0));
  EXPECT_EQ(17, smil.FindElementById("p1", 2, 16, 26, 16));
  EXPECT_EQ(17, smil.FindElementById("p1", 2, 16, 26, 20));
  EXPECT_EQ(-1, smil.FindElementById("p1", 2, 10, 16, 10));
  EXPECT_EQ(10, smil.FindElementById("s", 1, 10, 16, 12));
  smil.Open(Data("smil/basic.smil").c_str(), false, true);
  EXPECT_EQ(10, smil.GetTotalElements());
}

TEST(SmilReader, BrokenFilesFailAndKeepWhatCameBefore) {
  Smil smil;
  EXPECT_EQ(-3, smil.Open(Data("smil/truncated.smil").c_str(), false, true));
  EXPECT_EQ(8, smil.GetTotalElements());
  EXPECT_EQ(-3, smil.Open(Data("smil/nesting.smil").c_str(), false, true));
  EXPECT_EQ(-3, smil.Open(Data("smil/absent.smil").c_str(), false, true));
  EXPECT_EQ(0, smil.GetTotalElements());
  EXPECT_EQ(-1, smil.Open(nullptr, false, true));

  EXPECT_EQ(-3, smil.Open(Data("smil/badenc.smil").c_str(), false, true));
  EXPECT_TRUE(smil.GetParseInfo().badEncoding);
  // Read again in the right encoding after dropping the failed attempt.
  Smil::Mark mark = smil.GetMark();
  smil.Rollback({0, 0, 0, 0, 0});
  XmlReadOptions cp1252;
  cp1252.encoding = "windows-1252";
  ASSERT_EQ(0, smil.Open(Data("smil/badenc.smil").c_str(), false, false, cp1252));
  EXPECT_EQ(ReadFile(Data("smil/basic.expected")), DumpOf(smil));
  (void)mark;
}

TEST(OpfReader, ReadsMetadataManifestAndSpine) {
  Opf opf;
  ASSERT_EQ(0, opf.Open(Data("opf/basic.opf").c_str()));
  EXPECT_EQ(ReadFile(Data("opf/basic.expected")), DumpOf(opf));
  StringArray smil;
  ASSERT_EQ(0, opf.GetSmilFilenames(&smil));
  ASSERT_EQ(2, smil.GetCnt());  // the idref missing from the manifest is skipped
  EXPECT_STREQ("two.smil", smil.Get(0));
  EXPECT_STREQ("one.smil", smil.Get(1));
  EXPECT_EQ(-1, opf.GetSmilFilenames(nullptr));
}

TEST(OpfReader, FindsDublinCoreWithoutWrapperAndNcxByType) {
  const char* text =
      "<package><metadata><dc:title xmlns:dc='http://purl.org/dc/elements/1.1/'>Plain</dc:title>"
      "<meta name='dtb:totalTime' content='1:00'/></metadata>"
      "<manifest><item id='nav' href='n.ncx' media-type='Application/X-DTBNCX+XML'/></manifest>"
      "</package>";
  Opf opf;
  ASSERT_EQ(0, opf.OpenMemory(text, strlen(text), XmlReadOptions()));
  EXPECT_STREQ("Plain", opf.GetTitle());
  EXPECT_STREQ("1:00", opf.GetMeta()->Get("dtb:totalTime"));
  EXPECT_STREQ("n.ncx", opf.GetNcxFilename());
  StringArray smil;
  EXPECT_EQ(0, opf.GetSmilFilenames(&smil));
  EXPECT_EQ(0, smil.GetCnt());
}

TEST(OpfReader, BrokenFilesFailWithMalformed) {
  Opf opf;
  for (const char* name : {"truncated.opf", "nesting.opf", "badenc.opf", "absent.opf"})
    EXPECT_EQ(-3, opf.Open(Data(std::string("opf/") + name).c_str())) << name;
  opf.Open(Data("opf/badenc.opf").c_str());
  EXPECT_TRUE(opf.GetParseInfo().badEncoding);
  StringArray smil;
  opf.Close();
  EXPECT_EQ(-1, opf.GetSmilFilenames(&smil));
  EXPECT_EQ(nullptr, opf.GetNcxFilename());
}

TEST(NcxReader, ReadsNestedPointsAndPageLists) {
  Ncx ncx;
  ASSERT_EQ(0, ncx.Open(Data("ncx/basic.ncx").c_str()));
  EXPECT_EQ(ReadFile(Data("ncx/basic.expected")), DumpOf(ncx));
  const char *label, *target;
  int level;
  EXPECT_EQ(-1, ncx.GetNavMap()->Get(5, &label, &target, &level));
}

TEST(NcxReader, PageListWinsWhenItHasEntries) {
  const char* text =
      "<ncx><navMap/><pageList><pageTarget><navLabel><text>7</text></navLabel>"
      "<content src='a.smil#x'/></pageTarget><pageTarget><navLabel><text>8</text></navLabel>"
      "</pageTarget></pageList><navList class='pages'><navTarget><navLabel><text>1</text>"
      "</navLabel><content src='a.smil#y'/></navTarget></navList></ncx>";
  Ncx ncx;
  ASSERT_EQ(0, ncx.OpenMemory(text, strlen(text), XmlReadOptions()));
  ASSERT_EQ(1, ncx.GetPageList()->GetCnt());  // the target without content is left out
  const char *label, *target;
  ncx.GetPageList()->Get(0, &label, &target);
  EXPECT_STREQ("7", label);
  EXPECT_STREQ("a.smil#x", target);
  EXPECT_EQ(0, ncx.GetNavMap()->GetCnt());
}

TEST(NcxReader, BrokenFilesFailWithMalformed) {
  Ncx ncx;
  for (const char* name : {"truncated.ncx", "nesting.ncx", "badenc.ncx", "absent.ncx"})
    EXPECT_EQ(-3, ncx.Open(Data(std::string("ncx/") + name).c_str())) << name;
  ncx.Open(Data("ncx/badenc.ncx").c_str());
  EXPECT_TRUE(ncx.GetParseInfo().badEncoding);
  EXPECT_EQ(0, ncx.GetPageList()->GetCnt());
}

TEST(XhtmlReader, CutsTextIntoPiecesAndIdRanges) {
  Xhtml doc;
  ASSERT_EQ(0, doc.Open(Data("xhtml/basic.html").c_str()));
  EXPECT_EQ(ReadFile(Data("xhtml/basic.expected")), DumpOf(doc));
  EXPECT_EQ(2, doc.FindId("p2", 0));
  EXPECT_EQ(-1, doc.FindId("p3", 0));
  const char* text;
  EXPECT_EQ(-1, doc.GetText(9, &text));
  EXPECT_EQ(-1, doc.GetIdInfo(5, &text, nullptr, nullptr));
}

TEST(XhtmlReader, IdsThatDifferOnlyInCaseAreTold) {
  const std::string text = "<div><p id='A'>up</p><p id='a'>low</p><p id='B'>b</p></div>";
  Xhtml doc;
  ASSERT_EQ(0, doc.OpenMemory(text.data(), text.size(), XmlReadOptions()));
  EXPECT_EQ(1, doc.FindId("a", 0));
  EXPECT_EQ(0, doc.FindId("A", 1));
  EXPECT_EQ(2, doc.FindId("b", 0));  // only written in another case
}

TEST(XhtmlReader, HtmlParserReadsTagSoupInItsDeclaredCharset) {
  Xhtml doc;
  EXPECT_EQ(-3, doc.Open(Data("xhtml/page.html").c_str()));
  ASSERT_EQ(0, doc.OpenHtml(Data("xhtml/page.html").c_str()));
  EXPECT_EQ(ReadFile(Data("xhtml/page.expected")), DumpOf(doc));
}

TEST(XhtmlReader, TextSplitAcrossChunksStaysOnePiece) {
  // One long run of text with entities, far longer than a 2048-byte chunk.
  std::string text = "<p id='x'>";
  for (int i = 0; i < 800; i++) text += "word &amp; ";
  text += "end</p>";
  Xhtml doc;
  ASSERT_EQ(0, doc.OpenMemory(text.data(), text.size(), XmlReadOptions()));
  ASSERT_EQ(1, doc.GetTotalTexts());
  const char* piece;
  doc.GetText(0, &piece);
  EXPECT_EQ(800u * 7 + 3, strlen(piece));
}

TEST(XhtmlReader, BrokenFilesFailButKeepTheirRanges) {
  Xhtml doc;
  EXPECT_EQ(-3, doc.Open(Data("xhtml/truncated.html").c_str()));
  // Cut inside the outer div: the ids still open run to the last piece read.
  EXPECT_EQ(4, doc.GetTotalTexts());
  const char* id;
  int first, end;
  ASSERT_EQ(0, doc.GetIdInfo(0, &id, &first, &end));
  EXPECT_STREQ("d1", id);
  EXPECT_EQ(1, first);
  EXPECT_EQ(4, end);
  EXPECT_EQ(-3, doc.Open(Data("xhtml/nesting.html").c_str()));
  EXPECT_EQ(-3, doc.Open(Data("xhtml/badenc.html").c_str()));
  EXPECT_TRUE(doc.GetParseInfo().badEncoding);
  EXPECT_EQ(-3, doc.Open(Data("xhtml/absent.html").c_str()));
  EXPECT_EQ(-1, doc.Open(nullptr));
}

TEST(XhtmlReader, TooManyNestedIdsIsAnError) {
  std::string text;
  for (int i = 0; i <= Xhtml::kMaxOpenIds; i++) text += "<div id='d" + std::to_string(i) + "'>x";
  for (int i = 0; i <= Xhtml::kMaxOpenIds; i++) text += "</div>";
  Xhtml doc;
  EXPECT_EQ(-2, doc.OpenMemory(text.data(), text.size(), XmlReadOptions()));
  // One level fewer is fine.
  text = text.substr(text.find("x") + 1);
  text = text.substr(0, text.size() - 6);
  EXPECT_EQ(0, doc.OpenMemory(text.data(), text.size(), XmlReadOptions()));
  EXPECT_EQ(Xhtml::kMaxOpenIds, doc.GetTotalIds());
}

}  // namespace
}  // namespace libDaisy
