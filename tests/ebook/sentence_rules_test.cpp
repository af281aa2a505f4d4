// Sentence ends at abbreviations, initials and ordinal numbers, with the
// shipped Polish and English lists.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ebook/epub.h"
#include "ebook/sentence_rules.h"
#include "ebook/text_helpers.h"
#include "ebook/txt.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::U16;
using ebooktest::U8;

const SentenceRules& Rules(const char* lang) {
  static SentenceRules pl, en;
  SentenceRules& r = lang[0] == 'p' ? pl : en;
  if (r.Size() == 0) r.LoadFile((std::string(DTB_SOURCE_DIR) + "/res/ebook/abbrev/" + lang + ".txt").c_str());
  return r;
}

std::vector<std::string> Split(const std::string& utf8, const SentenceRules* rules) {
  std::u16string t = U16(utf8);
  const unsigned short* p = reinterpret_cast<const unsigned short*>(t.data());
  std::vector<std::string> out;
  for (int pos = 0, n = static_cast<int>(t.size()); pos < n;) {
    int l = GetSentencesLengthW(p + pos, n - pos, rules);
    out.push_back(U8(t.substr(static_cast<size_t>(pos), static_cast<size_t>(l))));
    pos += l;
  }
  return out;
}

using Sentences = std::vector<std::string>;

TEST(SentenceRules, PolishAbbreviationsNumbersAndRealEnds) {
  const SentenceRules* pl = &Rules("pl");
  ASSERT_GT(pl->Size(), 50);
  const std::string issue = "Był u św. Piotra o godz. 12.30, tj. w południe, a dr. Nowak nie przyszedł.";
  EXPECT_EQ(Split(issue + " Potem wyszedł.", pl), (Sentences{issue + " ", "Potem wyszedł."}));
  // Without the rules it falls into the fragments the listener heard.
  EXPECT_EQ(Split(issue, nullptr).size(), 5u);
  EXPECT_EQ(Split("Np. jabłka, gruszki m.in. z sadu, ul. Długa nr. 5 itd. i tak dalej.", pl).size(), 1u);
  // "itd." and "r." end a sentence before a capital, not before a small letter.
  EXPECT_EQ(Split("Jabłka, gruszki itd. Potem obiad.", pl),
            (Sentences{"Jabłka, gruszki itd. ", "Potem obiad."}));
  EXPECT_EQ(Split("W 1990 r. Kraków urósł. W 1990 r. miasto urosło.", pl),
            (Sentences{"W 1990 r. ", "Kraków urósł. ", "W 1990 r. miasto urosło."}));
  // A line break is an end whatever comes before it.
  EXPECT_EQ(Split("Przyszedł prof.\nNowak czekał.", pl), (Sentences{"Przyszedł prof.\n", "Nowak czekał."}));
  // An ordinal number before a small letter, a number ending a sentence.
  EXPECT_EQ(Split("Dnia 3. maja było 3.5 stopnia. Było to 1920. Potem zima.", pl),
            (Sentences{"Dnia 3. maja było 3.5 stopnia. ", "Było to 1920. ", "Potem zima."}));
  // A capitalised abbreviation at a sentence start; a word that only looks like one.
  EXPECT_EQ(Split("Ok. 5 km dalej. Sprawdź str. 7 oraz Tel. 123.", pl).size(), 2u);
  EXPECT_EQ(Split("Nie mam kota. Mam psa.", pl).size(), 2u);
}

TEST(SentenceRules, EnglishAbbreviationsInitialsAndRealEnds) {
  const SentenceRules* en = &Rules("en");
  const std::string issue = "Mr. Smith went to Washington, D.C. yesterday.";
  EXPECT_EQ(Split(issue + " He came back.", en), (Sentences{issue + " ", "He came back."}));
  EXPECT_EQ(Split(issue, nullptr).size(), 3u);
  EXPECT_EQ(Split("J. R. R. Tolkien wrote it, i.e. the book, e.g. on p. 5, vs. the film.", en).size(), 1u);
  EXPECT_EQ(Split("Apples, pears etc. Then dinner.", en), (Sentences{"Apples, pears etc. ", "Then dinner."}));
  EXPECT_EQ(Split("Apples, pears etc. and plums.", en).size(), 1u);
  // "No." is a number's abbreviation only before a number.
  EXPECT_EQ(Split("He lives at No. 10 now. No. He left.", en),
            (Sentences{"He lives at No. 10 now. ", "No. ", "He left."}));
  EXPECT_EQ(Split("Dr. Who met Mrs. Hudson at 10 a.m. Then they ate.", en).size(), 2u);
  // Text in capitals keeps its abbreviations; "OK. Jutro" still ends.
  EXPECT_EQ(Split("MR. SMITH MET DR. J. R. JONES AT NO. 10 ETC. THEN THEY LEFT. NO. HE DID NOT.", en),
            (Sentences{"MR. SMITH MET DR. J. R. JONES AT NO. 10 ETC. ", "THEN THEY LEFT. ", "NO. ", "HE DID NOT."}));
  EXPECT_EQ(Split("PROF. NOWAK UR. W 1950 R. W KRAKOWIE. Wszystko OK. Jutro wrócę.", &Rules("pl")),
            (Sentences{"PROF. NOWAK UR. W 1950 R. W KRAKOWIE. ", "Wszystko OK. ", "Jutro wrócę."}));
  // Polish abbreviations mean nothing in English and the other way round.
  EXPECT_EQ(Split("Mr. Smith came.", &Rules("pl")).size(), 2u);
  EXPECT_EQ(Split("Był u św. Piotra.", en).size(), 2u);
}

TEST(SentenceRules, ListFormatAndLanguageTags) {
  SentenceRules r;
  const char list[] = "# comment\nm.in.\nitd. !\nNo. 9\nnot-an-abbreviation\n\nx.\r\nwaytoolongabbreviation.\n";
  EXPECT_EQ(r.Parse(list, sizeof list - 1), 4);
  EXPECT_EQ(Split("Mieszka m.in. tu, x. tam.", &r).size(), 1u);
  SetSentenceRulesFolder((std::string(DTB_SOURCE_DIR) + "/res/ebook/abbrev").c_str());
  EXPECT_EQ(SentenceRulesFor("pl-PL"), SentenceRulesFor("pol"));
  EXPECT_NE(SentenceRulesFor("en_US"), nullptr);
  EXPECT_EQ(SentenceRulesFor("de"), nullptr);
  EXPECT_EQ(SentenceRulesFor(""), nullptr);
  EXPECT_EQ(SentenceRulesFor("x-klingon"), nullptr);
  SetSentenceRulesFolder(nullptr);
  SetFallbackBookLanguage(1);
  EXPECT_STREQ(FallbackBookLanguageTag(), "en");
  SetFallbackBookLanguage(0);
  EXPECT_STREQ(FallbackBookLanguageTag(), "pl");
}

// The shipped lists on (true) or no list at all, as before them.
void UseLists(bool on) {
  SetSentenceRulesFolder(on ? (std::string(DTB_SOURCE_DIR) + "/res/ebook/abbrev").c_str() : "/nonexistent");
}

struct Where {
  int page, place;
  std::u16string text;  // what is read from there
};

TEST(SentenceRules, BookmarksAndHistoryLandWhereTheyWere) {
  dtbtest::TempDir dir;
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += "Był u św. Piotra o godz. 12.30, tj. w południe, a dr. Nowak nie przyszedł. Czekał ok. "
            "2 godz. przed domem nr 5 przy ul. Długiej itd. Potem poszedł.\n";
  const std::string path = dir / "book.txt";
  dtbtest::WriteFile(path, text);
  SetFallbackBookLanguage(0);
  UseLists(false);
  CTxt before;
  ASSERT_EQ(before.Open(path.c_str()), 0);
  // Every sentence start of the old segmentation, as a bookmark stores it.
  std::vector<Where> stored;
  for (int i = 0; i < before.GetTotalSentences(); i += 3) {
    before.SeekToSentence(i);
    stored.push_back({before.GetCurPage(), before.GetCurPlace(), ebooktest::Current(before)});
  }
  UseLists(true);
  CTxt after;
  ASSERT_EQ(after.Open(path.c_str()), 0);
  UseLists(false);
  EXPECT_EQ(after.GetUnicodeLength(), before.GetUnicodeLength());
  EXPECT_LT(after.GetTotalSentences(), before.GetTotalSentences());
  for (const Where& w : stored) {
    // The reader resumes with the page, then the place.
    after.SeekToPage(w.page);
    after.SeekToPlace(w.place);
    ASSERT_EQ(after.GetCurPlace(), w.place);
    std::u16string now = ebooktest::Current(after);
    // The same text from there on; the sentence may now reach further.
    EXPECT_EQ(now.compare(0, w.text.size(), w.text), 0) << U8(now) << " | " << U8(w.text);
  }
}

TEST(SentenceRules, CorpusTextsWithoutAbbreviationsKeepTheirSentences) {
  DTB_REQUIRE_CORPUS(root, "txt");
  // Sentences joined by the lists in each text, the same with a Polish and
  // with an English interface: none declares its language, and the Polish
  // texts and the English EPUB are read by the language of their text. 0 for
  // the texts without any abbreviation, initials or ordinal number; the
  // others join only at those ("Mr. Izaak", "ur. ok. 1405, zm. 21", "J. Horain").
  struct Joins {
    const char* file;
    int joins;
  };
  const Joins files[] = {
      {"txt/textract_raw_text.txt", 0},          {"txt/tika_testTXTNonASCIIUTF8.txt", 0},
      {"txt/uchardet_fr_utf-16.be", 0},          {"txt/tika_testTXT_win-1252.txt", 0},
      {"txt/pl_sienkiewicz_latarnik_I_utf8.txt", 1}, {"txt/uchardet_pl_utf-8.txt", 3},
      {"epub/epub2_valentin_hauy.epub", 39},
  };
  for (bool english : {false, true}) {
    SetFallbackBookLanguage(english ? 1 : 0);
    for (const Joins& f : files) {
      SCOPED_TRACE(f.file);
      const std::string path = dtbtest::CorpusPath(f.file);
      ASSERT_FALSE(path.empty());
      int counts[2];
      for (int on = 0; on < 2; ++on) {
        UseLists(on == 1);
        std::unique_ptr<iCEbook> b(GetEbookClass(path.substr(path.rfind('.') + 1).c_str()));
        if (!b) b.reset(new CTxt);
        ASSERT_EQ(b->Open(path.c_str()), 0);
        counts[on] = b->GetTotalSentences();
      }
      EXPECT_EQ(counts[0] - counts[1], f.joins) << counts[0] << " before, " << counts[1] << " now";
    }
  }
  UseLists(false);
  SetFallbackBookLanguage(0);
}

// A book built from paragraphs, declaring `language` when it is not empty.
class Built : public CEbook {
 public:
  int Build(const std::string& language, const std::string& text) {
    Close();
    if (Open(nullptr) != 0) return -1;
    SetLanguage(language.c_str());
    AddParagraphFlag(0);
    AddText(text.data(), static_cast<int>(text.size()));
    return FinishBuilding(true);
  }
};

TEST(SentenceRules, BooksThatDeclareNoLanguageAreSplitByTheLanguageOfTheirText) {
  const std::string english =
      "Mr. Smith went to Washington, D.C. yesterday. He said that the weather was fine and that he had "
      "seen the river with his wife. They were at the hotel by noon, but it was not open.\n";
  const std::string polish =
      "Był u św. Piotra o godz. 12.30, tj. w południe, a dr. Nowak nie przyszedł. Potem się okazało, że "
      "już go nie było w domu, bo pojechał do miasta. Czy ktoś jeszcze o tym wiedział?\n";
  const std::string firstEnglish = "Mr. Smith went to Washington, D.C. yesterday. ";
  const std::string firstPolish = "Był u św. Piotra o godz. 12.30, tj. w południe, a dr. Nowak nie przyszedł. ";
  auto detect = [](const std::string& utf8) {
    std::u16string t = U16(utf8);
    return DetectTextLanguage(reinterpret_cast<const unsigned short*>(t.data()), static_cast<int>(t.size()));
  };
  EXPECT_STREQ(detect(english), "en");
  EXPECT_STREQ(detect(polish), "pl");
  // Too few words to tell, or both languages alike: the interface decides.
  EXPECT_EQ(detect("Mr. Smith, D.C."), nullptr);
  EXPECT_EQ(detect(english + polish), nullptr);
  // Other languages that share a few of the words: "in", "at", "an", "was", "do", "na".
  EXPECT_EQ(detect("Lorem ipsum in culpa, at vero est in voluptate an velit; in nec at me."), nullptr);
  EXPECT_EQ(detect("Er war in Berlin, was an der Tür stand, in dem Haus, an dem Tag."), nullptr);
  EXPECT_EQ(detect("Šel do lesa, pak na louku, a co tak, ale za hodinu od domu po cestě."), nullptr);
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "en.txt", english + english);
  dtbtest::WriteFile(dir / "pl.txt", polish + polish);
  dtbtest::WriteFile(dir / "en.html", "<html><body><p>" + english + "</p></body></html>");
  dtbtest::WriteFile(dir / "pl.html", "<html><body><p>" + polish + "</p></body></html>");
  UseLists(true);
  for (int device : {0, 1}) {
    SCOPED_TRACE(device ? "English device" : "Polish device");
    SetFallbackBookLanguage(device);
    for (const char* name : {"en.txt", "pl.txt", "en.html", "pl.html"}) {
      SCOPED_TRACE(name);
      std::unique_ptr<iCEbook> b(GetEbookClass(name[3] == 't' ? "txt" : "html"));
      ASSERT_EQ(b->Open((dir / name).c_str()), 0);
      EXPECT_EQ(U8(ebooktest::Current(*b)), name[0] == 'e' ? firstEnglish : firstPolish);
    }
    // A declared language is kept whatever the text reads like.
    Built declared;
    ASSERT_EQ(declared.Build("pl", english), 0);
    EXPECT_EQ(U8(ebooktest::Current(declared)), "Mr. ");
    ASSERT_EQ(declared.Build("en-GB", polish), 0);
    EXPECT_EQ(U8(ebooktest::Current(declared)), "Był u św. ");
  }
  UseLists(false);
  SetFallbackBookLanguage(0);
}

TEST(SentenceRules, DeclaredLanguageOfEpubAndDocxWinsOverTheInterfaceLanguage) {
  DTB_REQUIRE_CORPUS(root, "epub/epub3_wasteland.epub");
  // English books ("en-US", "en-CA") full of "Mr.", "St." and "etc.".
  for (const char* rel : {"epub/epub3_wasteland.epub", "docx/wordextractor_bigfile-01.docx"}) {
    SCOPED_TRACE(rel);
    const std::string path = dtbtest::CorpusPath(rel);
    ASSERT_FALSE(path.empty());
    int counts[3];  // no lists, Polish interface, English interface
    for (int k = 0; k < 3; ++k) {
      UseLists(k > 0);
      SetFallbackBookLanguage(k == 2 ? 1 : 0);
      std::unique_ptr<iCEbook> b(GetEbookClass(path.substr(path.rfind('.') + 1).c_str()));
      ASSERT_TRUE(b);
      ASSERT_EQ(b->Open(path.c_str()), 0);
      counts[k] = b->GetTotalSentences();
    }
    EXPECT_LT(counts[1], counts[0]);
    EXPECT_EQ(counts[1], counts[2]);
  }
  UseLists(false);
  SetFallbackBookLanguage(0);
}

}  // namespace
