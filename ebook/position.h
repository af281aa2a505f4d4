// Moving a position over start tables: the rules every source shares, kept in
// one place so that a source with its own storage moves exactly like CEbook.
#pragma once

namespace ebook {

// A view of a source's tables and its position (place and sentence). Tables
// hold count entries plus an end entry; a null table has no entries.
struct PosView {
  const int* sentences;
  int sentenceCount;
  int textLength;
  int* place;
  int* sentence;
};

// Sentence containing a place (0 without a table).
int SentenceAt(const PosView& v, int place);
void GoStart(const PosView& v);
void GoEnd(const PosView& v);
// A place inside the text: place and its sentence.
void GoPlace(const PosView& v, int place);
void SeekPlace(const PosView& v, int place);
void SeekSentence(const PosView& v, int index);
// Paragraph/page/heading of index (i <= 0 or i < 0 goes to the start, as the
// caller decides; i >= count to the end).
void SeekEntry(const PosView& v, const int* table, int count, int index);
void SeekLastSentence(const PosView& v);
void SeekNextSentence(const PosView& v);
// Index of the entry containing the place (last of equal starts), -1 before
// the first entry or without a table.
int CurEntry(const int* table, int count, int place);
// Previous paragraph or page, skipping empty ones (equal starts).
void SeekLastEntry(const PosView& v, const int* table, int count, int current);

}  // namespace ebook
