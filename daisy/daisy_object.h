// One entry of a book's flat object list.
#pragma once

#include <cstdint>

namespace libDaisy {

enum DaisyObjectKind { kObjectSeq = 0, kObjectPar = 1, kObjectText = 2, kObjectAudio = 3 };

struct _DaisyObject {
  int32_t kind;   // DaisyObjectKind
  int32_t depth;  // nesting depth in its SMIL file: root 1, "body" 2, its children 3
  int32_t file;   // audio: index in the audio file list; text: index of the text document; else -1
  // audio: clip begin in ms (-1 when absent); text: first text piece of the
  // referenced range, or the fragment index when the range is unknown; else -1
  int32_t start;
  // audio: clip end in ms (-1 when absent); text: the piece after the range
  // (-1 when the range is unknown); else -1
  int32_t end;
};

}  // namespace libDaisy
