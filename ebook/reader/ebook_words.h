// Character classes and word runs for the reader's word, letter and spell
// moves. A word is a run of letters or of digits; an apostrophe between two
// letters and a full stop or comma between two digits stay inside it
// ("don't", "3.50").
#pragma once

enum EbookCharClass { EB_CHAR_OTHER = 0, EB_CHAR_LETTER = 1, EB_CHAR_DIGIT = 2, EB_CHAR_FULL_STOP = 3 };

// Letters: ASCII, Latin-1, Latin Extended-A and -B (every Polish letter),
// Greek and Cyrillic.
int GetWordPlace(unsigned short c);
// Line feed or carriage return.
inline bool IsLineBreakUnit(unsigned short c) { return c == 10 || c == 13; }
// White space the letter moves step over in one go.
inline bool IsBlankUnit(unsigned short c) { return (c <= 32 && !IsLineBreakUnit(c)) || c == 160 || c == 0x3000; }

// The first word starting at or after `from`; false when there is none.
bool FindNextWord(const unsigned short* s, int len, int from, int* start, int* end);
// The last word ending at or before `limit`; false when there is none.
bool FindPrevWord(const unsigned short* s, int limit, int* start, int* end);
