// The one caller of the character-set detector: which encoding a sample of
// unmarked text most likely is.
#pragma once

#include <cstddef>
#include <string>

namespace chardet {

// The detector's answer for these bytes as an iconv name ("WINDOWS-1250",
// "KOI8-R", ...), or "" when it has none.
std::string Detect(const unsigned char* data, size_t size);

}  // namespace chardet
