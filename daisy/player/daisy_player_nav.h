// Where the DAISY player's moves land: headings, pages, phrases, time jumps
// and bookmarks over a book's object list. Pure functions over a read-only
// view of the model, so the window can work them out while the play thread
// is stopped.
#pragma once

#include <cstdint>
#include <vector>

#include "daisy/daisy_object.h"

// What the play thread prepared when it opened a book. Arrays stay owned by
// the thread and do not change until the book is closed.
struct DaisyBookView {
  const libDaisy::_DaisyObject* objects = nullptr;
  int count = 0;
  // Heading and page tables: object index per entry (-1 unresolved).
  const int* headingObjects = nullptr;
  const int* headingLevels = nullptr;
  int headings = 0;
  const int* pageObjects = nullptr;
  int pages = 0;
  // Per object: 1 when playing it makes sound (an audio clip that can be
  // opened, or a text that is spoken because its par has no audio).
  const char* playable = nullptr;
  // count + 1 entries: milliseconds of audio before object i.
  const int64_t* audioBefore = nullptr;

  bool HasAudio() const { return audioBefore && count > 0 && audioBefore[count] > 0; }
  int64_t TotalAudioMs() const { return audioBefore && count > 0 ? audioBefore[count] : 0; }
  // Length of audio object i in ms (0 for anything else).
  int AudioMs(int i) const;
};

struct DaisyPos {
  int object = 0;
  int place = 0;
  bool operator==(const DaisyPos& o) const { return object == o.object && place == o.place; }
  bool operator!=(const DaisyPos& o) const { return !(*this == o); }
  bool operator<(const DaisyPos& o) const {
    return object < o.object || (object == o.object && place < o.place);
  }
};

// The heading or page that contains an object: the last entry whose object
// index is at or before it; -1 before the first one.
int DaisyHeadingAt(const DaisyBookView& b, int object);
int DaisyPageAt(const DaisyBookView& b, int object);

// Moves. A result at b.count means the end of the book.
// Heading level `level` (1-6) forward: the first later heading of that level
// or above; none: the end.
DaisyPos DaisyNextHeading(const DaisyBookView& b, DaisyPos from, int level);
// Backward: the last heading of that level or above before the heading that
// contains the position; none: object 0.
DaisyPos DaisyPrevHeading(const DaisyBookView& b, DaisyPos from, int level);
DaisyPos DaisyNextPage(const DaisyBookView& b, DaisyPos from);
DaisyPos DaisyPrevPage(const DaisyBookView& b, DaisyPos from);
// The next or previous object that makes sound (a par with its text and
// audio is one phrase, not three objects); none: the end / object 0.
DaisyPos DaisyNextPhrase(const DaisyBookView& b, DaisyPos from);
DaisyPos DaisyPrevPhrase(const DaisyBookView& b, DaisyPos from);
// By `seconds` of audio forward (direction > 0) or back. Places are ms from
// the clip begin; a landing less than a second before a clip's end moves to
// the next clip's start.
DaisyPos DaisyTimeJump(const DaisyBookView& b, DaisyPos from, int seconds, int direction);
// The next bookmark place after the position, or the previous one before it
// (for audio, one that lies more than 2 s behind, so a bookmark just jumped
// to is passed over). False when there is none that way.
bool DaisyNextBookmark(const std::vector<DaisyPos>& places, DaisyPos from, bool fromIsAudio,
                       DaisyPos* out);
bool DaisyPrevBookmark(const std::vector<DaisyPos>& places, DaisyPos from, bool fromIsAudio,
                       DaisyPos* out);

// Milliseconds of audio before the position (its place counts inside an
// audio clip).
int64_t DaisyElapsedMs(const DaisyBookView& b, DaisyPos at);
// Deepest heading level of the book (0 without headings).
int DaisyDeepestLevel(const DaisyBookView& b);
