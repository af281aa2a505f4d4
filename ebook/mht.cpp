// CMht: the MIME walk, the transfer decodings and the document part read as
// HTML (or as lines of plain text).
#include "ebook/mht.h"

#include <strings.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/lib/fd/unique_fd.h"
#include "ebook/iconv_converter.h"
#include "platform/board.h"

namespace {

constexpr int c_MaxDepth = 8;
constexpr int c_MaxParts = 4096;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n\""), e = s.find_last_not_of(" \t\r\n\"");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// The end of the line starting at pos (behind its line feed), or end.
size_t LineEnd(const std::string& f, size_t pos, size_t end) {
  size_t lf = f.find('\n', pos);
  return lf == std::string::npos || lf >= end ? end : lf + 1;
}

// A parameter of a header value ("charset", "boundary"), quotes removed.
std::string Param(const std::string& value, const char* name) {
  std::string low = Lower(value);
  size_t n = strlen(name);
  for (size_t p = low.find(name); p != std::string::npos; p = low.find(name, p + 1)) {
    if (p > 0 && low[p - 1] != ';' && low[p - 1] != ' ' && low[p - 1] != '\t') continue;
    size_t eq = p + n;
    while (eq < low.size() && low[eq] == ' ') ++eq;
    if (eq >= low.size() || low[eq] != '=') continue;
    size_t start = eq + 1;
    while (start < value.size() && value[start] == ' ') ++start;
    size_t stop = value[start] == '"' ? value.find('"', start + 1) : value.find(';', start);
    if (value[start] == '"') ++start;
    return Trim(value.substr(start, stop == std::string::npos ? std::string::npos : stop - start));
  }
  return "";
}

// Reads the head of a part starting at pos: its headers up to an empty line.
// A part that starts with no header at all has no head.
size_t ParseHead(const std::string& f, size_t pos, size_t end, CMht::mht_part* part) {
  std::string name, value;
  size_t p = pos;
  auto take = [&]() {
    std::string n = Lower(Trim(name));
    if (n == "content-type") {
      std::string t = Lower(Trim(value.substr(0, value.find(';'))));
      part->type = t.substr(0, t.find('/'));
      part->subtype = t.find('/') == std::string::npos ? "" : t.substr(t.find('/') + 1);
      part->charset = Param(value, "charset");
      part->boundary = Param(value, "boundary");
    } else if (n == "content-transfer-encoding") {
      part->encoding = Lower(Trim(value));
    }
    name.clear();
    value.clear();
  };
  while (p < end) {
    size_t next = LineEnd(f, p, end);
    std::string line = f.substr(p, next - p);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty()) {
      take();
      return next;
    }
    if ((line[0] == ' ' || line[0] == '\t') && !name.empty()) {
      value += " " + Trim(line);
    } else {
      size_t colon = line.find(':');
      if (colon == std::string::npos || colon == 0 || line.find_first_of(" <") < colon) {
        // Not a header: a part that starts so has no head; inside a head it
        // is a broken fold of the header before it.
        if (p == pos) return pos;
        p = next;
        continue;
      }
      take();
      name = line.substr(0, colon);
      value = line.substr(colon + 1);
    }
    p = next;
  }
  take();
  return end;
}

struct Walk {
  const std::string& f;
  CMht::mht_part html, plain;
  bool hasHtml = false, hasPlain = false;
  int parts = 0;

  void Part(size_t pos, size_t end, int depth) {
    if (hasHtml || ++parts > c_MaxParts) return;
    CMht::mht_part p;
    p.body = ParseHead(f, pos, end, &p);
    p.end = end;
    if (p.type.empty() && p.body == pos) {
      // No headers: a page saved without its MIME head.
      size_t first = f.find_first_not_of(" \t\r\n", pos);
      p.type = "text";
      p.subtype = first < end && f[first] == '<' ? "html" : "plain";
    }
    if (p.type == "multipart" && depth < c_MaxDepth) return Multipart(p, depth);
    if (p.type == "text" && p.subtype == "html") html = p, hasHtml = true;
    if (p.type == "text" && p.subtype == "plain" && !hasPlain) plain = p, hasPlain = true;
  }

  void Multipart(const CMht::mht_part& p, int depth) {
    std::string b = p.boundary;
    if (b.empty()) {
      // No boundary declared: the first delimiter line gives it.
      for (size_t l = p.body; l < p.end; l = LineEnd(f, l, p.end))
        if (f.compare(l, 2, "--") == 0) {
          b = Trim(f.substr(l + 2, LineEnd(f, l, p.end) - l - 2));
          break;
        }
      if (b.empty()) return;
    }
    std::string delim = "--" + b;
    size_t start = std::string::npos;
    for (size_t l = p.body; l < p.end && !hasHtml; l = LineEnd(f, l, p.end)) {
      if (f.compare(l, delim.size(), delim) != 0) continue;
      if (start != std::string::npos) Part(start, l, depth + 1);
      if (f.compare(l + delim.size(), 2, "--") == 0) return;
      start = LineEnd(f, l, p.end);
    }
    // A missing closing delimiter: the last part runs to the end.
    if (start != std::string::npos && start < p.end) Part(start, p.end, depth + 1);
  }
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int Base64(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+' || c == '-') return 62;
  if (c == '/' || c == '_') return 63;
  return -1;
}

// The bytes of a file in memory.
class StringSource {
 public:
  explicit StringSource(const std::string& f) : m_F(f) {}
  // The byte at a file offset below the part's end; -1 when it cannot be read.
  int At(size_t pos) { return static_cast<unsigned char>(m_F[pos]); }

 private:
  const std::string& m_F;
};

// The bytes of a file read a block at a time from the decoding place on.
class FileSource {
 public:
  explicit FileSource(fd::UniqueFile f) : m_F(std::move(f)) {}
  // Bytes before `pos` are no longer needed.
  void Release(size_t pos) {
    size_t drop = std::min(pos - m_Start, m_Buf.size());
    if (drop < c_Block) return;
    m_Buf.erase(m_Buf.begin(), m_Buf.begin() + static_cast<std::ptrdiff_t>(drop));
    m_Start += drop;
  }
  int At(size_t pos) {
    if (pos < m_Start) return -1;
    while (pos >= m_Start + m_Buf.size()) {
      size_t have = m_Buf.size();
      m_Buf.resize(have + c_Block);
      if (fseek(m_F.get(), static_cast<long>(m_Start + have), SEEK_SET) != 0) return m_Buf.resize(have), -1;
      size_t n = fread(m_Buf.data() + have, 1, c_Block, m_F.get());
      m_Buf.resize(have + n);
      if (n == 0) return -1;
    }
    return m_Buf[pos - m_Start];
  }

 private:
  static constexpr size_t c_Block = 65536;
  fd::UniqueFile m_F;
  std::vector<unsigned char> m_Buf;
  size_t m_Start = 0;  // the file offset of m_Buf[0]
};

// A part's body decoded from its transfer encoding as it is read.
template <class Source>
class BodyReader {
 public:
  BodyReader(Source src, const CMht::mht_part& part)
      : m_Src(std::move(src)), m_At(part.body), m_End(part.end),
        m_Kind(part.encoding == "quoted-printable" ? kQp : part.encoding == "base64" ? kBase64 : kNone) {}

  // Up to `room` decoded bytes; 0 at the end, -4 when the file cannot be read.
  int Read(unsigned char* buf, int room) {
    int n = 0;
    for (; n < room && m_At < m_End; ++m_At) {
      const size_t i = m_At;
      int c = m_Src.At(i);
      if (c < 0) return -4;
      if (m_Kind == kNone) {
        buf[n++] = static_cast<unsigned char>(c);
      } else if (m_Kind == kBase64) {
        if (c == '=') {
          m_At = m_End;
          break;
        }
        int v = Base64(static_cast<unsigned char>(c));
        if (v < 0) continue;
        m_Bits = (m_Bits << 6) | static_cast<unsigned>(v);
        if ((m_Have += 6) >= 8) {
          m_Have -= 8;
          buf[n++] = static_cast<unsigned char>((m_Bits >> m_Have) & 0xFF);
        }
      } else if (c != '=') {
        buf[n++] = static_cast<unsigned char>(c);
      } else if (i + 2 < m_End && Hex(Char(i + 1)) >= 0 && Hex(Char(i + 2)) >= 0) {
        buf[n++] = static_cast<unsigned char>(Hex(Char(i + 1)) * 16 + Hex(Char(i + 2)));
        m_At += 2;
      } else {
        // A soft line break (with any blanks before it) joins the lines.
        size_t j = i + 1;
        while (j < m_End && (Char(j) == ' ' || Char(j) == '\t')) ++j;
        if (j < m_End && Char(j) == '\r') ++j;
        if (j < m_End && Char(j) == '\n') m_At = j;
        else buf[n++] = '=';
      }
    }
    return n;
  }

  Source& Src() { return m_Src; }
  size_t Place() const { return m_At; }

 private:
  enum Kind { kNone, kQp, kBase64 };
  // A byte looked at ahead (a failed read looks like no character).
  char Char(size_t pos) { return static_cast<char>(m_Src.At(pos)); }

  Source m_Src;
  size_t m_At, m_End;
  Kind m_Kind;
  unsigned m_Bits = 0;
  int m_Have = 0;
};

// The document part read in steps from the file as it is decoded.
class BodyBytes : public CHtml::Decoder {
 public:
  BodyBytes(fd::UniqueFile f, const CMht::mht_part& part) : m_Body(FileSource(std::move(f)), part) {}
  int Read(unsigned char* buf, int room) override {
    m_Body.Src().Release(m_Body.Place());
    return m_Body.Read(buf, room);
  }

 private:
  BodyReader<FileSource> m_Body;
};

// A body decoded whole, read from memory.
class MemoryBytes : public CHtml::Decoder {
 public:
  MemoryBytes(std::string s, size_t from) : m_S(std::move(s)), m_Pos(from) {}
  int Read(unsigned char* buf, int room) override {
    size_t n = std::min(static_cast<size_t>(room), m_S.size() - m_Pos);
    memcpy(buf, m_S.data() + m_Pos, n);
    m_Pos += n;
    return static_cast<int>(n);
  }

 private:
  std::string m_S;
  size_t m_Pos;
};

// The encoding a part's declared charset names, or "" when iconv knows none.
std::string CharsetEncoding(const std::string& cs) {
  if (cs.empty()) return "";
  if (cs == "unicode" || cs == "utf-16le" || cs == "utf16le") return "UTF-16LE";
  if (cs == "utf-8" || cs == "utf8") return "UTF-8";
  IconvConverter probe;
  return probe.Open(cs.c_str()) ? cs : "";
}

}  // namespace

bool CMht::FindDocument(const std::string& file, mht_part* part) {
  Walk w{file, {}, {}};
  w.Part(0, file.size(), 0);
  if (w.hasHtml) *part = w.html;
  else if (w.hasPlain) *part = w.plain;
  return w.hasHtml || w.hasPlain;
}

std::string CMht::DecodeBody(const std::string& f, const mht_part& part) {
  std::string out;
  BodyReader<StringSource> body(StringSource(f), part);
  unsigned char buf[65536];
  for (int n; (n = body.Read(buf, sizeof buf)) > 0;) out.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
  return out;
}

void CMht::PushUnits(const unsigned short* units, int count, bool last) {
  if (!m_Plain) return CHtml::PushUnits(units, count, last);
  // Plain text: every line is a paragraph.
  for (int i = 0; i <= count; ++i) {
    bool end = i == count;
    if (!end && units[i] != 10) {
      m_Line.push_back(units[i]);
      continue;
    }
    if (end && !last) break;
    XmlCbCharactersW(m_Line.data(), static_cast<int>(m_Line.size()));
    m_Line.clear();
    EndBlock();
  }
}

int CMht::Open(const char* path) {
  if (!path) return -2;
  Close();
  fd::UniqueFile f(BFopen(path, "rb"));
  if (!f) return -4;
  std::string file;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f.get())) > 0) file.append(buf, n);
  if (ferror(f.get())) {
    fprintf(stderr, "mht read file error!\r\n");
    return -4;
  }
  mht_part part;
  if (file.size() < 5 || !FindDocument(file, &part)) return -6;
  m_Plain = part.subtype == "plain";
  m_Line.clear();
  // The charset the part declares wins unless the body starts with a
  // byte-order mark: then the body is read in steps from the file as it is
  // decoded (the file in memory goes).
  const std::string declared = CharsetEncoding(Lower(part.charset));
  unsigned char head[3];
  BodyReader<StringSource> start(StringSource(file), part);
  if (declared.empty() || MarkLength(head, start.Read(head, sizeof head)) != 0) {
    // Else the whole body tells its encoding, as a page's bytes do.
    std::string body = DecodeBody(file, part);
    file.clear();
    file.shrink_to_fit();
    int skip = 0;
    std::string encoding = PickEncoding(reinterpret_cast<const unsigned char*>(body.data()), static_cast<int>(body.size()), true, &skip);
    if (skip == 0 && !declared.empty()) encoding = declared;
    std::unique_ptr<Decoder> bytes(new (std::nothrow) MemoryBytes(std::move(body), static_cast<size_t>(skip)));
    if (!bytes) return -3;
    int r = OpenMarkup(std::move(bytes), encoding);
    if (r != 0) Close();
    return r;
  }
  file.clear();
  file.shrink_to_fit();
  std::unique_ptr<Decoder> stream(new (std::nothrow) BodyBytes(std::move(f), part));
  if (!stream) return -3;
  int r = OpenMarkup(std::move(stream), declared);
  if (r != 0) Close();
  return r;
}
