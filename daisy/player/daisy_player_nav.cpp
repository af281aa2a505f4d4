#include "daisy/player/daisy_player_nav.h"

using libDaisy::_DaisyObject;
using libDaisy::kObjectAudio;

namespace {

constexpr int kLandingSlackMs = 1000;  // too close to a clip's end to be worth landing
constexpr int kBookmarkBackSlackMs = 2000;

DaisyPos At(int object, int place = 0) {
  DaisyPos p;
  p.object = object;
  p.place = place;
  return p;
}

bool IsAudio(const DaisyBookView& b, int i) {
  return i >= 0 && i < b.count && b.objects[i].kind == kObjectAudio && b.AudioMs(i) > 0 &&
         (!b.playable || b.playable[i]);
}

int LastAtOrBefore(const int* table, int n, int object) {
  int found = -1;
  for (int i = 0; i < n; ++i) {
    if (table[i] >= 0 && table[i] <= object) found = i;
  }
  return found;
}

// A landing too close to the end of its clip goes on to the next clip.
DaisyPos Land(const DaisyBookView& b, int object, int place) {
  if (b.AudioMs(object) - place < kLandingSlackMs) {
    for (int i = object + 1; i < b.count; ++i) {
      if (IsAudio(b, i)) return At(i);
    }
    return At(b.count);
  }
  return At(object, place);
}

}  // namespace

int DaisyBookView::AudioMs(int i) const {
  if (!audioBefore || i < 0 || i >= count) return 0;
  return static_cast<int>(audioBefore[i + 1] - audioBefore[i]);
}

int DaisyHeadingAt(const DaisyBookView& b, int object) {
  return LastAtOrBefore(b.headingObjects, b.headings, object);
}

int DaisyPageAt(const DaisyBookView& b, int object) {
  return LastAtOrBefore(b.pageObjects, b.pages, object);
}

DaisyPos DaisyNextHeading(const DaisyBookView& b, DaisyPos from, int level) {
  for (int h = DaisyHeadingAt(b, from.object) + 1; h < b.headings; ++h) {
    int o = b.headingObjects[h];
    if (o > from.object && b.headingLevels[h] <= level) return At(o);
  }
  return At(b.count);
}

DaisyPos DaisyPrevHeading(const DaisyBookView& b, DaisyPos from, int level) {
  int cur = DaisyHeadingAt(b, from.object);
  for (int h = cur - 1; h >= 0; --h) {
    int o = b.headingObjects[h];
    if (o >= 0 && b.headingLevels[h] <= level && (cur < 0 || o <= b.headingObjects[cur]))
      return At(o);
  }
  return At(0);
}

DaisyPos DaisyNextPage(const DaisyBookView& b, DaisyPos from) {
  for (int p = DaisyPageAt(b, from.object) + 1; p < b.pages; ++p) {
    int o = b.pageObjects[p];
    if (o > from.object) return At(o);
  }
  return At(b.count);
}

DaisyPos DaisyPrevPage(const DaisyBookView& b, DaisyPos from) {
  int cur = DaisyPageAt(b, from.object);
  for (int p = cur - 1; p >= 0; --p) {
    int o = b.pageObjects[p];
    if (o >= 0 && o <= b.pageObjects[cur]) return At(o);
  }
  return At(0);
}

DaisyPos DaisyNextPhrase(const DaisyBookView& b, DaisyPos from) {
  for (int i = from.object + 1; i < b.count; ++i) {
    if (!b.playable || b.playable[i]) {
      if (b.objects[i].kind == kObjectAudio || b.objects[i].kind == libDaisy::kObjectText)
        return At(i);
    }
  }
  return At(b.count);
}

DaisyPos DaisyPrevPhrase(const DaisyBookView& b, DaisyPos from) {
  int start = from.object > b.count ? b.count : from.object;
  for (int i = start - 1; i >= 0; --i) {
    if (!b.playable || b.playable[i]) {
      if (b.objects[i].kind == kObjectAudio || b.objects[i].kind == libDaisy::kObjectText)
        return At(i);
    }
  }
  return At(0);
}

DaisyPos DaisyTimeJump(const DaisyBookView& b, DaisyPos from, int seconds, int direction) {
  int64_t left = static_cast<int64_t>(seconds) * 1000;
  if (from.object >= b.count) {
    if (direction > 0) return At(b.count);
    from = At(b.count);
  }
  if (direction > 0) {
    int i = from.object < 0 ? 0 : from.object;
    int place = IsAudio(b, i) ? from.place : 0;
    if (place < 0) place = 0;
    for (; i < b.count; ++i, place = 0) {
      if (!IsAudio(b, i)) continue;
      const int len = b.AudioMs(i);
      if (place + left < len) return Land(b, i, static_cast<int>(place + left));
      left -= len - place;
      if (left < 0) left = 0;
    }
    return At(b.count);
  }
  // Backward: within the current clip when it has played that long.
  int i = from.object;
  if (IsAudio(b, i) && from.place >= left) return At(i, static_cast<int>(from.place - left));
  if (IsAudio(b, i)) left -= from.place > 0 ? from.place : 0;
  for (--i; i >= 0; --i) {
    if (!IsAudio(b, i)) continue;
    const int len = b.AudioMs(i);
    if (left <= len) return Land(b, i, static_cast<int>(len - left));
    left -= len;
  }
  return At(0);
}

bool DaisyNextBookmark(const std::vector<DaisyPos>& places, DaisyPos from, bool, DaisyPos* out) {
  for (const DaisyPos& p : places) {
    if (from < p) {
      *out = p;
      return true;
    }
  }
  return false;
}

bool DaisyPrevBookmark(const std::vector<DaisyPos>& places, DaisyPos from, bool fromIsAudio,
                       DaisyPos* out) {
  DaisyPos limit = from;
  if (fromIsAudio) limit.place -= kBookmarkBackSlackMs;
  bool found = false;
  for (const DaisyPos& p : places) {
    if (p < limit) {
      *out = p;
      found = true;
    }
  }
  return found;
}

int64_t DaisyElapsedMs(const DaisyBookView& b, DaisyPos at) {
  if (!b.audioBefore || b.count <= 0) return 0;
  if (at.object >= b.count) return b.audioBefore[b.count];
  if (at.object < 0) return 0;
  int64_t ms = b.audioBefore[at.object];
  if (b.objects[at.object].kind == kObjectAudio && at.place > 0) {
    int len = b.AudioMs(at.object);
    ms += at.place < len ? at.place : len;
  }
  return ms;
}

int DaisyDeepestLevel(const DaisyBookView& b) {
  int deepest = 0;
  for (int h = 0; h < b.headings; ++h) {
    if (b.headingObjects[h] >= 0 && b.headingLevels[h] > deepest) deepest = b.headingLevels[h];
  }
  return deepest;
}
