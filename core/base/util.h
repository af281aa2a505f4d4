// Small helpers shared by every subsystem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Text after the last '.', or null.
const char* GetExtName(const char* name);
char* GetExtName(char* name);
// Text after the last '/', or null when none or the path ends in '/'.
const char* GetFilenameFromFullname(const char* path);
char* GetFilenameFromFullname(char* path);
// UTF-8 to UTF-16LE units until the text ends or capacity - 1 units are
// written, NUL-terminated; returns the unit count (-1 bad argument);
// *consumed (may be null) gets the source bytes used. Characters outside the
// basic plane become surrogate pairs.
int Utf8ToUtf16le(const char* source, int* consumed, uint16_t* destination, int capacity);
// Appends code point `cp` to `out` as UTF-8.
void AppendUtf8(std::string* out, unsigned cp);
// Reflected CRC-32 with the given (reflected) polynomial, initial all ones, inverted result.
uint32_t calculate_crc32(const void* data, size_t length, uint32_t polynomial);
