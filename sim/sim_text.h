// Small text helpers of the simulator.
#pragma once

#include <string>
#include <vector>

namespace sim {

// Lower-case form for case-insensitive matching: ASCII, Latin-1 and
// Latin Extended-A letters (so Polish text matches in any case).
std::string FoldCase(const std::string& utf8);
// True when `text` contains `needle`, ignoring case.
bool ContainsFolded(const std::string& text, const std::string& needle);
// Splits at runs of blanks.
std::vector<std::string> Words(const std::string& line);
std::string Trim(const std::string& s);
// Parses a non-negative number of seconds ("2", "0.5"); -1 when invalid.
double ParseSeconds(const std::string& s);

}  // namespace sim
