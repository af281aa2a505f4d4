// CTxt: the one-pass scan at opening. The file is read through a 512 KiB
// block, decoded piece by piece into the decode window and cut into
// sentences and paragraphs there; only start tables and the chunk table stay.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/base/diag.h"
#include "ebook/sentence_rules.h"
#include "ebook/text_helpers.h"
#include "ebook/txt.h"
#include "ebook/txt_encoding.h"
#include "platform/board.h"

namespace {

constexpr int c_BlockBytes = 512 * 1024;
// Undecoded bytes kept in the block before a piece is decoded: a whole chunk
// of UTF-8 and the few bytes behind it that decide how its last sequence
// reads, or a whole chunk of UTF-16 or code-page text.
constexpr int c_Utf8Refill = 16384;
constexpr int c_OtherRefill = 8192;
// UTF-16 files have no chunk table; places still have to fit an int.
constexpr int c_MaxUtf16Units = 1 << 30;
constexpr int c_FirstSentences = 4096;
constexpr int c_FirstParagraphs = 1024;

}  // namespace

// The scan's reading side: the block, its place in the file and the decoding
// of the next piece of text.
class TxtScanner {
 public:
  explicit TxtScanner(CTxt& t) : m_T(t), m_Block(static_cast<unsigned char*>(malloc(c_BlockBytes))) {}
  ~TxtScanner() { free(m_Block); }
  TxtScanner(const TxtScanner&) = delete;
  TxtScanner& operator=(const TxtScanner&) = delete;
  const unsigned char* Block() const { return m_Block; }

  // Moves the undecoded rest to the front and fills the block. 0 or -4.
  int Fill() {
    int rest = m_Len - m_Pos;
    if (rest > 0 && m_Pos > 0) memmove(m_Block, m_Block + m_Pos, static_cast<size_t>(rest));
    m_FileOffset += m_Pos;
    m_Len = rest;
    m_Pos = 0;
    while (m_Len < c_BlockBytes && !m_Eof) {
      ssize_t r = read(m_T.m_Fd, m_Block + m_Len, static_cast<size_t>(c_BlockBytes - m_Len));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return -4;
      if (r == 0) m_Eof = true;
      m_Len += static_cast<int>(r);
    }
    return 0;
  }

  // Decodes the next piece (at most one chunk) into dst. Units, or -4.
  // Sets Done() when the input is used up or the chunk table is full.
  int Step(unsigned short* dst) {
    // Every chunk but the last holds exactly c_ChunkUnits units.
    int refill = m_T.m_Encoding == CTxt::c_Utf8 ? c_Utf8Refill : std::max(c_OtherRefill, m_T.MaxChunkBytes() + 4);
    if (m_Len - m_Pos < refill && !m_Eof && Fill() != 0) return -4;
    int n = 0, used = 0;
    const unsigned char* src = m_Block + m_Pos;
    int avail = m_Len - m_Pos;
    switch (m_T.m_Encoding) {
      case CTxt::c_Utf8:
        n = DecodeUtf8(src, avail, dst, CTxt::c_ChunkUnits, &used);
        break;
      case CTxt::c_CodePage:
        n = m_T.DecodeCodePage(src, avail, dst, CTxt::c_ChunkUnits, &used);
        break;
      default:
        n = std::min(avail / 2, std::min(CTxt::c_ChunkUnits, c_MaxUtf16Units - m_Units));
        memcpy(dst, src, static_cast<size_t>(n) * 2);
        if (m_T.m_Encoding == CTxt::c_Utf16Be) Utf16BeToLe(dst, n);
        used = n * 2;
        break;
    }
    m_Pos += used;
    m_Units += n;
    if (n == 0) {
      m_Done = true;
    } else if (m_T.m_Encoding == CTxt::c_Utf8 || m_T.m_Encoding == CTxt::c_CodePage) {
      m_T.m_Chunks[++m_T.m_ChunkCount] = static_cast<int>(m_FileOffset + m_Pos);
      if (m_T.m_ChunkCount >= CTxt::c_MaxChunks) m_Done = true;
    }
    return n;
  }

  bool Done() const { return m_Done; }
  bool WholeFileRead() const { return m_Eof; }
  int Length() const { return m_Len; }
  void Skip(int bytes) { m_Pos += bytes; }

  // The sentence scan between steps: decoded units not yet cut, and where
  // the cutting stands.
  unsigned short window[CTxt::c_WindowUnits];
  int winLen = 0, winPos = 0;
  int accumulated = 0;
  bool newParagraph = true;
  // Chosen by the first chunk of text: a plain text declares no language.
  const SentenceRules* rules = nullptr;
  bool chosen = false;

 private:
  CTxt& m_T;
  unsigned char* m_Block;
  int m_Len = 0;
  int m_Pos = 0;
  long long m_FileOffset = 0;
  bool m_Eof = false;
  bool m_Done = false;
  int m_Units = 0;
};

bool CTxt::PushStart(int** table, int* count, int* cap, int value) {
  // Room for the entry and the end entry behind it.
  if (*count + 1 >= *cap) {
    long long grow = std::max(32768, *cap / 2);
    long long ncap = *cap + grow;
    if (ncap > (1LL << 30)) return false;
    void* p = realloc(*table, sizeof(int) * static_cast<size_t>(ncap));
    if (!p) return false;
    *table = static_cast<int*>(p);
    *cap = static_cast<int>(ncap);
  }
  (*table)[(*count)++] = value;
  return true;
}

int CTxt::BuildPages() {
  int n = m_SentenceCount;
  if (n == 0) return 0;
  int count = m_SentenceStarts[n - 1] / m_PageLength + 1;
  int* table = static_cast<int*>(malloc(sizeof(int) * (static_cast<size_t>(count) + 1)));
  if (!table) return -3;
  int k = 0;
  long long limit = 0;
  for (int j = 0; j < n && k < count; ++j) {
    if (m_SentenceStarts[j] >= limit) {
      table[k++] = m_SentenceStarts[j];
      limit += m_PageLength;
    }
  }
  while (k <= count) table[k++] = m_TextLength;
  m_PageStarts = table;
  m_PageCount = count;
  return 0;
}

int CTxt::DetectEncoding(TxtScanner& in, const unsigned char* block) {
  int len = in.Length();
  std::string codePage;
  m_MarkLength = 0;
  if (len >= 4 && !memcmp(block, "\xFF\xFE\0\0", 4)) {
    codePage = "UTF-32LE";
    m_MarkLength = 4;
  } else if (len >= 4 && !memcmp(block, "\0\0\xFE\xFF", 4)) {
    codePage = "UTF-32BE";
    m_MarkLength = 4;
  } else if (len >= 2 && block[0] == 0xFF && block[1] == 0xFE) {
    m_Encoding = c_Utf16Le;
    m_MarkLength = 2;
  } else if (len >= 2 && block[0] == 0xFE && block[1] == 0xFF) {
    m_Encoding = c_Utf16Be;
    m_MarkLength = 2;
  } else if (len >= 3 && block[0] == 0xEF && block[1] == 0xBB && block[2] == 0xBF) {
    m_Encoding = c_Utf8;
    m_MarkLength = 3;
  } else if (len == 0 || (CheckIfUtf8(block, len, in.WholeFileRead() ? 1 : 0) == 1 &&
                          !LooksLikeWideUnicode(block, static_cast<size_t>(len)))) {
    m_Encoding = c_Utf8;
  } else {
    codePage = GuessTextEncoding(block, static_cast<size_t>(len));
    if (codePage == "UTF-16LE") m_Encoding = c_Utf16Le;
    if (codePage == "UTF-16BE") m_Encoding = c_Utf16Be;
    if (codePage.rfind("UTF-16", 0) == 0) return 0;
  }
  if (codePage.empty()) return 0;
  m_Encoding = c_CodePage;
  if (!m_Converter.Open(codePage.c_str()) && !m_Converter.Open("CP1250")) {
    DiagPrintf("iconv_open fail");
    return -2;
  }
  m_HasByteTable = m_Converter.BuildByteTable(m_ByteTable);
  // EBCDIC ends its lines with its own new-line byte (0x15, read as U+0085)
  // as often as with line feed (0x25): both end a line.
  if (m_HasByteTable && m_ByteTable[0x15] == 0x85 && m_ByteTable[0x25] == 10) m_ByteTable[0x15] = 10;
  return 0;
}

void CTxt::ScanDeleter::operator()(TxtScanner* s) const { delete s; }

int CTxt::ScanText(int budget, bool opening) {
  TxtScanner& in = *m_Scan;
  unsigned short* window = in.window;
  const int stop = m_TextLength + budget;
  for (;;) {
    if (m_TextLength >= stop) return 1;
    if (!in.Done() && in.winLen - in.winPos < m_MaxSentenceLength) {
      memmove(window, window + in.winPos, sizeof(unsigned short) * static_cast<size_t>(in.winLen - in.winPos));
      in.winLen -= in.winPos;
      in.winPos = 0;
      int n = in.Step(window + in.winLen);
      if (n < 0) return n;
      if (opening && m_CancelOpen.load(std::memory_order_relaxed)) return -6;
      in.winLen += n;
      continue;
    }
    if (in.winPos >= in.winLen) break;
    if (!in.chosen) {
      in.rules = SentenceRulesFor(BookLanguageTag(nullptr, window, in.winLen));
      in.chosen = true;
    }
    int n = std::min(in.winLen - in.winPos, m_MaxSentenceLength);
    int l = GetSentencesLengthW(window + in.winPos, n, in.rules);
    bool ok = PushStart(&m_SentenceStarts, &m_SentenceCount, &m_SentenceCapacity, m_TextLength);
    if (ok && in.newParagraph) {
      ok = PushStart(&m_ParagraphStarts, &m_ParagraphCount, &m_ParagraphCapacity, m_TextLength);
      in.newParagraph = false;
      in.accumulated = 0;
    }
    if (!ok) {
      // A table that silently lost entries would put every later place in
      // the wrong sentence; the text ends before the entry that was lost.
      if (m_SentenceCount > 0 && m_SentenceStarts[m_SentenceCount - 1] == m_TextLength) --m_SentenceCount;
      return -3;
    }
    if (Check0D0A_W(window + in.winPos, l)) {
      in.newParagraph = true;
    } else {
      in.accumulated += l;
      if (in.accumulated >= m_PageLength) in.newParagraph = true;
    }
    m_TextLength += l;
    in.winPos += l;
  }
  return 0;
}

namespace {
// Units scanned per step behind the reading: a few milliseconds on the device.
constexpr int c_ScanStep = 65536;
}  // namespace

void CTxt::ScanOn() {
  if (!m_Scan) return;
  int r = ScanText(c_ScanStep, false);
  // End entries, not counted (PushStart always leaves room for them).
  m_SentenceStarts[m_SentenceCount] = m_TextLength;
  m_ParagraphStarts[m_ParagraphCount] = m_TextLength;
  if (r != 1) EndScan();
}

void CTxt::ScanAll() {
  while (m_Scan) ScanOn();
}

void CTxt::ScanPast(int place) {
  while (m_Scan && place >= m_TextLength) ScanOn();
}

int CTxt::EndScan() {
  m_Scan.reset();
  // A paragraph start at the very end (its sentence was lost) holds no text.
  while (m_ParagraphCount > 0 && m_ParagraphStarts[m_ParagraphCount - 1] >= m_TextLength) --m_ParagraphCount;
  m_ParagraphStarts[m_ParagraphCount] = m_TextLength;
  if (m_CurPlace > m_TextLength) m_CurPlace = m_TextLength, m_CurSentence = m_SentenceCount;
  // Without room for the pages, the text is one page.
  if (BuildPages() == 0) return 0;
  m_PageCount = 0;
  return -3;
}

int CTxt::Open(const char* path) {
  Close();
  if (!path) return -4;
  m_Fd = BOpen(path, O_RDONLY | O_CLOEXEC);
  if (m_Fd < 0) return -4;
  struct stat st;
  if (fstat(m_Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return -4;
  }
  m_Scan.reset(new (std::nothrow) TxtScanner(*this));
  if (!m_Scan || !m_Scan->Block()) {
    Close();
    return -3;
  }
  TxtScanner& in = *m_Scan;
  if (in.Fill() != 0) {
    Close();
    return -4;
  }
  int r = DetectEncoding(in, in.Block());
  if (r != 0) {
    Close();
    return r;
  }
  in.Skip(m_MarkLength);
  m_Chunks[0] = m_MarkLength;
  m_ChunkCount = 0;

  bool chunked = m_Encoding == c_Utf8 || m_Encoding == c_CodePage;
  if (chunked) m_ReadBuf = static_cast<unsigned char*>(malloc(2 * static_cast<size_t>(MaxChunkBytes()) + 3));
  m_SentenceStarts = static_cast<int*>(malloc(sizeof(int) * c_FirstSentences));
  m_ParagraphStarts = static_cast<int*>(malloc(sizeof(int) * c_FirstParagraphs));
  if ((chunked && !m_ReadBuf) || !m_SentenceStarts || !m_ParagraphStarts) {
    Close();
    return -3;
  }
  m_SentenceCapacity = c_FirstSentences;
  m_ParagraphCapacity = c_FirstParagraphs;
  m_WindowCount = 0;
  m_CurPlace = m_CurSentence = 0;

  // The first step is scanned here, and fails the opening as a whole scan
  // would; the rest follows behind the reading.
  r = ScanText(c_ScanStep, true);
  if (r < 0) {
    Close();
    return r;
  }
  m_SentenceStarts[m_SentenceCount] = m_TextLength;
  m_ParagraphStarts[m_ParagraphCount] = m_TextLength;
  if (r == 0 && EndScan() != 0) {
    Close();
    return -3;
  }
  return 0;
}
