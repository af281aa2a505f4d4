// CMht: the MIME walk, the transfer decodings and the document part read as
// HTML (or as lines of plain text).
#include "ebook/mht.h"

#include <strings.h>

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
  if (part.encoding == "quoted-printable") {
    for (size_t i = part.body; i < part.end; ++i) {
      if (f[i] != '=') {
        out += f[i];
      } else if (i + 2 < part.end && Hex(f[i + 1]) >= 0 && Hex(f[i + 2]) >= 0) {
        out += static_cast<char>(Hex(f[i + 1]) * 16 + Hex(f[i + 2]));
        i += 2;
      } else {
        // A soft line break (with any blanks before it) joins the lines.
        size_t j = i + 1;
        while (j < part.end && (f[j] == ' ' || f[j] == '\t')) ++j;
        if (j < part.end && f[j] == '\r') ++j;
        if (j < part.end && f[j] == '\n') i = j;
        else out += '=';
      }
    }
  } else if (part.encoding == "base64") {
    unsigned bits = 0;
    int have = 0;
    for (size_t i = part.body; i < part.end && f[i] != '='; ++i) {
      int v = Base64(static_cast<unsigned char>(f[i]));
      if (v < 0) continue;
      bits = (bits << 6) | static_cast<unsigned>(v);
      if ((have += 6) >= 8) {
        have -= 8;
        out += static_cast<char>((bits >> have) & 0xFF);
      }
    }
  } else {
    out.assign(f, part.body, part.end - part.body);
  }
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
  std::string body = DecodeBody(file, part);
  file.clear();
  file.shrink_to_fit();
  int skip = 0;
  std::string encoding = PickEncoding(reinterpret_cast<const unsigned char*>(body.data()), static_cast<int>(body.size()), true, &skip);
  std::string cs = Lower(part.charset);
  if (skip == 0 && !cs.empty()) {
    IconvConverter probe;
    if (cs == "unicode" || cs == "utf-16le" || cs == "utf16le") encoding = "UTF-16LE";
    else if (cs == "utf-8" || cs == "utf8") encoding = "UTF-8";
    else if (probe.Open(cs.c_str())) encoding = cs;
  }
  m_Plain = part.subtype == "plain";
  m_Line.clear();
  // The decoded body is read in steps from memory.
  std::unique_ptr<Decoder> bytes(new (std::nothrow) MemoryBytes(std::move(body), static_cast<size_t>(skip)));
  if (!bytes) return -3;
  int r = OpenMarkup(std::move(bytes), encoding);
  if (r != 0) Close();
  return r;
}
