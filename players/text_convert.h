// Code-page conversion of play-list text to UTF-8, the one place that talks
// to iconv for the players.
#pragma once

#include <string>

// Converts `len` bytes in `fromCode` (an iconv name such as "CP1250" or
// "UTF-16LE") to UTF-8. Input that cannot be converted is skipped one unit at
// a time (1 byte, 2 for UTF-16), so a damaged list still yields its good
// lines. 0 ok; -1 when iconv has no such converter ("iconv_open() failed").
int ConvertToUtf8(const char* fromCode, const char* data, size_t len, std::string* out);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(const char* data, size_t len);
