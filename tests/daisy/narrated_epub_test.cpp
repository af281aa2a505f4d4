// Narrated EPUB books as one DAISY model: the overlay reader on small
// overlays written here, the whole model on the books the fixture script
// makes from the corpus (and on its damaged copies).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "daisy/daisy.h"
#include "daisy/narrated_archive.h"
#include "daisy/overlay.h"
#include "tests/daisy/narrated_fixture.h"

namespace libDaisy {
namespace {

int ReadOverlay(OverlayReader& r, const std::string& xml, const std::string& member = "OEBPS/smil/a.smil") {
  return r.Read(xml.data(), xml.size(), member);
}

TEST(NarratedOverlay, ClockFormsTextrefsNestingAndRefusedLinks) {
  OverlayReader r;
  const std::string xml =
      "<smil xmlns='http://www.w3.org/ns/SMIL' xmlns:epub='http://www.idpf.org/2007/ops' version='3.0'>"
      "<body epub:textref='../t/a.xhtml'><seq epub:textref='../t/a.xhtml#s1'>"
      "<par><text src='../t/a.xhtml#p1'/><audio src='../au/a.mp3' clipBegin='0:01:02.5' clipEnd='01:03.25'/></par>"
      "<par><text src='../t/a.xhtml#p2'/><audio src='../au/a.mp3' clipBegin='63.25s' clipEnd='64500ms'/></par>"
      "<seq epub:type='footnote'><par><text src='../t/a.xhtml#n1'/>"
      "<audio src='../AU/A.MP3' clipBegin='1.1min' clipEnd='0.02h'/></par></seq>"
      "<par><text src='../../../etc/passwd#x'/><audio src='../../../x.mp3' clipBegin='npt=70'/></par>"
      "</seq></body></smil>";
  ASSERT_EQ(0, ReadOverlay(r, xml));
  std::string dump;
  r.Dump(dump);
  EXPECT_EQ(
      "0 seq 3 OEBPS/t/a.xhtml#s1 -1 -1\n"
      "1 par 4 -# -1 -1\n"
      "2 text 5 OEBPS/t/a.xhtml#p1 -1 -1\n"
      "3 audio 5 OEBPS/au/a.mp3# 62500 63250\n"
      "4 par 4 -# -1 -1\n"
      "5 text 5 OEBPS/t/a.xhtml#p2 -1 -1\n"
      "6 audio 5 OEBPS/au/a.mp3# 63250 64500\n"
      "7 seq 4 -# -1 -1 quiet\n"
      "8 par 5 -# -1 -1 quiet\n"
      "9 text 6 OEBPS/t/a.xhtml#n1 -1 -1 quiet\n"
      "10 audio 6 OEBPS/au/a.mp3# 66000 72000 quiet\n"
      "11 par 4 -# -1 -1\n",
      dump);
  ASSERT_EQ(2u, r.Refused().size());
  EXPECT_EQ(1, r.AudioNames().GetCnt());  // names are one regardless of case
}

TEST(NarratedOverlay, CutOverlayKeepsWhatCameBefore) {
  OverlayReader r;
  const std::string xml =
      "<smil><body><par><text src='a.xhtml#p1'/><audio src='a.mp3' clipBegin='0s' clipEnd='1s'/></par>"
      "<par><text src='a.xhtml#p2'/><aud";
  EXPECT_EQ(-3, ReadOverlay(r, xml, "a.smil"));
  EXPECT_EQ(5, r.Count());
  EXPECT_EQ(kObjectText, r.Element(4).kind);
}

TEST(NarratedArchive, LinksResolveInsideTheArchiveOnly) {
  std::string m;
  EXPECT_TRUE(ResolveMember("OEBPS/smil/c.smil", "../audio/c%201.mp3", &m));
  EXPECT_EQ("OEBPS/audio/c 1.mp3", m);
  EXPECT_TRUE(ResolveMember("c.smil", "./a/../b.xhtml", &m));
  EXPECT_EQ("b.xhtml", m);
  for (const char* bad : {"../../etc/passwd", "../../../x", "/etc/passwd", "http://x/a.mp3", "..%2F..%2Fx"})
    EXPECT_FALSE(ResolveMember("OEBPS/c.smil", bad, &m)) << bad;
}

struct Book {
  Daisy d;
  const _DaisyObject* objects = nullptr;
  int count = 0;
  int Open(const std::string& path) {
    int rc = d.Open(path.c_str(), 0);
    d.GetObjects(&objects, &count);
    return rc;
  }
  // The first text piece that object (a par: its text) reads.
  std::string TextAt(int object) const {
    if (object >= 0 && object < count && objects[object].kind == kObjectPar) ++object;
    if (object < 0 || object >= count || objects[object].kind != kObjectText) return "?";
    const char* t = nullptr;
    d.GetXhtmlText(objects[object].file, objects[object].start, &t);
    return t ? t : "";
  }
  bool Warned(const std::string& what) const {
    for (int i = 0; i < d.GetTotalWarnings(); ++i)
      if (d.GetWarning(i)->what.find(what) != std::string::npos) return true;
    return false;
  }
};

TEST(NarratedEpub, ModelOfTheFixtureBook) {
  DTB_REQUIRE_NARRATED(dir);
  Book b;
  ASSERT_EQ(0, b.Open(dir + "/narrated.epub"));
  EXPECT_EQ(kDaisyEpub, b.d.GetType());
  EXPECT_STREQ("Latarnik", b.d.GetTitle());
  EXPECT_STREQ("Henryk Sienkiewicz", b.d.GetMetaList()->CaseGet("dc:creator"));
  ASSERT_NE(nullptr, b.d.GetMetaList()->CaseGet("media:duration"));
  EXPECT_EQ(0, b.d.GetTotalWarnings());

  // Headings: the toc's nesting gives the levels, each lands on its own text.
  const int *hObjects, *levels;
  const StringArray* labels;
  int headings;
  ASSERT_EQ(0, b.d.GetHeadings(&hObjects, &levels, &labels, &headings));
  ASSERT_EQ(9, headings);
  for (int h = 0; h < headings; ++h) {
    EXPECT_EQ(h % 3 == 0 ? 1 : 2, levels[h]) << h;
    EXPECT_EQ(labels->Get(h), b.TextAt(hObjects[h])) << h;
  }
  // Pages break before chapter 1, its second section, chapter 2 and the
  // second section of chapter 3 (which has no overlay).
  const int* pObjects;
  const StringArray* pageLabels;
  int pages;
  ASSERT_EQ(0, b.d.GetPages(&pObjects, &pageLabels, &pages));
  ASSERT_EQ(4, pages);
  const int headingOfPage[] = {0, 2, 3, 8};
  for (int p = 0; p < pages; ++p) {
    EXPECT_EQ(std::to_string(p + 1), pageLabels->Get(p));
    EXPECT_EQ(hObjects[headingOfPage[p]], pObjects[p]) << p;
  }

  // One par per phrase with its text and a clip of the chapter's MP3 or M4A;
  // chapter 3 is text only.
  const char* audio0;
  const char* audio1;
  ASSERT_EQ(2, b.d.GetTotalAudioFiles());
  b.d.GetAudioFilename(0, &audio0);
  b.d.GetAudioFilename(1, &audio1);
  EXPECT_STREQ("OEBPS/audio/ch1.mp3", audio0);
  EXPECT_STREQ("OEBPS/audio/ch2.m4a", audio1);
  int pars[2] = {0, 0}, quiet = 0, lastEnd[2] = {0, 0};
  long long total = 0;
  for (int i = 0; i < b.count; ++i) {
    const _DaisyObject& o = b.objects[i];
    if (o.kind == kObjectPar) {
      ASSERT_EQ(kObjectText, b.objects[i + 1].kind);
      ASSERT_EQ(kObjectAudio, b.objects[i + 2].kind);
      ++pars[b.objects[i + 2].file];
    }
    if (o.kind == kObjectAudio) {
      EXPECT_GE(o.start, lastEnd[o.file]) << i;
      EXPECT_GT(o.end, o.start) << i;
      lastEnd[o.file] = o.end;
      total += o.end - o.start;
      quiet += b.d.IsQuietObject(i);
    }
    if (o.kind == kObjectText && b.d.IsQuietXhtmlText(o.file, o.start)) {
      EXPECT_TRUE(b.d.IsQuietObject(i + 1));
    }
  }
  EXPECT_EQ(10, pars[0]);  // heading, two sections of three, the note
  EXPECT_EQ(8, pars[1]);
  EXPECT_EQ(1, quiet);
  EXPECT_EQ(total, b.d.GetTotalAudioMs());
  EXPECT_EQ(kObjectText, b.objects[b.count - 1].kind);
  EXPECT_EQ(2, b.objects[b.count - 1].file);
}

TEST(NarratedEpub, PageBreaksGiveThePagesWithoutAPageList) {
  DTB_REQUIRE_NARRATED(dir);
  Book listed, broken;
  ASSERT_EQ(0, listed.Open(dir + "/narrated.epub"));
  ASSERT_EQ(0, broken.Open(dir + "/no-page-list.epub"));
  const int *want, *got;
  const StringArray *wantLabels, *gotLabels;
  int wantCount, gotCount;
  ASSERT_EQ(0, listed.d.GetPages(&want, &wantLabels, &wantCount));
  ASSERT_EQ(0, broken.d.GetPages(&got, &gotLabels, &gotCount));
  ASSERT_EQ(4, gotCount);
  ASSERT_EQ(wantCount, gotCount);
  for (int p = 0; p < gotCount; ++p) {
    EXPECT_EQ(want[p], got[p]) << p;
    EXPECT_STREQ(wantLabels->Get(p), gotLabels->Get(p)) << p;
  }
}

TEST(NarratedEpub, DamagedCopiesOpenWithWarnings) {
  DTB_REQUIRE_NARRATED(dir);
  Book missing;
  ASSERT_EQ(0, missing.Open(dir + "/missing-audio.epub"));
  EXPECT_TRUE(missing.Warned("audio file missing"));

  Book past;
  ASSERT_EQ(0, past.Open(dir + "/clip-past-end.epub"));

  // The first half of chapter 1 keeps its narration; the rest of its text
  // follows as text, and chapter 2 still plays.
  Book cut;
  ASSERT_EQ(0, cut.Open(dir + "/cut-smil.epub"));
  EXPECT_TRUE(cut.Warned("read in part"));
  int firstAudioOfCh2 = -1, textAfterCut = -1;
  for (int i = 0; i < cut.count; ++i) {
    const _DaisyObject& o = cut.objects[i];
    if (o.kind == kObjectText && o.file == 0 && o.depth == 3 && textAfterCut < 0) textAfterCut = i;
    if (o.kind == kObjectAudio && o.file == 1 && firstAudioOfCh2 < 0) firstAudioOfCh2 = i;
  }
  ASSERT_GT(textAfterCut, 0);
  EXPECT_LT(textAfterCut, firstAudioOfCh2);
  EXPECT_EQ(cut.TextAt(textAfterCut - 2).empty(), false);

  // Links out of the archive are left out, never followed.
  Book outside;
  ASSERT_EQ(0, outside.Open(dir + "/outside.epub"));
  EXPECT_TRUE(outside.Warned("leads outside the book"));
  EXPECT_TRUE(outside.Warned("media overlay outside the book"));
  for (int i = 0; i < outside.d.GetTotalAudioFiles(); ++i) {
    const char* name;
    outside.d.GetAudioFilename(i, &name);
    EXPECT_EQ(std::string::npos, std::string(name).find("passwd"));
  }
  int texts = 0;
  for (int i = 0; i < outside.count; ++i) texts += outside.objects[i].kind == kObjectText && outside.objects[i].file == 1;
  EXPECT_GT(texts, 0);  // chapter 2 read as text
}

}  // namespace
}  // namespace libDaisy
