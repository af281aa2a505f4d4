// CTxt: plain text books ("txt", "ebk"). The file is scanned once, its start
// at opening and the rest behind the reading, and only the start tables are
// kept; each sentence is read back from the file when asked for, so books of
// tens of megabytes open at once in small, fixed memory.
#pragma once

#include <atomic>
#include <memory>

#include "core/lib/no_copy.h"
#include "ebook/ebook.h"
#include "ebook/iconv_converter.h"

class TxtScanner;

class CTxt : public iCEbook, NoCopy {
 public:
  // Encoding codes.
  static constexpr int c_Utf8 = 65001;
  static constexpr int c_Utf16Le = 65005;
  static constexpr int c_Utf16Be = 65006;
  static constexpr int c_CodePage = 0;
  // Decoded text is indexed in chunks of this many units.
  static constexpr int c_ChunkUnits = 4096;
  static constexpr int c_MaxChunks = 8192;
  static constexpr int c_WindowUnits = 8192;

  CTxt();
  ~CTxt() override;

  // Scans the file's start: 0; -4 it cannot be opened or read; -3 no memory;
  // -2 no code-page converter; -6 cancelled by CancelOpen.
  int Open(const char* path) override;
  int Close() override;
  // Checked between chunks of the scan, so a close never waits for a whole file.
  void CancelOpen() override { m_CancelOpen = true; }
  // Reads the rest of the current sentence back from the file into the
  // decode window. 0 (null text and length 0 at the end); -2 without a book
  // or for null arguments; -5 when the file can no longer be read.
  int ReadCurSentence(unsigned short** text, int* length) override;
  int GetUnicodeLength() override { return ScanAll(), m_TextLength; }
  int GetTotalSentences() override { return ScanAll(), m_SentenceCount; }
  int GetTotalParagraphs() override { return ScanAll(), m_ParagraphCount; }
  int GetTotalHeadings() override { return 0; }
  int GetTotalPages() override { return ScanAll(), m_PageCount; }
  int GetLevelDepth() override { return 0; }
  int GetCurPlace() override { return m_CurPlace; }
  int GetCurSentence() override { return m_CurSentence; }
  int GetCurParagraph() override;
  int GetCurHeading() override { return 0; }
  int GetCurPage() override;
  int SeekToPlace(int place) override;
  int SeekToSentence(int index) override;
  int SeekToParagraph(int index) override;
  int SeekToHeading(int) override { return 0; }
  int SeekToPage(int index) override;
  int SeekToLastSentence() override;
  int SeekToNextSentence() override;
  int SeekToLastParagraph() override;
  int SeekToNextParagraph() override;
  int SeekToLastPage() override;
  int SeekToNextPage() override;
  int SeekToLastHeading(int) override { return 0; }
  int SeekToNextHeading(int) override { return 0; }
  int SetMaxSentenceLength(int length) override;
  int SetPageLength(int length) override;
  // Decodes the first units of the text from the file: units produced, -2
  // for bad arguments or no book, -5 when the file cannot be read back.
  int GetUnicode(unsigned short* buffer, int count) override;
  // Decodes the chunks that hold the range (no gaps): units, -2, -3 or -5.
  int GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) override;

  // False while the scan still goes on behind the reading.
  bool Settled() override { return !m_Scan; }
  void ReadAhead() override { ScanOn(); }

  int GetEncoding() const { return m_Encoding; }
  int GetChunkCount() const { return m_ChunkCount; }

 private:
  friend class TxtScanner;

  // Most bytes one chunk of the file's encoding can take.
  int MaxChunkBytes() const;
  // Decodes chunk c (and c + 1 when `two`) into buf; units, or -2/-5.
  int DecodeChunks(int c, bool two, unsigned short* buf);
  int ReadUnits16(int place, int count, unsigned short* buf);
  // Code-page bytes to units, by the byte table when there is one.
  int DecodeCodePage(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed);
  bool PushStart(int** table, int* count, int* cap, int value);
  int BuildPages();
  // Picks the encoding from the first block; 0, or -2 when the converter
  // cannot be opened.
  int DetectEncoding(TxtScanner& in, const unsigned char* block);
  // Scans about `budget` more units, building the sentence and paragraph
  // tables: 1 while the text goes on, 0 at its end, or a failure (-6: a
  // cancel, heard only while `opening`).
  int ScanText(int budget, bool opening);
  // One more step of the scan; the whole rest; until the sentence holding
  // `place` is scanned.
  void ScanOn();
  void ScanAll();
  void ScanPast(int place);
  // The scan ended (a failure: the text is what was scanned). 0 or -3.
  int EndScan();
  ebook::PosView View() { return {m_SentenceStarts, m_SentenceCount, m_TextLength, &m_CurPlace, &m_CurSentence}; }

  struct ScanDeleter {
    void operator()(TxtScanner* s) const;
  };
  std::unique_ptr<TxtScanner, ScanDeleter> m_Scan;  // until the end of the text
  int m_Fd = -1;
  std::atomic<bool> m_CancelOpen{false};
  int m_Encoding = c_Utf8;
  int m_MarkLength = 0;
  int m_Chunks[c_MaxChunks + 1];
  int m_ChunkCount = 0;
  int m_CurPlace = 0;
  int m_CurSentence = 0;
  int m_TextLength = 0;
  int m_SentenceCount = 0;
  int m_ParagraphCount = 0;
  int m_PageCount = 0;
  int* m_SentenceStarts = nullptr;
  int m_SentenceCapacity = 0;
  int* m_ParagraphStarts = nullptr;
  int m_ParagraphCapacity = 0;
  int* m_PageStarts = nullptr;
  int m_MaxSentenceLength = c_DefaultMaxSentenceLength;
  int m_PageLength = c_DefaultPageLength;
  unsigned short m_Window[c_WindowUnits];
  int m_WindowPlace = 0;
  int m_WindowCount = 0;
  IconvConverter m_Converter;
  unsigned short m_ByteTable[256];
  bool m_HasByteTable = false;
  unsigned char* m_ReadBuf = nullptr;  // bytes of two chunks, for reading back
};
