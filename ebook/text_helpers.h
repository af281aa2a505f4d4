// Text helpers shared by the e-book sources: character classes, sentence
// length, UTF-8 test and decoding, start-table search, small UTF-16 utilities.
#pragma once

// Word units are letters and digits of any script (and everything from 128 up
// outside the CJK and fullwidth punctuation blocks); the rest are separators.
inline bool IsWordUnit(unsigned short c) {
  if (c < 128)
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (c >= 0xFF00 && c <= 0xFFEF)
    return (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);
  return !(c >= 0x3000 && c <= 0x303F);
}

// 1 if the bytes are UTF-8 (one- to four-byte sequences), 0 if not or empty,
// -1 for null or a negative length. A sequence cut by the end passes only
// when `whole` is 0 (the data is a sample of a longer file).
int CheckIfUtf8(const unsigned char* data, int length, int whole);
// Index of the entry <= value in a non-decreasing table of count entries
// (any one of equal entries); -1 when value is below the first entry.
int FindPlace(const int* table, int count, int value);
// The same, but the last of equal entries.
int FindLastPlace(const int* table, int count, int value);
class SentenceRules;

// Length in units of the first sentence of text, including the separators
// that follow it; 0 for null or length <= 0. With rules, a full stop after an
// abbreviation, initials or an ordinal number of the book's language does not
// end it.
int GetSentencesLengthW(const unsigned short* text, int length, const SentenceRules* rules = nullptr);
// Swaps the bytes of each unit in place.
void Utf16BeToLe(unsigned short* text, int count);
// 1 if a carriage return or line feed is among the units, else 0.
int Check0D0A_W(const unsigned short* text, int count);
// Compares units with an ASCII name, folding a-z to upper case: 0, 1, -1.
int unicode_wch_casecmp(const unsigned short* text, const char* name, int count);
// Number of leading/trailing white-space units (below 11, 13, 32).
int GetFrontWhiteSpaceLengthW(const unsigned short* text, int count);
int GetRearWhiteSpaceLengthW(const unsigned short* text, int count);

// Decodes UTF-8 into at most `room` units; stops before a sequence cut by the
// end of the input or one that does not fit. Four-byte sequences give a
// surrogate pair, or one space when only one unit of room is left (so every
// reader of the same bytes with the same room gets the same units). A byte that
// cannot start a sequence, or a lead byte whose continuation is missing, gives
// one space. Returns units written; *consumed = bytes used.
int DecodeUtf8(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed);
// Bytes the longest piece of `units` units can take (the decode above).
constexpr int Utf8MaxBytesFor(int units) { return units * 3 + 1; }
