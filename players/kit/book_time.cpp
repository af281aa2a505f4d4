#include "players/kit/book_time.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

void BookTimeline::SetDurations(const std::vector<int>& durationsMs) {
  dur_.clear();
  for (int d : durationsMs) dur_.push_back(d > 0 ? d : 0);
}

int BookTimeline::DurationMs(int file) const {
  if (file < 0 || file >= Count()) return 0;
  return dur_[file];
}

long long BookTimeline::TotalMs() const {
  long long t = 0;
  for (int d : dur_) t += d;
  return t;
}

long long BookTimeline::BookMs(int file, int fileMs) const {
  if (dur_.empty()) return fileMs > 0 ? fileMs : 0;
  if (file < 0) file = 0;
  if (file >= Count()) {
    file = Count() - 1;
    fileMs = dur_[file];
  }
  long long t = 0;
  for (int i = 0; i < file; ++i) t += dur_[i];
  return t + (fileMs > 0 ? fileMs : 0);
}

BookTimeInfo BookTimeline::GetCurTimeInfo(int file, int fileMs) const {
  BookTimeInfo info;
  if (file < 0) file = 0;
  if (Count() > 0 && file >= Count()) {
    file = Count() - 1;
    fileMs = dur_[file];
  }
  if (fileMs < 0) fileMs = 0;
  info.file = file;
  info.fileSec = fileMs / 1000;
  info.bookSec = static_cast<int>(BookMs(file, fileMs) / 1000);
  info.totalSec = static_cast<int>(TotalMs() / 1000);
  return info;
}

BookPlace BookTimeline::StepBackward(int file, int fileSec, int stepSec) const {
  if (Count() == 0) return {0, 0};
  if (file < 0) file = 0;
  if (file >= Count()) file = Count() - 1;
  long long t = static_cast<long long>(fileSec) - stepSec;
  while (t < 0 && file > 0) {
    --file;
    t += DurationSec(file);
  }
  if (t < 0) return {0, 0};
  return {file, static_cast<int>(t * 1000)};
}

BookPlace BookTimeline::StepForward(int file, int fileSec, int stepSec) const {
  if (Count() == 0) return {0, 0};
  if (file < 0) file = 0;
  if (file >= Count()) file = Count() - 1;
  long long t = static_cast<long long>(fileSec) + stepSec;
  while (t > DurationSec(file)) {
    t -= DurationSec(file);
    ++file;
    if (file >= Count()) {
      const int last = Count() - 1;
      return {last, (DurationSec(last) + 1) * 1000};
    }
  }
  return {file, static_cast<int>(t * 1000)};
}

std::string FormatBookPosition(const BookTimeInfo& cur) {
  char buf[160];
  snprintf(buf, sizeof buf, "cur_time=%d, total_time=%d, cur_file=%d, cur_file_time=%d",
           cur.bookSec, cur.totalSec, cur.file, cur.fileSec);
  return buf;
}

std::string FormatBookHighlight(const BookTimeInfo& start, const BookTimeInfo& end) {
  char buf[96];
  snprintf(buf, sizeof buf, ", end_time=%d, end_file=%d, end_file_time=%d", end.bookSec,
           end.file, end.fileSec);
  return FormatBookPosition(start) + buf;
}

namespace {

int FieldAfter(const char* text, const char* key) {
  const char* p = strstr(text, key);
  if (!p) return -1;
  p += strlen(key);
  char* end = nullptr;
  long v = strtol(p, &end, 10);
  if (end == p || v < -1000000000L || v > 1000000000L) return -1;
  return static_cast<int>(v);
}

}  // namespace

BookPositionFields ParseBookPosition(const char* text) {
  BookPositionFields f;
  if (!text) return f;
  f.curFile = FieldAfter(text, "cur_file=");
  f.curFileTime = FieldAfter(text, "cur_file_time=");
  f.endFile = FieldAfter(text, "end_file=");
  f.endFileTime = FieldAfter(text, "end_file_time=");
  return f;
}

BookStart ResolveBookPosition(const BookTimeline& tl, const char* text, bool forList) {
  BookStart s;
  BookPositionFields f = ParseBookPosition(text);
  const int last = tl.Count() - 1;
  int file = f.curFile;
  int ms = f.curFileTime >= 0 ? f.curFileTime * 1000 : (forList ? 0 : -1);
  if (file < 0) {
    file = 0;
    ms = forList ? 0 : -1;
  } else if (last >= 0 && file > last) {
    file = last;
    ms = tl.DurationMs(last);
  }
  s.file = file;
  s.startMs = ms;
  if (f.endFile >= 0) {
    int endFile = f.endFile;
    int endMs = f.endFileTime > 0 ? f.endFileTime * 1000 : 0;
    if (last >= 0 && endFile > last) {
      endFile = last;
      endMs = tl.DurationMs(last);
    }
    int startMs = ms < 0 ? 0 : ms;
    if (endFile < file || (endFile == file && endMs < startMs)) {
      std::swap(endFile, file);
      std::swap(endMs, startMs);
      s.file = file;
      s.startMs = startMs;
    }
    s.segment = {file, startMs, endFile, endMs};
  }
  return s;
}
