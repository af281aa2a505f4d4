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

// One line of the device's transcript, "<time> <channel> <text>".
struct TranscriptLine {
  std::string channel, text;
};

// Follows the transcript file: each Read gives the whole lines written since
// the last one. Made, it starts at the end of what is there at its first Read
// (SkipToEnd: at once); a file that shrank is a new root's, read from its start.
class TranscriptTail {
 public:
  explicit TranscriptTail(std::string path) : path_(std::move(path)) {}
  void SkipToEnd();
  std::vector<TranscriptLine> Read();

 private:
  std::string path_;
  long long pos_ = -1;
  std::string partial_;
};

}  // namespace sim
