// CTxt: reading sentences back from the file, and moving.
#include "ebook/txt.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "ebook/position.h"
#include "ebook/text_helpers.h"

namespace {

// Reads up to n bytes at an offset; bytes read, or -1.
long long PreadAll(int fd, unsigned char* buf, long long n, long long offset) {
  long long got = 0;
  while (got < n) {
    ssize_t r = pread(fd, buf + got, static_cast<size_t>(n - got), static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += r;
  }
  return got;
}

}  // namespace

CTxt::CTxt() = default;

CTxt::~CTxt() { CTxt::Close(); }

int CTxt::Close() {
  m_Scan.reset();
  if (m_Fd >= 0) close(m_Fd);
  m_Fd = -1;
  m_Converter.Close();
  m_HasByteTable = false;
  free(m_SentenceStarts);
  free(m_ParagraphStarts);
  free(m_PageStarts);
  free(m_ReadBuf);
  m_SentenceStarts = m_ParagraphStarts = m_PageStarts = nullptr;
  m_ReadBuf = nullptr;
  m_SentenceCapacity = m_ParagraphCapacity = 0;
  m_Encoding = c_Utf8;
  m_MarkLength = 0;
  m_ChunkCount = 0;
  m_Chunks[0] = 0;
  m_WindowPlace = m_WindowCount = 0;
  m_CurPlace = m_CurSentence = 0;
  m_TextLength = m_SentenceCount = m_ParagraphCount = m_PageCount = 0;
  m_MaxSentenceLength = c_DefaultMaxSentenceLength;
  m_PageLength = c_DefaultPageLength;
  return 0;
}

int CTxt::ReadUnits16(int place, int count, unsigned short* buf) {
  long long offset = m_MarkLength + 2LL * place;
  long long got = PreadAll(m_Fd, reinterpret_cast<unsigned char*>(buf), 2LL * count, offset);
  if (got < 0) return -5;
  int units = static_cast<int>(got / 2);
  if (m_Encoding == c_Utf16Be) Utf16BeToLe(buf, units);
  return units;
}

int CTxt::DecodeCodePage(const unsigned char* src, int srcLen, unsigned short* dst, int room, int* consumed) {
  if (!m_HasByteTable) return m_Converter.ToUtf16(src, srcLen, dst, room, consumed);
  int n = std::min(srcLen, room);
  for (int i = 0; i < n; ++i) dst[i] = m_ByteTable[src[i]];
  *consumed = n;
  return n;
}

int CTxt::MaxChunkBytes() const {
  // Multi-byte code pages (UTF-32, the Asian ones) take up to four bytes a unit.
  return m_Encoding == c_CodePage && !m_HasByteTable ? 4 * c_ChunkUnits + 4 : Utf8MaxBytesFor(c_ChunkUnits);
}

int CTxt::DecodeChunks(int c, bool two, unsigned short* buf) {
  if (c < 0 || c >= m_ChunkCount || !m_ReadBuf) return -2;
  int last = std::min(c + (two ? 2 : 1), m_ChunkCount);
  long long begin = m_Chunks[c], end = m_Chunks[last];
  if (end <= begin) return -2;
  long long span = end - begin;
  // The decoder sees the bytes just behind a chunk, as it did during the scan.
  long long want = span + (m_HasByteTable ? 0 : 3);
  if (want > 2LL * MaxChunkBytes() + 3) return -5;
  long long got = PreadAll(m_Fd, m_ReadBuf, want, begin);
  if (got < span) return -5;
  int units = 0;
  long long pos = 0;
  for (int k = c; k < last; ++k) {
    long long bytes = m_Chunks[k + 1] - m_Chunks[k];
    int used = 0, n;
    // A rejected sequence is told from a cut-off one only with the bytes behind it.
    if (m_Encoding == c_Utf8)
      n = DecodeUtf8(m_ReadBuf + pos, static_cast<int>(got - pos), buf + units, c_ChunkUnits, &used);
    else
      n = DecodeCodePage(m_ReadBuf + pos, static_cast<int>(got - pos), buf + units, c_ChunkUnits, &used);
    // A chunk that no longer decodes to what the scan saw: the file changed.
    if (used != bytes) return -5;
    units += n;
    pos += bytes;
  }
  return units;
}

int CTxt::ReadCurSentence(unsigned short** text, int* length) {
  if (m_Fd < 0 || !text || !length || !m_SentenceStarts) return -2;
  if (m_CurPlace < 0) m_CurPlace = m_CurSentence = 0;
  ScanPast(m_CurPlace);
  if (m_TextLength <= 0 || m_CurPlace >= m_TextLength || m_SentenceCount <= 0) {
    *text = nullptr;
    *length = 0;
    return 0;
  }
  int place = m_CurPlace;
  int s = std::clamp(m_CurSentence, 0, m_SentenceCount - 1);
  if (m_SentenceStarts[s] > place || m_SentenceStarts[s + 1] <= place) {
    ebook::PosView v = View();
    s = std::min(ebook::SentenceAt(v, place), m_SentenceCount - 1);
  }
  int want = std::min(m_TextLength, m_SentenceStarts[s + 1]) - place;
  if (m_WindowCount <= 0 || place < m_WindowPlace || place + want > m_WindowPlace + m_WindowCount) {
    m_WindowCount = 0;
    if (m_Encoding == c_Utf16Le || m_Encoding == c_Utf16Be) {
      int n = ReadUnits16(place, std::min(c_WindowUnits, m_TextLength - place), m_Window);
      if (n <= 0) return -5;
      m_WindowPlace = place;
      m_WindowCount = n;
      want = std::min(want, n);
    } else {
      int c = place / c_ChunkUnits;
      bool two = (place + want - 1) / c_ChunkUnits != c;
      int n = DecodeChunks(c, two, m_Window);
      if (n < 0) return n;
      int expect = std::min(m_TextLength, (c + (two ? 2 : 1)) * c_ChunkUnits) - c * c_ChunkUnits;
      if (n < expect) return -5;
      m_WindowPlace = c * c_ChunkUnits;
      m_WindowCount = n;
    }
  }
  *text = m_Window + (place - m_WindowPlace);
  *length = want;
  return 0;
}

int CTxt::GetUnicode(unsigned short* buffer, int count) {
  if (!buffer || count <= 0 || m_Fd < 0) return -2;
  return GetUnicodeAt(0, buffer, count, nullptr);
}

int CTxt::GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) {
  if (!buffer || count <= 0 || m_Fd < 0) return -2;
  place = std::max(place, 0);
  if (start) *start = place;
  while (m_Scan && static_cast<long long>(place) + count > m_TextLength) ScanOn();
  if (place >= m_TextLength) return 0;
  const int n = std::min(count, m_TextLength - place);
  int done = 0;
  if (m_Encoding == c_Utf16Le || m_Encoding == c_Utf16Be) {
    while (done < n) {
      int r = ReadUnits16(place + done, std::min(c_ChunkUnits, n - done), buffer + done);
      if (r <= 0) return -5;
      done += r;
    }
    return done;
  }
  unsigned short* tmp = nullptr;
  int result = 0;
  for (int c = place / c_ChunkUnits; done < n; ++c) {
    const int skip = place + done - c * c_ChunkUnits;
    // Whole chunks that fit go straight to the caller's buffer.
    const bool direct = skip == 0 && n - done >= c_ChunkUnits;
    if (!direct && !tmp) {
      tmp = static_cast<unsigned short*>(malloc(sizeof(unsigned short) * c_ChunkUnits));
      if (!tmp) return -3;
    }
    unsigned short* into = direct ? buffer + done : tmp;
    int r = DecodeChunks(c, false, into);
    if (r <= skip) {
      result = r < 0 ? r : -5;
      break;
    }
    const int take = std::min(r - skip, n - done);
    if (!direct) std::copy(tmp + skip, tmp + skip + take, buffer + done);
    done += take;
  }
  free(tmp);
  return result < 0 ? result : done;
}

int CTxt::GetCurParagraph() {
  ScanPast(m_CurPlace);
  return m_ParagraphStarts ? ebook::CurEntry(m_ParagraphStarts, m_ParagraphCount, m_CurPlace) : 0;
}

int CTxt::GetCurPage() {
  ScanAll();
  return m_PageStarts ? ebook::CurEntry(m_PageStarts, m_PageCount, m_CurPlace) : 0;
}

int CTxt::SeekToPlace(int place) {
  if (place > 0) ScanPast(place);
  ebook::PosView v = View();
  ebook::SeekPlace(v, place);
  return 0;
}

int CTxt::SeekToSentence(int index) {
  while (m_Scan && index >= m_SentenceCount) ScanOn();
  ebook::PosView v = View();
  ebook::SeekSentence(v, index);
  return 0;
}

int CTxt::SeekToParagraph(int index) {
  while (m_Scan && index >= m_ParagraphCount) ScanOn();
  ebook::PosView v = View();
  if (index <= 0)
    ebook::GoStart(v);
  else
    ebook::SeekEntry(v, m_ParagraphStarts, m_ParagraphCount, index);
  return 0;
}

int CTxt::SeekToPage(int index) {
  // Page 0 starts the text whatever the pages turn out to be.
  if (m_Scan && index <= 0) {
    m_CurPlace = m_CurSentence = 0;
    return 0;
  }
  ScanAll();
  ebook::PosView v = View();
  ebook::SeekEntry(v, m_PageStarts, m_PageCount, index);
  return 0;
}

int CTxt::SeekToLastSentence() {
  ebook::PosView v = View();
  ebook::SeekLastSentence(v);
  return 0;
}

int CTxt::SeekToNextSentence() {
  while (m_Scan && std::max(m_CurSentence, 0) + 1 >= m_SentenceCount) ScanOn();
  ebook::PosView v = View();
  ebook::SeekNextSentence(v);
  return 0;
}

int CTxt::SeekToLastParagraph() {
  const int cur = GetCurParagraph();  // first: it may scan on
  ebook::PosView v = View();
  ebook::SeekLastEntry(v, m_ParagraphStarts, m_ParagraphCount, cur);
  return 0;
}

int CTxt::SeekToNextParagraph() { return SeekToParagraph(GetCurParagraph() + 1); }

int CTxt::SeekToLastPage() {
  const int cur = GetCurPage();  // first: it scans on
  ebook::PosView v = View();
  ebook::SeekLastEntry(v, m_PageStarts, m_PageCount, cur);
  return 0;
}

int CTxt::SeekToNextPage() { return SeekToPage(GetCurPage() + 1); }

int CTxt::SetMaxSentenceLength(int length) {
  m_MaxSentenceLength = (length >= 100 && length <= 2000) ? length : c_DefaultMaxSentenceLength;
  return 0;
}

int CTxt::SetPageLength(int length) {
  m_PageLength = (length >= 200 && length <= 5000) ? length : c_DefaultPageLength;
  return 0;
}
