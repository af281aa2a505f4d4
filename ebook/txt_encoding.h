// Which encoding an unmarked, not-UTF-8 text file is in, from a sample of its
// first bytes.
#pragma once

#include <cstddef>
#include <string>

// Bytes looked at; beyond this the answer rarely changes and opening stays cheap.
constexpr size_t c_EncodingSampleBytes = 64 * 1024;

// True when NUL bytes fall in the places UTF-16 or UTF-32 text puts them
// (ASCII-only UTF-16 is otherwise valid UTF-8).
bool LooksLikeWideUnicode(const unsigned char* data, size_t size);

// An iconv name: "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE", an EBCDIC
// or another code page the detector names, and "CP1250" whenever the choice
// lies between Latin code pages and the bytes do not clearly favour another
// (the answer Polish files have always had).
std::string GuessTextEncoding(const unsigned char* data, size_t size);
