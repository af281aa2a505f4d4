#include "ebook/position.h"

#include <algorithm>

#include "ebook/text_helpers.h"

namespace ebook {

int SentenceAt(const PosView& v, int place) {
  if (!v.sentences) return 0;
  int i = FindPlace(v.sentences, v.sentenceCount + 1, place);
  return std::clamp(i, 0, v.sentenceCount);
}

void GoStart(const PosView& v) {
  *v.place = 0;
  *v.sentence = 0;
}

void GoEnd(const PosView& v) {
  *v.place = v.textLength;
  *v.sentence = v.sentenceCount;
}

void GoPlace(const PosView& v, int place) {
  *v.place = place;
  *v.sentence = SentenceAt(v, place);
}

void SeekPlace(const PosView& v, int place) {
  if (place <= 0)
    GoStart(v);
  else if (place >= v.textLength)
    GoEnd(v);
  else
    GoPlace(v, place);
}

void SeekSentence(const PosView& v, int index) {
  if (index <= 0 || !v.sentences) {
    GoStart(v);
  } else if (index < v.sentenceCount) {
    *v.place = v.sentences[index];
    *v.sentence = index;
  } else {
    GoEnd(v);
  }
}

void SeekEntry(const PosView& v, const int* table, int count, int index) {
  if (index < 0 || !table)
    GoStart(v);
  else if (index >= count)
    GoEnd(v);
  else
    GoPlace(v, table[index]);
}

void SeekLastSentence(const PosView& v) {
  int n = std::min(*v.sentence, v.sentenceCount) - 1;
  if (n > 0 && v.sentences) {
    *v.place = v.sentences[n];
    *v.sentence = n;
  } else {
    GoStart(v);
  }
}

void SeekNextSentence(const PosView& v) {
  int n = std::min(*v.sentence, v.sentenceCount) + 1;
  if (n < v.sentenceCount && v.sentences) {
    *v.place = v.sentences[n];
    *v.sentence = n;
  } else {
    GoEnd(v);
  }
}

int CurEntry(const int* table, int count, int place) {
  if (!table) return -1;
  int i = FindLastPlace(table, count + 1, place);
  // The end of the text belongs to the last entry, not to one past it.
  return count > 0 ? std::min(i, count - 1) : i;
}

void SeekLastEntry(const PosView& v, const int* table, int count, int current) {
  int i = std::min(current, count);
  // From the very end, going back lands on the start of the last entry.
  if (table && count > 0 && v.place && *v.place >= table[count]) i = count;
  if (i <= 0 || !table) {
    GoStart(v);
    return;
  }
  int s = table[i];
  for (int k = i - 1; k >= 0; --k) {
    if (table[k] != s) {
      SeekPlace(v, table[k]);
      return;
    }
  }
  GoStart(v);
}

}  // namespace ebook
