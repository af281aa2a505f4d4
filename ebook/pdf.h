// CPdf: PDF documents ("pdf"). Only the page being read is held: its text is
// taken from the document when the reader reaches it, so a long PDF opens at
// once and reads in the memory of one page.
//
// Places are stable without reading the whole document: page p owns the
// places p * stride to p * stride + (its text length), where the stride is
// 65536 units (smaller only for documents of more than 32767 pages, so that
// every place fits an int); a page's text is cut at the stride. The text
// length is the page count times the stride.
//
// Headings are the document's outline (read when first needed): each entry is a heading at the page it
// leads to, its nesting depth the level (deeper than 9 counts as 9). Inside
// the page a heading stands where the entry's title is first found in the
// page's text (letters and digits compared, case aside), else at the page's
// start; that is settled when the page is first loaded, and is the same on
// every opening. Sentence and paragraph indices
// are numbered the same way (page * stride + index inside the page), so every
// index and place of the iCEbook interface maps onto one page and back.
#pragma once

#include <string>
#include <vector>

#include "core/lib/poppler/document.h"
#include "ebook/ebook.h"

class CPdf : public iCEbook {
 public:
  // 0; -2 null path; -4 the file cannot be opened; -6 not a valid PDF,
  // without pages, or locked by a password.
  int Open(const char* path) override;
  int Close() override;
  // Loads the current page when it is not the one held: 0, or -2 without a
  // document or for null arguments. At the end: length 0.
  int ReadCurSentence(unsigned short** text, int* length) override;
  int GetUnicodeLength() override { return m_PageCount * m_Stride; }
  int GetTotalSentences() override { return m_PageCount * m_Stride; }
  int GetTotalParagraphs() override { return m_PageCount * m_Stride; }
  int GetTotalHeadings() override { return ReadOutline(), static_cast<int>(m_Headings.size()); }
  int GetTotalPages() override { return m_PageCount; }
  int GetLevelDepth() override { return ReadOutline(), m_LevelDepth; }
  int GetCurPlace() override;
  int GetCurSentence() override;
  int GetCurParagraph() override;
  int GetCurHeading() override;
  int GetCurPage() override { return m_PageCount > 0 ? m_CurPage : -1; }
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
  // The pages' texts one after the other (without the gaps between their
  // places): units copied, or -2.
  int GetUnicode(unsigned short* buffer, int count) override;
  // The page's label when the document gives its pages labels.
  int GetPageLabel(int index, std::string* utf8) override;

  // The outline waits until headings are asked for or reading has begun
  // (the counts and pages never wait: the book stays settled).
  void ReadAhead() override { ReadOutline(); }

  int Stride() const { return m_Stride; }

 private:
  // Makes page `index` the one held (text, sentence and paragraph starts).
  void Load(int index);
  // Moves to a unit of a page; an offset at or past the page's text moves to
  // the next page's start, a page past the last to the end.
  void Go(int page, int offset);
  void GoEnd();
  int EntryAt(const std::vector<int>& table) const;
  void SeekToIndex(int index, std::vector<int> CPdf::*table);
  // The next or previous sentence or paragraph, across pages.
  void StepNext(std::vector<int> CPdf::*table);
  void StepBack(std::vector<int> CPdf::*table);
  // Reads the outline into the headings once (it costs a second opening).
  void ReadOutline();
  // Places the headings of the held page inside its text.
  void PlaceHeadings();
  // Headings before the current position, counting those at it.
  int HeadingsUpTo();

  struct Heading {
    int page;
    int level;
    std::vector<unsigned short> key;  // the title's letters and digits, folded
    int offset;                       // in the page's text; -1 until placed
  };

  pdf::Document m_Doc;
  std::string m_Path;  // until the outline is read
  // The text of the first page, taken for the language and kept for its
  // first load.
  std::vector<unsigned short> m_FirstPage;
  int m_PageCount = 0;
  int m_Stride = 65536;
  int m_MaxSentenceLength = c_DefaultMaxSentenceLength;
  int m_PageLength = c_DefaultPageLength;
  // The held page.
  int m_Loaded = -1;
  std::vector<unsigned short> m_Text;
  const char* m_SplitLanguage = nullptr;  // the tag sentences are split by
  std::vector<int> m_Sentences;   // starts plus the end entry
  std::vector<int> m_Paragraphs;  // starts plus the end entry
  // The position: a page (the count at the end) and a unit of its text.
  int m_CurPage = 0;
  int m_CurOffset = 0;
  std::vector<Heading> m_Headings;  // by page, then outline order
  int m_LevelDepth = 0;
};
