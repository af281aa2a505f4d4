// Every plain text file of the shared corpus. The expected counts come from
// tests/data/ebook/txt_reference.py, a separate implementation of the
// segmentation rules in Python run over the same files (see its header).
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/iconv/converter.h"
#include "ebook/txt.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::U16;

struct Expected {
  const char* file;
  int encoding;
  int units, sentences, paragraphs, pages;
};

const Expected c_Corpus[] = {
    {"txt/pl_sienkiewicz_latarnik_I_cp1250_crlf.txt", CTxt::c_CodePage, 13181, 164, 44, 14},
    {"txt/pl_sienkiewicz_latarnik_I_utf16be_bom.txt", CTxt::c_Utf16Be, 13145, 164, 44, 14},
    {"txt/pl_sienkiewicz_latarnik_I_utf16le_bom.txt", CTxt::c_Utf16Le, 13145, 164, 44, 14},
    {"txt/pl_sienkiewicz_latarnik_I_utf8.txt", CTxt::c_Utf8, 13145, 164, 44, 14},
    {"txt/pl_sienkiewicz_latarnik_I_utf8_bom.txt", CTxt::c_Utf8, 13145, 164, 44, 14},
    {"txt/textract_raw_text.txt", CTxt::c_Utf8, 738, 21, 21, 1},
    {"txt/tika_testTXTNonASCIIUTF8.txt", CTxt::c_Utf8, 197, 4, 4, 1},
    {"txt/tika_testTXT_win-1252.txt", CTxt::c_CodePage, 94, 1, 1, 1},
    {"txt/uchardet_fr_utf-16.be", CTxt::c_Utf16Be, 539, 8, 7, 1},
    // UTF-16 without a byte-order mark, told by where its NUL bytes fall.
    {"txt/uchardet_ja_utf-16le.txt", CTxt::c_Utf16Le, 708, 19, 11, 1},
    {"txt/uchardet_pl_iso-8859-2.txt", CTxt::c_CodePage, 193, 6, 3, 1},
    {"txt/uchardet_pl_utf-8.txt", CTxt::c_Utf8, 193, 6, 3, 1},
    {"txt/uchardet_pl_windows-1250.txt", CTxt::c_CodePage, 193, 6, 3, 1},
};

std::u16string Whole(CTxt& t) {
  std::vector<unsigned short> buf(static_cast<size_t>(t.GetUnicodeLength()) + 1);
  int n = t.GetUnicode(buf.data(), static_cast<int>(buf.size()));
  EXPECT_EQ(t.GetUnicodeLength(), n);
  return std::u16string(reinterpret_cast<char16_t*>(buf.data()), static_cast<size_t>(std::max(n, 0)));
}

// The book read sentence by sentence, as the reader speaks it.
std::u16string Spoken(CTxt& t) {
  std::u16string all;
  for (int i = 0; i < t.GetTotalSentences(); ++i) {
    t.SeekToSentence(i);
    all += ebooktest::Current(t);
  }
  return all;
}

std::unique_ptr<CTxt> OpenCorpus(const std::string& path) {
  auto t = std::make_unique<CTxt>();
  EXPECT_EQ(0, t->Open(path.c_str())) << path;
  return t;
}

TEST(TxtCorpus, EveryTextFileOpensWithItsCounts) {
  DTB_REQUIRE_CORPUS(root, "txt");
  for (const Expected& e : c_Corpus) {
    SCOPED_TRACE(e.file);
    std::string path = dtbtest::CorpusPath(e.file);
    ASSERT_FALSE(path.empty()) << "missing from the corpus";
    auto t = OpenCorpus(path);
    EXPECT_EQ(e.encoding, t->GetEncoding());
    EXPECT_EQ(e.units, t->GetUnicodeLength());
    EXPECT_EQ(e.sentences, t->GetTotalSentences());
    EXPECT_EQ(e.paragraphs, t->GetTotalParagraphs());
    EXPECT_EQ(e.pages, t->GetTotalPages());
    std::u16string whole = Whole(*t);
    EXPECT_EQ(whole, Spoken(*t)) << "the sentences read back make up the whole text";
  }
}

TEST(TxtCorpus, PolishNovelReadsTheSameInEveryEncoding) {
  DTB_REQUIRE_CORPUS(utf8Path, "txt/pl_sienkiewicz_latarnik_I_utf8.txt");
  auto utf8 = OpenCorpus(utf8Path);
  std::u16string text = Whole(*utf8);
  EXPECT_NE(std::u16string::npos,
            text.find(U16("Pewnego razu zdarzyło się, że latarnik w Aspinwall, niedaleko Panamy, przepadł bez "
                          "wieści.")));
  EXPECT_NE(std::u16string::npos, text.find(U16("nie znaleziono jego łódki stojącej w skalistym wrębie")));
  for (const char* other : {"txt/pl_sienkiewicz_latarnik_I_utf8_bom.txt", "txt/pl_sienkiewicz_latarnik_I_utf16le_bom.txt",
                            "txt/pl_sienkiewicz_latarnik_I_utf16be_bom.txt"}) {
    auto t = OpenCorpus(dtbtest::CorpusPath(other));
    EXPECT_EQ(text, Whole(*t)) << other;
  }
  // The Windows-1250 copy has CRLF line ends; without the CRs it is the same
  // text, decoded by the code-page converter instead of our UTF-8 decoder.
  auto cp = OpenCorpus(dtbtest::CorpusPath("txt/pl_sienkiewicz_latarnik_I_cp1250_crlf.txt"));
  std::u16string cpText = Whole(*cp);
  cpText.erase(std::remove(cpText.begin(), cpText.end(), u'\r'), cpText.end());
  EXPECT_EQ(text, cpText);
  // Same sentences apart from the CRs, in the same order.
  EXPECT_EQ(utf8->GetTotalSentences(), cp->GetTotalSentences());
  cp->SeekToSentence(1);
  utf8->SeekToSentence(1);
  std::u16string s = ebooktest::Current(*cp);
  s.erase(std::remove(s.begin(), s.end(), u'\r'), s.end());
  EXPECT_EQ(ebooktest::Current(*utf8), s);
}

TEST(TxtCorpus, ShortPolishSampleInUtf8AndWindows1250) {
  DTB_REQUIRE_CORPUS(utf8Path, "txt/uchardet_pl_utf-8.txt");
  auto utf8 = OpenCorpus(utf8Path);
  auto cp = OpenCorpus(dtbtest::CorpusPath("txt/uchardet_pl_windows-1250.txt"));
  std::u16string text = Whole(*utf8);
  EXPECT_EQ(text, Whole(*cp));
  for (const char* word : {"Holszańska", "września", "księżniczka", "królowa", "żona", "Władysława", "Jagiełły"})
    EXPECT_NE(std::u16string::npos, text.find(U16(word))) << word;
  // Sentences: "ur." and "ok." are followed by a space, so they end sentences.
  utf8->SeekToSentence(1);
  EXPECT_EQ(U16("ok. "), ebooktest::Current(*utf8));
}

TEST(TxtCorpus, OtherLanguagesAndCodePageQuotes) {
  DTB_REQUIRE_CORPUS(path, "txt/tika_testTXTNonASCIIUTF8.txt");
  auto t = OpenCorpus(path);
  std::u16string text = Whole(*t);
  EXPECT_NE(std::u16string::npos, text.find(U16("Der schnelle braune Fuchs springt über den faulen Hund")));
  EXPECT_NE(std::u16string::npos, text.find(U16("براون وكس السريع")));
  auto q = OpenCorpus(dtbtest::CorpusPath("txt/tika_testTXT_win-1252.txt"));
  EXPECT_NE(std::u16string::npos, Whole(*q).find(U16("a “windows” encoding")));
  auto fr = OpenCorpus(dtbtest::CorpusPath("txt/uchardet_fr_utf-16.be"));
  EXPECT_EQ(0u, Whole(*fr).find(U16("UTF-16 (16-bit Unicode Transformation Format) is a character encoding")));
}

// The encoding a corpus file's name gives, as iconv knows it; "" for none.
std::string NamedEncoding(const std::string& name) {
  static const std::pair<const char*, const char*> c_Names[] = {
      {"cp1250", "CP1250"},         {"windows-1250", "CP1250"}, {"win-1252", "CP1252"},
      {"iso-8859-2", "ISO-8859-2"}, {"utf16be", "UTF-16BE"},    {"utf-16.be", "UTF-16BE"},
      {"utf16le", "UTF-16LE"},      {"utf-16le", "UTF-16LE"},   {"utf8", "UTF-8"},
      {"utf-8", "UTF-8"},           {"UTF8", "UTF-8"}};
  for (const auto& n : c_Names)
    if (name.find(n.first) != std::string::npos) return n.second;
  return "";
}

std::u16string Decode(const std::string& bytes, const char* encoding) {
  conv::Converter c("UTF-16LE", encoding);
  std::string out;
  EXPECT_EQ(0, c.Convert(bytes.data(), bytes.size(), &out)) << encoding;
  std::u16string u(out.size() / 2, u'\0');
  memcpy(&u[0], out.data(), u.size() * 2);
  if (!u.empty() && u[0] == 0xFEFF) u.erase(0, 1);
  return u;
}

// The first sentences as the reader speaks them are the start of the text
// decoded with the encoding the file is known to have.
void ExpectFirstSentencesRead(const std::string& path, const std::u16string& text) {
  SCOPED_TRACE(path);
  CTxt t;
  ASSERT_EQ(0, t.Open(path.c_str()));
  std::u16string spoken;
  for (int i = 0; i < std::min(8, t.GetTotalSentences()); ++i) {
    t.SeekToSentence(i);
    spoken += ebooktest::Current(t);
  }
  ASSERT_FALSE(spoken.empty());
  EXPECT_EQ(text.substr(0, spoken.size()), spoken);
}

TEST(TxtCorpus, FirstSentencesReadWithTheRightLetters) {
  DTB_REQUIRE_CORPUS(dir, "txt");
  int checked = 0;
  for (const Expected& e : c_Corpus) {
    std::string encoding = NamedEncoding(e.file);
    if (encoding.empty()) continue;
    std::string path = dtbtest::CorpusPath(e.file);
    ExpectFirstSentencesRead(path, Decode(dtbtest::ReadFile(path), encoding.c_str()));
    checked++;
  }
  EXPECT_GE(checked, 11);
}

// Unmarked files in encodings users meet, made from the corpus novel (and a
// Russian passage for the Cyrillic code pages) at run time.
TEST(TxtCorpus, UnmarkedEncodingsAreDetected) {
  DTB_REQUIRE_CORPUS(novel, "txt/pl_sienkiewicz_latarnik_I_utf8.txt");
  const std::string polish = dtbtest::ReadFile(novel);
  std::string russian;
  for (int i = 0; i < 6; ++i)
    russian += "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства. "
               "Съешь же ещё этих мягких французских булок, да выпей чаю. В чащах юга жил бы цитрус? "
               "Да, но фальшивый экземпляр!\n";
  const struct {
    const char* encoding;
    const std::string* source;
    bool mark;
  } c_Made[] = {{"UTF-32LE", &polish, true},        {"UTF-32BE", &polish, true},
                {"UTF-32LE", &polish, false},       {"UTF-32BE", &polish, false},
                {"UTF-16LE", &polish, false},       {"UTF-16BE", &polish, false},
                {"ISO-8859-2", &polish, false},     {"IBM852", &polish, false},
                {"MAC-CENTRALEUROPE", &polish, false}, {"IBM870", &polish, false},
                {"IBM037", &polish, false},         {"IBM500", &polish, false},
                {"KOI8-R", &russian, false},        {"CP866", &russian, false},
                {"CP1251", &russian, false}};
  dtbtest::TempDir dir;
  for (const auto& m : c_Made) {
    std::string bytes;
    std::string to = std::string(m.encoding) + "//TRANSLIT";
    conv::Converter c(to.c_str(), "UTF-8");
    ASSERT_TRUE(c.IsOpen()) << m.encoding;
    c.Convert(m.source->data(), m.source->size(), &bytes);
    if (m.mark) {
      std::string bom;
      conv::Converter(m.encoding, "UTF-8").Convert("\xEF\xBB\xBF", 3, &bom);
      bytes = bom + bytes;
    }
    std::string path = dir / (std::string(m.encoding) + (m.mark ? "-bom" : "") + ".txt");
    dtbtest::WriteFile(path, bytes);
    std::u16string text = Decode(bytes, m.encoding);
    EXPECT_NE(std::u16string::npos, text.find(m.source == &polish ? U16("latarnik") : U16("электрификация")))
        << m.encoding;
    ExpectFirstSentencesRead(path, text);
  }
}

}  // namespace
