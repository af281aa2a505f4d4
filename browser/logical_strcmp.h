// The order of every folder listing: numbers compared as numbers, letters by
// the weights of the collation table, hyphens looked at only to break ties.
#pragma once

#include <cstdint>

// 65536 weights indexed by character code, from "/home/ChnCharIndexs.bin";
// null until loaded (or when the file is missing or not 131072 bytes).
extern const uint16_t* g_ChnCharIndex;

// Loads the table once; later calls return the first result at once.
// 0 when the table is in use, -1 when it is not available.
int LoadChnCharIndex();
// Loads a table from another file, replacing any loaded one (tests, tools).
// 0, or -1 (the old table stays) when the file is missing or not 131072 bytes.
int LoadChnCharIndexFrom(const char* devicePath);
// Drops the table; the next LoadChnCharIndex reads the file again.
void FreeChnCharIndex();

// Negative when `left` sorts first, positive when after, 0 only for equal
// strings. Any bytes are accepted (a null pointer sorts before everything);
// LogicalStrCmp(a, b) and LogicalStrCmp(b, a) always have opposite signs.
// Without the table, ASCII letters compare without case, everything else by
// character code.
int LogicalStrCmp(const char* left, const char* right);
