#include "daisy/xhtml.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <new>

#include "daisy/dump.h"
#include "daisy/narrated_package.h"
#include "daisy/overlay.h"
#include "daisy/text_util.h"
#include "platform/board.h"

namespace libDaisy {
namespace {

struct PoolSize {
  int block;
  int step;
};

// Pools follow the file size: a tenth of a megabyte of text does not need a
// megabyte of pool, and a large book should not grow its pool a page at a time.
PoolSize PoolFor(size_t fileSize) {
  static const PoolSize c_Sizes[] = {{8192, 512},     {16384, 1024},   {32768, 2048},
                                     {65536, 4096},   {131072, 8192},  {262144, 16384},
                                     {524288, 32768}, {1048576, 65536}};
  size_t want = fileSize / 8;
  for (const PoolSize& p : c_Sizes)
    if (want <= static_cast<size_t>(p.block)) return p;
  return c_Sizes[7];
}

// Markup inside a sentence: it does not part the text around it. Every
// element of a document asks, so the name is looked up, not compared in turn.
// A name of at most 7 letters, lower-cased, as one number to compare.
uint64_t Packed(const char* name) {
  uint64_t v = 0;
  for (size_t n = 0; name[n]; ++n) {
    if (n >= 7) return 0;
    const char c = name[n];
    v = v << 8 | static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  }
  return v;
}

bool IsInline(const char* name) {
  static const std::vector<uint64_t> c_Inline = [] {
    const char* const names[] = {
        "a",    "abbr", "acronym", "annoref", "b",      "bdo",  "big",  "br",   "cite", "code",
        "dfn",  "em",   "font",    "i",       "kbd",    "mark", "noteref", "q", "s",    "samp",
        "sent", "small", "span",   "strike",  "strong", "sub",  "sup",  "time", "tt",   "u",
        "var",  "w"};
    std::vector<uint64_t> v;
    for (const char* n : names) v.push_back(Packed(n));
    std::sort(v.begin(), v.end());
    return v;
  }();
  const uint64_t v = Packed(name);
  return v != 0 && std::binary_search(c_Inline.begin(), c_Inline.end(), v);
}

// Page numbers, notes and annotations: quieter reading passes over them.
bool IsQuiet(const char* name, const XmlAttrs& attrs, std::string_view type) {
  const char* colon = strrchr(name, ':');
  const char* local = colon ? colon + 1 : name;
  static const char* const c_Quiet[] = {"pagenum", "note", "noteref", "annotation", "annoref"};
  for (const char* n : c_Quiet)
    if (*n == (*local | 0x20) && strcasecmp(n, local) == 0) return true;
  std::string_view cls = attrs.Get("class");
  if (cls.data() && (cls == "page-front" || cls == "page-normal" || cls == "page-special")) return true;
  return IsSkippableType(type);
}


}  // namespace

Xhtml::Xhtml() = default;

void Xhtml::SetReferencedIds(std::vector<std::string_view> ids) {
  m_Referenced.clear();
  m_Referenced.reserve(ids.size());
  for (std::string_view id : ids)
    m_Referenced.emplace_back(CaseHash(id.data(), static_cast<int>(id.size())), id);
  std::sort(m_Referenced.begin(), m_Referenced.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  m_HasReferenced = true;
}

bool Xhtml::IsReferenced(std::string_view id) const {
  const uint32_t h = CaseHash(id.data(), static_cast<int>(id.size()));
  auto it = std::lower_bound(m_Referenced.begin(), m_Referenced.end(), h,
                             [](const auto& a, uint32_t b) { return a.first < b; });
  for (; it != m_Referenced.end() && it->first == h; ++it)
    if (it->second.size() == id.size() && strncasecmp(it->second.data(), id.data(), id.size()) == 0)
      return true;
  return false;
}

Xhtml::~Xhtml() {
  free(m_First);
  free(m_End);
}

void Xhtml::Close() {
  m_Error = 0;
  m_Depth = 0;
  m_UnClosedIdCnt = 0;
  m_Texts.reset();
  m_Ids.reset();
  free(m_First);
  free(m_End);
  m_First = m_End = nullptr;
  m_RangeCap = 0;
  m_Pending.clear();
  m_Cuts.clear();
  m_QuietDepth = -1;
  m_Quiet.clear();
  m_PageBreaks.clear();
  m_PageLabelDepth = -1;
}

int Xhtml::Begin(size_t fileSize) {
  Close();
  PoolSize pool = PoolFor(fileSize);
  m_Texts.reset(new (std::nothrow) StringArray(pool.block, pool.step));
  m_Ids.reset(new (std::nothrow) StringArray(pool.block / 8, pool.block / 32));
  m_RangeStep = pool.block / 32;
  if (!m_Texts || !m_Ids || m_Ids->EnableCaseIndex() != 0) return -2;
  return 0;
}

int Xhtml::Open(const char* path) { return Open(path, XmlReadOptions()); }

int Xhtml::OpenHtml(const char* path) {
  XmlReadOptions options;
  options.html = true;
  return Open(path, options);
}

int Xhtml::Open(const char* path, const XmlReadOptions& options) {
  m_ParseInfo.Clear();
  if (!path) return -1;
  struct stat st;
  FILE* f = BFopen(path, "rb");
  if (!f) {
    printf("can not open %s\n", path);
    Close();
    return -3;
  }
  size_t size = fstat(fileno(f), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
  fclose(f);
  if (Begin(size) != 0) return -2;
  if (size == 0) {
    printf("can not read %s\n", path);
    return -3;
  }
  return Finish(XmlPushParseFile(path, *this, options, &m_ParseInfo));
}

int Xhtml::OpenMemory(const char* data, size_t size, const XmlReadOptions& options) {
  m_ParseInfo.Clear();
  if (Begin(size) != 0) return -2;
  return Finish(XmlPushParseMemory(data, size, "memory.html", *this, options, &m_ParseInfo));
}

int Xhtml::Finish(int parseResult) {
  if (m_Error == 0) FlushText();
  if (m_Error == 0 && parseResult != 0) {
    m_Error = parseResult == -2 ? -2 : -3;
    printf("xmlParseChunk(1) failed: %d\n", m_ParseInfo.xmlError);
  }
  // Ids left open (a truncated file, or the end of the document) run to the end.
  int count = m_Texts ? m_Texts->GetCnt() : 0;
  while (m_UnClosedIdCnt > 0) m_End[m_Open[--m_UnClosedIdCnt].id] = count;
  return m_Error;
}

int Xhtml::GrowRanges() {
  int cap = m_RangeCap + (m_RangeStep > 0 ? m_RangeStep : 256);
  if (cap < m_RangeCap + m_RangeCap / 2) cap = m_RangeCap + m_RangeCap / 2;
  int* first = static_cast<int*>(realloc(m_First, sizeof(int) * cap));
  if (!first) return -2;
  m_First = first;
  int* end = static_cast<int*>(realloc(m_End, sizeof(int) * cap));
  if (!end) return -2;
  m_End = end;
  m_RangeCap = cap;
  return 0;
}

// A run of character data becomes one piece without its trailing blanks. The
// run is gathered first: libxml2 hands it over in parts at chunk and entity
// boundaries, and a part must not become a piece of its own.
void Xhtml::FlushText() {
  if (m_Pending.empty()) return;
  size_t n = m_Pending.size();
  while (n > 0 && IsTrimSpace(static_cast<unsigned char>(m_Pending[n - 1]))) n--;
  // Inline markup no longer parts a piece, so the layout before it is kept.
  size_t from = 0;
  while (from < n && IsTrimSpace(static_cast<unsigned char>(m_Pending[from]))) from++;
  if (n > from) {
    if (int rc = m_Texts->Add(m_Pending.data() + from, static_cast<int>(n - from))) return Fail(rc);
    try {
      m_Quiet.push_back(m_QuietDepth >= 0);
    } catch (const std::bad_alloc&) {
      return Fail(-2);
    }
  }
  m_Pending.clear();
}

void Xhtml::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  std::string_view id = attrs.Get("id");
  // A page break starts a piece, so that moving to the page lands on it.
  const std::string_view type = attrs.Get("epub:type");
  const bool pageBreak = HasToken(type, "pagebreak");
  const bool cuts = !IsInline(name) || pageBreak ||
                    (id.data() && (!m_HasReferenced || IsReferenced(id)));
  if (cuts) FlushText();
  // A line break inside a sentence is a blank.
  if (!cuts && strcasecmp(name, "br") == 0) OnCharacters(" ", 1);
  int depth = m_Depth++;
  if (pageBreak && m_PageLabelDepth < 0) {
    std::string_view title = attrs.Get("title");
    try {
      m_PageBreaks.push_back({m_Texts->GetCnt(), title.data() ? std::string(title) : std::string()});
    } catch (const std::bad_alloc&) {
      return Fail(-2);
    }
    if (m_PageBreaks.back().label.empty()) m_PageLabelDepth = depth;
  }
  // Only a page number or note that is a piece of its own can be passed over.
  if (cuts && m_QuietDepth < 0 && IsQuiet(name, attrs, type)) m_QuietDepth = depth;
  try {
    m_Cuts.resize(static_cast<size_t>(depth) + 1);
    m_Cuts[static_cast<size_t>(depth)] = cuts;
  } catch (const std::bad_alloc&) {
    return Fail(-2);
  }
  if (!id.data() || m_Error) return;
  if (m_UnClosedIdCnt >= kMaxOpenIds) {
    printf("error: m_UnClosedIdCnt = %d\n", m_UnClosedIdCnt);
    return Fail(-2);
  }
  int index = m_Ids->GetCnt();
  if (index >= m_RangeCap && GrowRanges() != 0) return Fail(-2);
  if (int rc = m_Ids->Add(id.data(), static_cast<int>(id.size()))) return Fail(rc);
  m_First[index] = m_Texts->GetCnt();
  m_End[index] = -1;
  m_Open[m_UnClosedIdCnt++] = {depth, index};
}

void Xhtml::OnEndElement(const char*) {
  if (m_Error) return;
  if (m_Depth > 0) m_Depth--;
  if (static_cast<size_t>(m_Depth) >= m_Cuts.size() || m_Cuts[static_cast<size_t>(m_Depth)])
    FlushText();
  if (m_Depth <= m_QuietDepth) m_QuietDepth = -1;
  if (m_Depth == m_PageLabelDepth) {
    const char* text = m_Texts->Get(m_PageBreaks.back().piece);
    if (text) m_PageBreaks.back().label = text;
    m_PageLabelDepth = -1;
  }
  // Close the id elements of this depth and any left open inside it (the
  // HTML parser closes elements implicitly). Matching by depth rather than by
  // name keeps an inner element of the same name from ending the outer range.
  int count = m_Texts->GetCnt();
  while (m_UnClosedIdCnt > 0 && m_Open[m_UnClosedIdCnt - 1].depth >= m_Depth)
    m_End[m_Open[--m_UnClosedIdCnt].id] = count;
}

void Xhtml::OnCharacters(const char* text, int length) {
  if (m_Error) return;
  try {
    m_Pending.append(text, static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    Fail(-2);
  }
}

int Xhtml::GetIdInfo(int index, const char** id, int* firstPiece, int* endPiece) const {
  if (!m_Ids || index < 0 || index >= m_Ids->GetCnt()) return -1;
  if (id) *id = m_Ids->Get(index);
  if (firstPiece) *firstPiece = m_First[index];
  if (endPiece) *endPiece = m_End[index];
  return 0;
}

int Xhtml::GetText(int index, const char** text) const {
  const char* t = m_Texts ? m_Texts->Get(index) : nullptr;
  if (!t) return -1;
  if (text) *text = t;
  return 0;
}

bool Xhtml::IsQuietText(int index) const {
  return index >= 0 && static_cast<size_t>(index) < m_Quiet.size() && m_Quiet[static_cast<size_t>(index)];
}

int Xhtml::FindId(const char* id, int from) const {
  if (!m_Ids || !id) return -1;
  // Links are mostly followed in document order: the id asked for is
  // usually the last one found or one of the next few.
  for (int i = from < 0 ? 0 : from; i <= from + 3 && i < m_Ids->GetCnt(); ++i)
    if (strcmp(m_Ids->Get(i), id) == 0) return i;
  // Letter case is ignored (older books mix it), but an id written exactly
  // as asked wins over another that differs only in case ("a" and "A"). The
  // matches come in document order.
  int exact = -1, anyAfter = -1, any = -1;
  for (int i = m_Ids->CaseFind(id); i >= 0; i = m_Ids->CaseFindNext(i)) {
    if (strcmp(m_Ids->Get(i), id) == 0) {
      if (i >= from) return i;
      if (exact < 0) exact = i;
    }
    if (any < 0) any = i;
    if (anyAfter < 0 && i >= from) anyAfter = i;
  }
  return exact >= 0 ? exact : anyAfter >= 0 ? anyAfter : any;
}

void Xhtml::Dump(std::string& out) const {
  DumpLine(out, "pieces %d", GetTotalTexts());
  for (int i = 0; i < GetTotalTexts(); i++) {
    DumpLine(out, "  %d", i);
    out.pop_back();
    out += ' ';
    DumpQuoted(out, m_Texts->Get(i));
    out += '\n';
  }
  DumpLine(out, "ids %d", GetTotalIds());
  for (int i = 0; i < GetTotalIds(); i++)
    DumpLine(out, "  %s %d %d", m_Ids->Get(i), m_First[i], m_End[i]);
}

void Xhtml::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
