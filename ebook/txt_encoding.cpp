#include "ebook/txt_encoding.h"

#include <climits>
#include <algorithm>
#include <iterator>
#include <cstring>

#include "core/lib/uchardet/charset_detector.h"
#include "ebook/iconv_converter.h"

namespace {

const char* const c_Fallback = "CP1250";
constexpr size_t c_DetectorSampleBytes = 8 * 1024;

// Eight-bit text never holds NUL bytes; UTF-16 and UTF-32 of alphabetic
// text hold them in fixed places. "" when there is no such pattern.
const char* WideUnicode(const unsigned char* d, size_t n) {
  size_t groups = n / 4;
  if (groups == 0) return "";
  size_t z[4] = {};
  for (size_t i = 0; i < groups * 4; ++i)
    if (d[i] == 0) z[i % 4]++;
  if (z[3] == groups && z[2] * 10 >= groups * 9 && z[0] * 2 < groups) return "UTF-32LE";
  if (z[0] == groups && z[1] * 10 >= groups * 9 && z[3] * 2 < groups) return "UTF-32BE";
  size_t even = z[0] + z[2], odd = z[1] + z[3];
  if (odd >= 2 && odd * 50 >= groups * 2 && even * 20 < odd) return "UTF-16LE";
  if (even >= 2 && even * 50 >= groups * 2 && odd * 20 < even) return "UTF-16BE";
  return "";
}

bool EbcdicLetter(unsigned char b) {
  return (b >= 0x81 && b <= 0x89) || (b >= 0x91 && b <= 0x99) || (b >= 0xA2 && b <= 0xA9) ||
         (b >= 0xC1 && b <= 0xC9) || (b >= 0xD1 && b <= 0xD9) || (b >= 0xE2 && b <= 0xE9);
}

// EBCDIC text: spaces are 0x40, letters and digits sit in their own ranges,
// and no byte lies below 0x40 but its line ends and tab (ASCII's space alone
// rules it out). Records padded with spaces, capitals and figures all pass.
bool LooksLikeEbcdic(const unsigned char* d, size_t n) {
  size_t spaces = 0, words = 0, low = 0;
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = d[i];
    if (b == 0x40) spaces++;
    else if (EbcdicLetter(b) || (b >= 0xF0 && b <= 0xF9)) words++;
    else if (b < 0x40 && b != 0x05 && b != 0x0D && b != 0x15 && b != 0x25) low++;
  }
  return n >= 16 && low * 100 <= n && spaces * 25 >= n && words * 5 >= n;
}

// Which EBCDIC: Polish letters call for Latin-2 (IBM870; these bytes of its
// a, l, n, s, z with marks are symbols elsewhere); otherwise the code page
// of "!", which IBM037 (the Americas, the commonest export) keeps at 0x5A
// and IBM500 (international) at 0x4F, with "[" at 0x4A and "]" at 0x5A; in
// IBM037 0x4A and 0x4F are the rare cent sign and bar.
const char* EbcdicCodePage(const unsigned char* d, size_t n) {
  static const unsigned char c_Polish[] = {0x8A, 0x9A, 0x9B, 0xA0, 0xAA, 0xB1, 0xB2, 0xB4, 0xB7, 0xB9};
  size_t counts[256] = {};
  for (size_t i = 0; i < n; ++i) counts[d[i]]++;
  size_t national = 0;
  for (unsigned char b : c_Polish) national += counts[b];
  if (national * 200 >= n) return "IBM870";
  size_t international = counts[0x4A] + counts[0x4F];
  return international > 0 && international >= counts[0x5A] ? "IBM500" : "IBM037";
}

bool IsLetter(unsigned short u) {
  return (u >= 0xC0 && u <= 0x24F && u != 0xD7 && u != 0xF7) || (u >= 0x370 && u <= 0x4FF) ||
         (u >= 0x1E00 && u <= 0x1EFF);
}

// How well a single-byte code page reads the upper half of the sample:
// letters count for it, symbols, controls and unmapped bytes against it.
long LetterScore(const char* codePage, const size_t counts[256]) {
  IconvConverter c;
  unsigned short table[256];
  if (!c.Open(codePage) || !c.BuildByteTable(table)) return LONG_MIN;
  long score = 0;
  for (int b = 0x80; b < 256; ++b) score += static_cast<long>(counts[b]) * (IsLetter(table[b]) ? 1 : -1);
  return score;
}

// Polish Windows-1250 text, the commonest unmarked file, needs no detector:
// every upper-half byte reads there as a letter or a typographic mark, and
// some are ś, ź, Ś or Ź, whose bytes are controls in ISO-8859-2 and rare in
// the prose of the other code pages.
bool ClearlyWindows1250(const size_t counts[256]) {
  if (!counts[0x9C] && !counts[0x9F] && !counts[0x8C] && !counts[0x8F]) return false;
  IconvConverter c;
  unsigned short table[256];
  if (!c.Open(c_Fallback) || !c.BuildByteTable(table)) return false;
  static const unsigned short c_Marks[] = {0x201E, 0x201D, 0x201C, 0x2019, 0x2018, 0x2013, 0x2014,
                                           0x2026, 0x00A0, 0x00AB, 0x00BB, 0x00B0, 0x00A7};
  for (int b = 0x80; b < 256; ++b) {
    if (!counts[b] || IsLetter(table[b])) continue;
    if (std::find(std::begin(c_Marks), std::end(c_Marks), table[b]) == std::end(c_Marks)) return false;
  }
  return true;
}

bool LatinCodePage(const std::string& name) {
  static const char* const c_Latin[] = {
      "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-3",   "ISO-8859-4", "ISO-8859-9", "ISO-8859-10",
      "ISO-8859-13",  "ISO-8859-14",  "ISO-8859-15",  "ISO-8859-16", "WINDOWS-1250", "WINDOWS-1252",
      "WINDOWS-1254", "WINDOWS-1257", "WINDOWS-1258", "IBM850",     "IBM852",     "MAC-CENTRALEUROPE",
      "MACINTOSH"};
  for (const char* l : c_Latin)
    if (name == l) return true;
  return false;
}

// Encodings whose bytes mean different things depending on what came
// before; the reader decodes from the middle of the file, so they cannot be
// read right.
bool Stateful(const std::string& name) {
  return name.rfind("ISO-2022", 0) == 0 || name.rfind("HZ", 0) == 0 || name == "UTF-7";
}

}  // namespace

bool LooksLikeWideUnicode(const unsigned char* data, size_t size) {
  return data && *WideUnicode(data, std::min(size, c_EncodingSampleBytes));
}

std::string GuessTextEncoding(const unsigned char* data, size_t size) {
  size = std::min(size, c_EncodingSampleBytes);
  if (!data || size == 0) return c_Fallback;
  const char* wide = WideUnicode(data, size);
  if (*wide) return wide;
  if (LooksLikeEbcdic(data, size)) return EbcdicCodePage(data, size);
  size_t counts[256] = {};
  for (size_t i = 0; i < size; ++i) counts[data[i]]++;
  if (ClearlyWindows1250(counts)) return c_Fallback;
  // The detector is the costly part; a few pages of text decide it.
  std::string named = chardet::Detect(data, std::min(size, c_DetectorSampleBytes));
  if (named.empty() || named == "ASCII" || named.rfind("UTF-", 0) == 0 || Stateful(named)) return c_Fallback;
  if (!LatinCodePage(named)) {
    IconvConverter probe;
    return probe.Open(named.c_str()) ? named : c_Fallback;
  }
  // Between Latin code pages the detector is often unsure; it has to read
  // more letters than the old answer to replace it.
  return LetterScore(named.c_str(), counts) > LetterScore(c_Fallback, counts) ? named : c_Fallback;
}
