// The e-book text model: every document the reader speaks is one long UTF-16
// text divided into sentences, paragraphs, headings and pages, with one
// current position (a place in UTF-16 units and the sentence containing it).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/lib/no_copy.h"
#include "ebook/position.h"

// The interface of every e-book source. Not thread-safe: one thread at a time
// (the reader's play thread, with seeks serialised against it).
class iCEbook {
 public:
  virtual ~iCEbook() {}
  // Opens and indexes the file at a device path; leaves the position at the
  // start. 0, or a negative code of the source (-2/-3/-4/...).
  virtual int Open(const char* path) = 0;
  // Releases everything; the object is empty afterwards. Always 0.
  virtual int Close() = 0;
  // Asks an Open running on another thread to give up as soon as it can (it
  // then fails). The only call allowed from another thread.
  virtual void CancelOpen() {}
  // Points *text at the rest of the current sentence (not a copy; valid until
  // the next read or close) and stores its length. 0; -2 without a book or for
  // null arguments; sources may add their own read failures (-5).
  virtual int ReadCurSentence(unsigned short** text, int* length) = 0;
  // Length of the whole text in UTF-16 units.
  virtual int GetUnicodeLength() = 0;
  // Counts, not including the end entries.
  virtual int GetTotalSentences() = 0;
  virtual int GetTotalParagraphs() = 0;
  virtual int GetTotalHeadings() = 0;
  // Whether heading `index` exists, reading on only as far as it takes.
  virtual bool HasHeading(int index) { return index >= 0 && index < GetTotalHeadings(); }
  virtual int GetTotalPages() = 0;
  // Deepest heading level present, 0 without headings.
  virtual int GetLevelDepth() = 0;
  // Current place (units) and sentence index.
  virtual int GetCurPlace() = 0;
  virtual int GetCurSentence() = 0;
  // Index of the paragraph/heading/page containing the place; -1 when there
  // is none before the place (a count means past the last one).
  virtual int GetCurParagraph() = 0;
  virtual int GetCurHeading() = 0;
  virtual int GetCurPage() = 0;
  // Seeks never fail: out-of-range values clamp to the start or the end. 0.
  virtual int SeekToPlace(int place) = 0;
  virtual int SeekToSentence(int index) = 0;
  virtual int SeekToParagraph(int index) = 0;
  virtual int SeekToHeading(int index) = 0;
  virtual int SeekToPage(int index) = 0;
  // "Last" means previous.
  virtual int SeekToLastSentence() = 0;
  virtual int SeekToNextSentence() = 0;
  virtual int SeekToLastParagraph() = 0;
  virtual int SeekToNextParagraph() = 0;
  virtual int SeekToLastPage() = 0;
  virtual int SeekToNextPage() = 0;
  // Previous/next heading whose level is at most `level`.
  virtual int SeekToLastHeading(int level) = 0;
  virtual int SeekToNextHeading(int level) = 0;
  // Segmentation limits; only effective before Open. Out of range: default.
  virtual int SetMaxSentenceLength(int length) = 0;
  virtual int SetPageLength(int length) = 0;
  // Copies the first min(count, length) units of the text; that number, or -2.
  virtual int GetUnicode(unsigned short* buffer, int count) = 0;
  // The label the document itself gives page `index` ("iv", "12"), UTF-8:
  // 0, or -1 when the document does not number its pages (the reader then
  // speaks index + 1) or the index is out of range.
  virtual int GetPageLabel(int /*index*/, std::string* /*utf8*/) { return -1; }
  // Copies up to `count` units of the text from the first place at or after
  // `place` that holds text, stopping early where the places have a gap;
  // *start (when not null) gets the place of the first unit. Units copied (0
  // at the end), -2 for bad arguments, or a read failure of the source. The
  // position is left as it was. Searching streams the text through this.
  virtual int GetUnicodeAt(int place, unsigned short* buffer, int count, int* start);
  // The first note or annotation of the text (quieter reading passes over
  // them) that ends after `place`: 0 and its places [*start, *end), or -1
  // when there is none (sources without notes). A book still being read
  // knows the ranges of what it has read: always those that overlap the
  // sentence holding `place`.
  virtual int QuietRangeAfter(int, int*, int*) { return -1; }
  // False while the source still reads the rest of its document as reading
  // reaches it: the counts, the pages and the level depth would then wait
  // for the whole document to be read.
  virtual bool Settled() { return true; }
  // Reads one more piece of such a document (a few milliseconds' work), so
  // that it is read whole long before a count is asked for.
  virtual void ReadAhead() {}
  // The deepest heading level of what was read so far (the level depth once
  // settled): the levels a user can move by before the document is whole.
  virtual int LevelDepthSoFar() { return GetLevelDepth(); }
};

// Default limits of segmentation (units).
constexpr int c_DefaultMaxSentenceLength = 500;
constexpr int c_DefaultPageLength = 1000;

// The common in-memory source: a UTF-16 text plus start tables, filled by a
// format parser through the building operations and closed by
//   AddParagraphFlag(1), AddHeadingFlag(0, 1), DealSentences(), DealPages(),
//   m_LevelDepth = GetHeadingsTotalLevel().
class CEbook : public iCEbook, NoCopy {
 public:
  CEbook();
  ~CEbook() override;

  // Only reserves the text buffer; format sources override it. 0 or -3.
  int Open(const char* path) override;
  int Close() override;
  int ReadCurSentence(unsigned short** text, int* length) override;
  int GetUnicodeLength() override { return ReadAll(), m_TextLength; }
  int GetTotalSentences() override { return ReadAll(), m_SentenceCount; }
  int GetTotalParagraphs() override { return ReadAll(), m_ParagraphCount; }
  int GetTotalHeadings() override { return ReadAll(), m_HeadingCount; }
  bool HasHeading(int index) override;
  int GetTotalPages() override { return ReadAll(), m_PageCount; }
  int GetLevelDepth() override { return ReadAll(), m_LevelDepth; }
  int GetCurPlace() override { return m_CurPlace; }
  int GetCurSentence() override { return m_CurSentence; }
  int GetCurParagraph() override;
  int GetCurHeading() override;
  int GetCurPage() override;
  int SeekToPlace(int place) override;
  int SeekToSentence(int index) override;
  int SeekToParagraph(int index) override;
  int SeekToHeading(int index) override;
  int SeekToPage(int index) override;
  int SeekToLastSentence() override;
  int SeekToNextSentence() override;
  int SeekToLastParagraph() override;
  int SeekToNextParagraph() override;
  int SeekToLastPage() override;
  int SeekToNextPage() override;
  int SeekToLastHeading(int level) override;
  int SeekToNextHeading(int level) override;
  int SetMaxSentenceLength(int length) override;
  int SetPageLength(int length) override;
  int GetUnicode(unsigned short* buffer, int count) override;
  int GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) override;
  int QuietRangeAfter(int place, int* start, int* end) override;
  bool Settled() override { return !m_Partial; }
  void ReadAhead() override { ReadOn(); }
  int LevelDepthSoFar() override { return m_Partial ? GetHeadingsTotalLevel() : m_LevelDepth; }

  // Building operations, used by format parsers inside Open. A -3 failure
  // leaves text and tables as they were.
  // Appends UTF-8 converted to UTF-16: units appended, 0, -2 (null), -3.
  int AddText(const char* utf8, int bytes);
  // Appends UTF-16 units: count, 0, -2 (null), -3.
  int AddTextW(const unsigned short* text, int count);
  // Appends one unit: 0 or -3.
  int AddCharW(unsigned short ch);
  // Marks a paragraph start at the current text length (closing != 0: the end
  // entry, not counted). 0 or -3.
  int AddParagraphFlag(int closing);
  // The same for a heading of a level. 0, -2 (tables out of step), -3.
  int AddHeadingFlag(int level, int closing);
  // The same for an explicit page start. 0 or -3.
  int AddPageFlag(int closing);
  // Builds the sentence table from the text and paragraph starts. 0, -2, -3.
  int DealSentences();
  // Builds the page table from the sentence table. 0, -2, -3.
  int DealPages();
  // Largest level among the counted headings, 0 without headings.
  int GetHeadingsTotalLevel();
  // Runs the closing sequence (pages from DealPages unless the source wrote
  // its own page starts). 0 or the first failure.
  int FinishBuilding(bool dealPages);
  // The language the book declares ("pl", "en-US"); sentences then follow its
  // abbreviations instead of the interface language's. Before DealSentences.
  void SetLanguage(const char* tag);

 protected:
  // A long document read in steps: the source's Open reads its start and
  // calls ReadInSteps(); from then on each ReadMore() adds the next piece
  // through the building operations and returns 1, or ends the document
  // with FinishBuilding and returns 0 (a negative result: the closing
  // failed). Sentences are split as the text settles, so the places are
  // those of a document read whole; pages wait for the end (a later piece
  // may bring the document's own page marks).
  virtual int ReadMore() { return 0; }
  // The place from which a later piece may still change what was read (an
  // open note, in markup); the text before it is split into sentences.
  virtual int SettledBefore() const { return m_TextLength; }
  // Reading in steps ended early (no memory): what the steps held goes.
  virtual void EndSteps() {}
  // 0, or -3 when even the first sentences cannot be split.
  int ReadInSteps();
  // Ends an open that read the book's first part: `first` 1 (more to read:
  // reading goes on in steps), 0 (the whole book: it is built now) or a
  // failure (the book is closed). 0 or the failure.
  int EndOpen(int first);
  // The closing sequence of a source that has read its whole document.
  virtual int FinishReading() { return FinishBuilding(true); }

  int GrowText(int needed, int step);
  void GoStart();
  void GoEnd();
  void GoPlaceIn(int place);
  ebook::PosView View() { return {m_SentenceStarts, m_SentenceCount, m_TextLength, &m_CurPlace, &m_CurSentence}; }

 private:
  // Splits the text into sentences up to the start of paragraph `paragraphs`
  // (all of it with `toEnd`), going on from where the last call stopped.
  int DealSentencesTo(int paragraphs, bool toEnd);
  // Splits what can no longer change; 0 or -3.
  int DealSettledSentences();
  void DealSettled();
  // One more piece of a document read in steps; the whole rest; until the
  // sentence holding `place` is settled.
  void ReadOn();
  void ReadAll();
  void ReadPast(int place);
  // After a closing that failed: the book is what was settled.
  void EndAsSettled();

 protected:

  int m_ParagraphCapacity = 0;
  int m_HeadingCapacity = 0;
  int m_PageCapacity = 0;
  unsigned short* m_Text = nullptr;
  int m_TextCapacity = 0;
  int m_TextLength = 0;
  int* m_SentenceStarts = nullptr;
  int* m_ParagraphStarts = nullptr;
  int* m_HeadingPlaces = nullptr;
  int* m_HeadingLevels = nullptr;
  int* m_PageStarts = nullptr;
  int m_SentenceCount = 0;
  int m_ParagraphCount = 0;
  int m_HeadingCount = 0;
  int m_PageCount = 0;
  int m_LevelDepth = 0;
  int m_CurPlace = 0;
  int m_CurSentence = 0;
  int m_MaxSentenceLength = c_DefaultMaxSentenceLength;
  int m_PageLength = c_DefaultPageLength;
  int m_SentenceCapacity = 0;
  std::string m_Language;
  std::string m_SplitLanguage;  // the one sentences are split by, once chosen
  bool m_Partial = false;     // reading in steps, not at the end yet
  int m_DealtParagraphs = 0;  // paragraph starts the sentences reach
  int m_DealtPlace = 0;       // the end of the last sentence split
  // Notes and annotations, in text order, each [start, end) (parsers add them).
  std::vector<std::pair<int, int>> m_QuietRanges;
};

// Creates the source for a file extension (without the dot, any case); null
// for an extension that is not an e-book or whose format is not supported.
iCEbook* GetEbookClass(const char* extension);
// 1 when the extension names an e-book format the reader handles, else 0.
int CheckIsEbookFile_FromExtName(const char* extension);
