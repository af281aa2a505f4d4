#include "ebook/mobi.h"

#include <strings.h>

#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/lib/mobi/book.h"

namespace {

bool Blank(const char* p, const char* end) {
  for (; p < end; ++p)
    if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '\f') return false;
  return true;
}

// The end of the document that starts at `p`: behind its "</html>" when more
// than white space follows (a damaged KF8 book whose fragment was placed past
// its skeleton's end, or files run together), else `end`. The HTML parser
// reads nothing behind the root's end, so what follows is a document of its
// own. A "</html>" inside a comment does not end the document.
const char* DocumentEnd(const char* p, const char* end) {
  while ((p = static_cast<const char*>(memchr(p, '<', static_cast<size_t>(end - p)))) != nullptr) {
    size_t left = static_cast<size_t>(end - p);
    if (left >= 4 && memcmp(p, "<!--", 4) == 0) {
      p = static_cast<const char*>(memmem(p + 4, left - 4, "-->", 3));
      if (!p) return end;
      p += 3;
    } else if (left >= 6 && strncasecmp(p, "</html", 6) == 0) {
      const char* close = static_cast<const char*>(memchr(p, '>', left));
      if (!close) return end;
      return Blank(close + 1, end) ? end : close + 1;
    } else {
      ++p;
    }
  }
  return end;
}

// Each document behind an "</html>" costs a parser of its own (some 27,000
// instructions): a book made of nothing else would take minutes, so past
// this many the rest of a part is read as the parser reads it.
constexpr int c_MaxTrailingDocuments = 10000;

// The parser's pieces: the same whether a book is read whole or in steps,
// so that both give the same text.
constexpr size_t c_Piece = 8192;
// Markup read per step as reading reaches the end of what was read: a few
// milliseconds on the device.
constexpr size_t c_Step = 8 * c_Piece;

}  // namespace

void CMobi::Reserve(size_t markupBytes) {
  // Markup gives about one unit of text per byte at most. Room for them all
  // at once spares the copies of a growing text (room not written costs no
  // memory); without it the text simply grows.
  if (markupBytes > 0 && markupBytes < (1u << 28)) GrowText(static_cast<int>(markupBytes), 262144);
}

int CMobi::Feed(size_t budget) {
  while (budget > 0) {
    if (!m_Reader) {
      if (m_Doc == m_PartEnd) {
        size_t size = 0;
        if (!m_Book || !m_Book->NextHtmlPart(&m_Doc, &size)) return 0;
        m_PartEnd = m_Doc + size;
        continue;
      }
      m_DocEnd = m_Trailing < c_MaxTrailingDocuments ? DocumentEnd(m_Doc, m_PartEnd) : m_PartEnd;
      if (m_DocEnd < m_PartEnd) ++m_Trailing;
      EndBlock();
      xml::Options o;
      o.html = true;
      o.encoding = m_Encoding;
      m_Reader.reset(new (std::nothrow) xml::Reader(m_Handler, o));
      if (!m_Reader) return -3;
    }
    int r = 0;
    while (budget > 0 && m_Doc < m_DocEnd && r == 0 && !m_Reader->Stopped()) {
      size_t n = std::min(c_Piece, static_cast<size_t>(m_DocEnd - m_Doc));
      r = m_Reader->Feed(m_Doc, n);
      m_Doc += n;
      budget -= std::min(budget, n);
    }
    if (r != 0 || m_Reader->Stopped() || m_Doc == m_DocEnd) {
      r = m_Reader->Finish();
      m_Reader.reset();
      m_Doc = m_DocEnd;
      if (GetError()) return GetError();
      if (r == -2) return -3;
    }
  }
  return 1;
}

int CMobi::ReadMore() {
  return EndOfStep(Feed(c_Step));
}

void CMobi::EndSteps() {
  m_Reader.reset();
  m_Book.reset();
  m_Doc = m_DocEnd = m_PartEnd = nullptr;
}

int CMobi::Close() {
  m_Trailing = 0;
  m_Encoding = "UTF-8";
  return CXhtml::Close();
}

int CMobi::Open(const char* path) {
  if (!path) return -2;
  Close();
  std::unique_ptr<mobi::Book> book(new (std::nothrow) mobi::Book);
  if (!book) return -3;
  int r = book->Open(path);
  if (r != 0) return r == -1 ? -2 : r == -7 ? -6 : r;
  r = book->Rebuild();
  if (r == 0) {
    Reserve(book->HtmlSize());
    m_Book = std::move(book);
    // The first step is read here, and fails the opening as a book read
    // whole would; the rest follows as reading reaches it.
    r = Feed(c_Step);
  } else if (r != -3) {
    fprintf(stderr, "ParseRawmlParts() failed, try ParseRawml()\n");
    std::string raw;
    r = book->RawMarkup(&raw);
    m_Encoding = book->RawEncoding();
    book->Close();
    Reserve(raw.size());
    // Read whole: the raw markup is this call's own.
    m_Doc = raw.data();
    m_PartEnd = m_Doc + raw.size();
    if (r == 0) r = Feed(SIZE_MAX);
  }
  return EndOpen(r);
}
