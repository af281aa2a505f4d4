#include "ebook/sentence_rules.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ebook/text_helpers.h"
#include "platform/board.h"

namespace {

// Longer words are never abbreviations; initials like "J.R.R" fit too.
constexpr int c_MaxWord = 12;

// Lower case of the scripts the lists are written in (Latin with its first
// extension, Greek, Cyrillic); anything else is its own lower case.
unsigned short LowerUnit(unsigned short c) {
  if (c < 128) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x17F) {
    bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x178) return 0xFF;
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return ((c & 1) == (oddUpper ? 1 : 0)) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3A9) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

bool IsUpperUnit(unsigned short c) { return LowerUnit(c) != c; }
bool IsLowerUnit(unsigned short c) { return IsWordUnit(c) && !(c >= '0' && c <= '9') && !IsUpperUnit(c); }
bool IsDigit(unsigned short c) { return c >= '0' && c <= '9'; }

bool Less(const std::u16string& a, const unsigned short* b, int n) {
  return a.compare(0, a.size(), reinterpret_cast<const char16_t*>(b), static_cast<size_t>(n)) < 0;
}

// "J", "D.C", "J.R.R": single capitals joined by full stops.
bool IsInitials(const unsigned short* w, int n) {
  if ((n & 1) == 0) return false;
  for (int k = 0; k < n; ++k)
    if ((k & 1) ? w[k] != '.' : !IsUpperUnit(w[k])) return false;
  return true;
}

// The word after the full stop at `dot` begins with a figure, or with a
// capital not followed by a small letter ("SMITH", "J.").
bool NextWordInCapitals(const unsigned short* text, int dot, int n) {
  int j = dot + 1;
  while (j < n && !IsWordUnit(text[j])) ++j;
  if (j >= n) return false;
  if (IsDigit(text[j])) return true;
  return IsUpperUnit(text[j]) && !(j + 1 < n && IsLowerUnit(text[j + 1]));
}

}  // namespace

int SentenceRules::Parse(const char* utf8, size_t bytes) {
  m_Words.clear();
  std::fill(std::begin(m_Filter), std::end(m_Filter), 0ull);
  m_MaxLength = 0;
  const char* p = utf8;
  const char* end = utf8 + bytes;
  while (p && p < end) {
    const char* eol = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)));
    if (!eol) eol = end;
    const char* sp = p;
    while (sp < eol && *sp != ' ' && *sp != '\t' && *sp != '\r') ++sp;
    const char* mark = sp;
    while (mark < eol && (*mark == ' ' || *mark == '\t')) ++mark;
    int bytesIn = static_cast<int>(sp - p);
    if (bytesIn > 1 && *p != '#' && sp[-1] == '.') {
      unsigned short w[c_MaxWord * 3];
      int used = 0;
      int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(p), bytesIn - 1, w, c_MaxWord + 1, &used);
      if (n > 0 && n <= c_MaxWord) {
        Kind kind = *mark == '!' ? c_MayEnd : *mark == '9' ? c_BeforeNumber : c_Inside;
        m_Words.push_back({std::u16string(reinterpret_cast<const char16_t*>(w), static_cast<size_t>(n)), kind});
        unsigned bit = FilterBit(w[n - 1], n);
        m_Filter[bit >> 6] |= 1ull << (bit & 63);
        m_MaxLength = std::max(m_MaxLength, n);
      }
    }
    p = eol + 1;
  }
  std::sort(m_Words.begin(), m_Words.end(), [](const Entry& a, const Entry& b) { return a.word < b.word; });
  return Size();
}

int SentenceRules::LoadFile(const char* devicePath) {
  FILE* f = BFopen(devicePath, "rb");
  if (!f) return -1;
  std::string data;
  char buf[4096];
  for (size_t got; (got = fread(buf, 1, sizeof buf, f)) > 0;) data.append(buf, got);
  fclose(f);
  Parse(data.data(), data.size());
  return 0;
}

const SentenceRules::Entry* SentenceRules::Find(const unsigned short* word, int length) const {
  auto it = std::lower_bound(m_Words.begin(), m_Words.end(), 0,
                             [&](const Entry& e, int) { return Less(e.word, word, length); });
  if (it == m_Words.end() || it->word.size() != static_cast<size_t>(length)) return nullptr;
  return std::equal(word, word + length, it->word.begin()) ? &*it : nullptr;
}

bool SentenceRules::Continues(const unsigned short* text, int dot, int n) const {
  // The word before the full stop, inner full stops included ("m.in", "D.C").
  int b = dot;
  while (b > 0 && dot - b <= c_MaxWord) {
    unsigned short c = text[b - 1];
    if (IsWordUnit(c) || (c == '.' && b >= 2 && IsWordUnit(text[b - 2])))
      --b;
    else
      break;
  }
  const int len = dot - b;
  if (len == 0 || len > c_MaxWord) return false;
  const unsigned short* w = text + b;
  const Entry* entry = nullptr;
  bool initials = IsInitials(w, len);
  bool number = !initials && std::all_of(w, w + len, IsDigit);
  if (!initials && !number) {
    if (len > m_MaxLength) return false;
    auto lookup = [&](const unsigned short* word) -> const Entry* {
      unsigned bit = FilterBit(word[len - 1], len);
      return (m_Filter[bit >> 6] & (1ull << (bit & 63))) ? Find(word, len) : nullptr;
    };
    entry = lookup(w);
    if (!entry && IsUpperUnit(w[0])) {
      unsigned short lower[c_MaxWord];
      std::copy(w, w + len, lower);
      lower[0] = LowerUnit(w[0]);
      entry = lookup(lower);
      // Text set in capitals (old records, headings): "MR. SMITH" as "Mr.",
      // "UL. DŁUGA" as "ul.". Only when the next word is in capitals too, as
      // "OK. Jutro" ends a sentence.
      if (!entry && std::none_of(w, w + len, IsLowerUnit) && NextWordInCapitals(text, dot, n)) {
        std::transform(w + 1, w + len, lower + 1, LowerUnit);
        entry = lookup(lower);
        lower[0] = w[0];
        if (!entry) entry = lookup(lower);
      }
    }
    if (!entry) return false;
  }
  // A line break before the next word always starts a new sentence.
  int j = dot + 1;
  for (; j < n && !IsWordUnit(text[j]); ++j)
    if (text[j] == 10 || text[j] == 13) return false;
  if (j >= n) return false;
  if (number) return IsLowerUnit(text[j]);
  if (initials) return true;
  if (entry->kind == c_MayEnd) return !IsUpperUnit(text[j]);
  if (entry->kind == c_BeforeNumber) return IsDigit(text[j]);
  return true;
}

namespace {

std::mutex g_RulesMutex;
std::map<std::string, std::unique_ptr<SentenceRules>> g_Rules;  // null: no list
std::string g_RulesFolder = "/home/abbrev";
std::atomic<int> g_FallbackLanguage{0};

// "pl", "en" from "pl-PL", "EN_us", "pol", "eng"; empty when not a tag.
std::string PrimaryTag(const char* tag) {
  std::string t;
  for (const char* p = tag; p && *p && *p != '-' && *p != '_'; ++p) {
    if (!((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) || t.size() >= 3) return "";
    t += static_cast<char>(*p | 0x20);
  }
  if (t == "pol") return "pl";
  if (t == "eng") return "en";
  return t.size() >= 2 ? t : "";
}

}  // namespace

const SentenceRules* SentenceRulesFor(const char* languageTag) {
  std::string tag = PrimaryTag(languageTag);
  if (tag.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(g_RulesMutex);
  auto it = g_Rules.find(tag);
  if (it == g_Rules.end()) {
    auto rules = std::make_unique<SentenceRules>();
    if (rules->LoadFile((g_RulesFolder + "/" + tag + ".txt").c_str()) != 0 || rules->Size() == 0) rules.reset();
    it = g_Rules.emplace(tag, std::move(rules)).first;
  }
  return it->second.get();
}

void SetFallbackBookLanguage(int language) { g_FallbackLanguage = language == 1 ? 1 : 0; }

const char* FallbackBookLanguageTag() { return g_FallbackLanguage == 1 ? "en" : "pl"; }

namespace {

// The commonest words of each language that the other does not also use
// ("a", "i", "o", "to", "on", "no" are words in both).
const char* const c_EnglishWords[] = {"the", "and", "of",   "in",  "is",   "that", "it",   "was",  "he",
                                      "for", "with", "his", "as",  "you",  "had",  "not",  "be",   "at",
                                      "but", "she",  "her", "this", "have", "are", "from", "by",   "they",
                                      "we",  "were", "which", "or", "an",   "my",   "me",  "him",  "said"};
const char* const c_PolishWords[] = {"w",    "z",    "na",   "się", "nie",  "do",   "że",   "jest", "jak",
                                     "po",   "co",   "tak",  "ale", "za",   "od",   "był",  "go",   "mu",
                                     "jej",  "już",  "przez", "tylko", "dla", "czy", "jego", "ze",   "ich",
                                     "jeszcze", "było", "by", "tym",  "może", "bo",  "pan",  "sobie", "gdy"};

// `word` is not empty; the first letter spares most of the comparisons (the
// sample is read before a book's first sentence).
bool InList(const std::string& word, const char* const* list, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (list[i][0] == word[0] && word == list[i]) return true;
  return false;
}

// Appends a unit in lower case as UTF-8 (the words above need no more than
// ASCII and Polish letters); false for a unit that is not a letter of them.
bool AppendLower(std::string* word, unsigned short c) {
  c = LowerUnit(c);
  if (c >= 'a' && c <= 'z') {
    *word += static_cast<char>(c);
    return true;
  }
  if (c < 0x80 || c > 0x7FF || !IsWordUnit(c) || (c >= '0' && c <= '9')) return false;
  *word += static_cast<char>(0xC0 | (c >> 6));
  *word += static_cast<char>(0x80 | (c & 0x3F));
  return true;
}

// ą ć ę ł ń ś ź ż
bool IsPolishLetter(unsigned short c) {
  return c == 0x105 || c == 0x107 || c == 0x119 || c == 0x142 || c == 0x144 || c == 0x15B || c == 0x17A ||
         c == 0x17C;
}

}  // namespace

const char* DetectTextLanguage(const unsigned short* text, int length) {
  if (!text) return nullptr;
  // Latin, German and Czech share a few of these words; "the" and the
  // letters only Polish has are what none of them writes.
  int english = 0, polish = 0;
  bool the = false, polishLetters = false;
  std::string word;
  bool letters = true;
  bool polishLetter = false;  // a word with a letter only Polish has counts too
  for (int i = 0; i <= length; ++i) {
    if (i < length && IsWordUnit(text[i])) {
      if (letters && word.size() < 16) letters = AppendLower(&word, text[i]);
      polishLetter = polishLetter || IsPolishLetter(LowerUnit(text[i]));
      continue;
    }
    if (letters && !word.empty()) {
      if (InList(word, c_EnglishWords, sizeof c_EnglishWords / sizeof *c_EnglishWords)) english++;
      if (polishLetter || InList(word, c_PolishWords, sizeof c_PolishWords / sizeof *c_PolishWords)) polish++;
      the = the || word == "the";
      polishLetters = polishLetters || polishLetter;
    }
    word.clear();
    letters = true;
    polishLetter = false;
  }
  if (english >= 3 && the && english > 2 * polish) return "en";
  if (polish >= 3 && polishLetters && polish > 2 * english) return "pl";
  return nullptr;
}

const char* BookLanguageTag(const char* declared, const unsigned short* text, int length) {
  if (declared && *declared) return declared;
  const char* detected = DetectTextLanguage(text, std::min(length, c_LanguageSampleUnits));
  return detected ? detected : FallbackBookLanguageTag();
}

void SetSentenceRulesFolder(const char* devicePath) {
  std::lock_guard<std::mutex> lock(g_RulesMutex);
  g_RulesFolder = devicePath ? devicePath : "/home/abbrev";
  g_Rules.clear();
}
