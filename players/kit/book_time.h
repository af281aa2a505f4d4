// Time across the files of an audio book, and the position texts that the
// history and the bookmarks keep for it.
#pragma once

#include <string>
#include <vector>

// A place in the book: file index and time in that file.
struct BookPlace {
  int file = 0;
  int ms = 0;
};

struct BookTimeInfo {
  int bookSec = 0;   // from the start of the book
  int totalSec = 0;  // the book's length
  int file = 0;      // the corrected file index
  int fileSec = 0;   // in that file
};

class BookTimeline {
 public:
  // Durations in ms of the book's files in order; negative counts as 0.
  void SetDurations(const std::vector<int>& durationsMs);
  int Count() const { return static_cast<int>(dur_.size()); }
  int DurationMs(int file) const;
  int DurationSec(int file) const { return DurationMs(file) / 1000; }
  long long TotalMs() const;

  // Book time of a file and a time in it. An index at or beyond the file
  // count is the last file at its full duration; a negative one is file 0.
  BookTimeInfo GetCurTimeInfo(int file, int fileMs) const;
  // Book time in ms of a place (same corrections).
  long long BookMs(int file, int fileMs) const;

  // Target of a jump by `stepSec` from (file, whole seconds in the file).
  // Backward stops at file 0, 0 s; forward past the last file gives the last
  // file at its duration + 1 s, which ends the book.
  BookPlace StepBackward(int file, int fileSec, int stepSec) const;
  BookPlace StepForward(int file, int fileSec, int stepSec) const;

 private:
  std::vector<int> dur_;
};

// "cur_time=%d, total_time=%d, cur_file=%d, cur_file_time=%d"
std::string FormatBookPosition(const BookTimeInfo& cur);
// The same followed by ", end_time=%d, end_file=%d, end_file_time=%d".
std::string FormatBookHighlight(const BookTimeInfo& start, const BookTimeInfo& end);

// The fields read back from a position text; -1 where a field is missing.
struct BookPositionFields {
  int curFile = -1;
  int curFileTime = -1;
  int endFile = -1;
  int endFileTime = -1;
};
BookPositionFields ParseBookPosition(const char* text);

// A highlight segment of the book (start before end); file -1 when none.
struct BookSegment {
  int startFile = -1;
  int startMs = -1;
  int endFile = -1;
  int endMs = -1;
  bool Active() const { return startFile >= 0 && endFile >= 0; }
};

// Where playback starts for a position text, and the segment it names.
struct BookStart {
  int file = 0;
  int startMs = -1;  // -1: from the start of the file, no seek
  BookSegment segment;
};
// Applies the rules of opening a book at a stored position: a missing or
// negative file is file 0 from its start; a file beyond the last is the last
// file at its end; a highlight whose end lies before its start is swapped.
// `forList` is the bookmark-list reading, where a missing time counts as 0.
BookStart ResolveBookPosition(const BookTimeline& tl, const char* text, bool forList);
