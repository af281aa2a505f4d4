// Plain-text dumps of the readers' models: one line per item, texts quoted,
// so a dump can be compared with a file written by hand.
#pragma once

#include <functional>
#include <string>

namespace libDaisy {

void DumpLine(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Appends text in double quotes; '"', '\\' and control characters escaped; null as -.
void DumpQuoted(std::string& out, const char* text);
// Writes what `dump` appends to standard output (the readers' PrintInfo).
void PrintDump(const std::function<void(std::string&)>& dump);

}  // namespace libDaisy
