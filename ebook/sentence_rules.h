// Exceptions to the full stop as a sentence end: abbreviations of a book's
// language (kept as data files, one per language, under /home/abbrev),
// single-letter initials and ordinal numbers. The terminators themselves stay
// those of the text model; only a full stop followed by a separator is looked
// at again.
#pragma once

#include <string>
#include <vector>

class SentenceRules {
 public:
  // Reads a list (UTF-8): one abbreviation a line with its full stops, then
  // optionally "!" (often ends a sentence itself) or "9" (only before a
  // number). Lines starting with "#" are comments. Returns the entries read.
  int Parse(const char* utf8, size_t bytes);
  // 0 and the list, or -1 when the file cannot be read.
  int LoadFile(const char* devicePath);
  int Size() const { return static_cast<int>(m_Words.size()); }

  // True when the full stop at text[dot] (followed by a separator) does not
  // end the sentence. text[0] is the sentence's start, n its limit.
  bool Continues(const unsigned short* text, int dot, int n) const;

 private:
  enum Kind { c_Inside = 0, c_MayEnd = 1, c_BeforeNumber = 2 };
  struct Entry {
    std::u16string word;  // without its last full stop
    Kind kind;
  };
  const Entry* Find(const unsigned short* word, int length) const;
  static unsigned FilterBit(unsigned short last, int length) { return (last * 31u + length) & 1023u; }

  std::vector<Entry> m_Words;  // sorted by word
  unsigned long long m_Filter[16] = {};
  int m_MaxLength = 0;
};

// Rules for a language tag ("pl", "en-GB", "eng"; the primary subtag counts),
// loaded once from the folder's "<tag>.txt"; null for a language without a
// list. Any thread.
const SentenceRules* SentenceRulesFor(const char* languageTag);
// The language of books that declare none and whose text does not tell:
// the interface language (0 Polish, 1 English). Set by the reader before it
// opens a book.
void SetFallbackBookLanguage(int language);
const char* FallbackBookLanguageTag();
// Units of a book's text start that its language is told from.
constexpr int c_LanguageSampleUnits = 4096;
// "en" or "pl" when the commonest words of one language clearly outnumber
// those of the other in the text, else null.
const char* DetectTextLanguage(const unsigned short* text, int length);
// The tag a book's sentences are split by: the one it declares, else the
// language of its text, else the interface language.
const char* BookLanguageTag(const char* declared, const unsigned short* text, int length);
// Where the lists are ("/home/abbrev" by default); drops rules loaded so far.
void SetSentenceRulesFolder(const char* devicePath);
