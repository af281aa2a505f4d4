#include "core/lib/mobi/book.h"

#include <malloc.h>
#include <mobi.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/lib/fd/unique_fd.h"
#include "platform/board.h"

namespace mobi {

namespace {

MOBIData* Of(void* p) { return static_cast<MOBIData*>(p); }

uint32_t Be(const unsigned char* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

// libmobi sizes each record by the next one's offset and the text by the
// first record's count: a damaged table would make it ask for gigabytes. The
// table must run forward inside the file and the text must be of book size.
bool PlausibleTable(FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return false;
  unsigned char head[78];
  if (fread(head, 1, sizeof head, f) != sizeof head) return false;
  uint32_t count = Be(head + 76, 2), last = 0;
  if (count == 0) return false;
  std::vector<unsigned char> table(static_cast<size_t>(count) * 8);
  if (fread(table.data(), 1, table.size(), f) != table.size()) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t off = Be(&table[i * 8], 4);
    if (off < last || off > static_cast<uint64_t>(st.st_size)) return false;
    last = off;
  }
  unsigned char rec0[8];
  if (fseek(f, static_cast<long>(Be(&table[0], 4)), SEEK_SET) != 0 || fread(rec0, 1, sizeof rec0, f) != sizeof rec0)
    return false;
  if (Be(rec0 + 4, 4) > (256u << 20)) return false;
  return fseek(f, 0, SEEK_SET) == 0;
}

// A record of a picture, a font, a sound, a film, or the sources and log the
// book was made from: none is ever read aloud.
bool Unread(const unsigned char* d, size_t n) {
  if (!d || n < 4) return false;
  for (const char* magic : {"FONT", "AUDI", "VIDE", "CRES", "SRCS", "CMET", "GIF8", "\x89PNG"})
    if (memcmp(d, magic, 4) == 0) return true;
  return (d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) || (d[0] == 'B' && d[1] == 'M');
}

// Lets those records go before the text is rebuilt: in most books they are
// the larger part of the file. Only records past the text and from the first
// resource on are looked at, so text that happens to start like a picture
// stays, even when the header points the resources into it.
void DropResources(MOBIData* m) {
  size_t first = mobi_get_first_resource_record(m), i = 0;
  if (first == MOBI_NOTSET || !m->rh) return;
  size_t pastText = mobi_get_kf8offset(m) + m->rh->text_record_count + 1;
  if (first < pastText) first = pastText;
  for (MOBIPdbRecord* r = m->rec; r; r = r->next, ++i) {
    if (i < first || !Unread(r->data, r->size)) continue;
    free(r->data);
    r->data = nullptr;
    r->size = 0;
  }
}

// An index header whose entry count exceeds the bytes of the whole book:
// libmobi would allocate for every entry at once (gigabytes, or a count that
// wraps on the device's 32-bit sizes).
bool ImplausibleIndex(const MOBIData* m) {
  size_t total = 0;
  for (const MOBIPdbRecord* r = m->rec; r; r = r->next) total += r->size;
  for (const MOBIPdbRecord* r = m->rec; r; r = r->next) {
    if (!r->data || r->size < 40 || memcmp(r->data, "INDX", 4) != 0) continue;
    const unsigned char* d = r->data + 36;
    size_t entries = static_cast<size_t>(d[0]) << 24 | static_cast<size_t>(d[1]) << 16 | d[2] << 8 | d[3];
    if (entries > total) return true;
  }
  return false;
}

}  // namespace

int Book::Open(const char* devicePath) { return Load(devicePath, true); }

int Book::Load(const char* devicePath, bool oneCopy) {
  Close();
  if (!devicePath) return -1;
  fd::UniqueFile f(BFopen(devicePath, "rb"));
  if (!f) return -4;
  if (!PlausibleTable(f.get())) return -6;
  MOBIData* m = mobi_init();
  if (!m) return -3;
  m_Data = m;
  MOBI_RET r = mobi_load_file(m, f.get());
  if (r == MOBI_MALLOC_FAILED) return Close(), -3;
  if (r != MOBI_SUCCESS) return Close(), -6;
  if (mobi_is_encrypted(m)) return Close(), -7;
  // A hybrid book carries its text twice; only the KF8 copy is ever read.
  if (oneCopy && mobi_is_hybrid(m) && mobi_remove_hybrid_part(m, false) != MOBI_SUCCESS)
    return Load(devicePath, false);
  DropResources(m);
  m_Cp1252 = m->mh && m->mh->text_encoding && *m->mh->text_encoding == MOBI_CP1252;
  return 0;
}

void Book::ReleaseFile() {
  if (m_Data) mobi_free(Of(m_Data));
  m_Data = nullptr;
}

void Book::Close() {
  ReleaseFile();
  if (m_Rawml) mobi_free_rawml(static_cast<MOBIRawml*>(m_Rawml));
  m_Rawml = nullptr;
  m_Given = nullptr;
  m_Freed = 0;
}

namespace {

// The book's buffers are small blocks amid the heap: freed, they would stay
// the process's memory while the text model grows elsewhere, so they are
// handed back to the system a megabyte at a time.
constexpr size_t c_ReturnStep = 1u << 20;

void ReturnFreed() { malloc_trim(0); }

bool AnyHtml(const MOBIPart* p) {
  for (; p; p = p->next)
    if (p->type == T_HTML && p->data) return true;
  return false;
}

void FreeData(MOBIPart* p) {
  free(p->data);
  p->data = nullptr;
  p->size = 0;
}

}  // namespace

int Book::Rebuild() {
  if (!m_Data || ImplausibleIndex(Of(m_Data))) return -6;
  MOBIRawml* rawml = mobi_init_rawml(Of(m_Data));
  if (!rawml) return -3;
  // The table of contents and dictionary indices are not needed for the text,
  // nor are the links between the files: resolving them costs more than
  // reading the whole text and changes no word of it.
  MOBI_RET r = mobi_parse_rawml_opt(rawml, Of(m_Data), false, false, false);
  int result = r == MOBI_SUCCESS ? 0 : r == MOBI_MALLOC_FAILED ? -3 : -6;
  if (result == 0 && !AnyHtml(rawml->markup)) result = -6;
  if (result != 0) return mobi_free_rawml(rawml), result;
  // The parts are all that is read from here on: the records and the text
  // flows they were rebuilt from go before the parts are parsed.
  for (MOBIPart* p = rawml->flow; p; p = p->next) FreeData(p);
  ReleaseFile();
  m_Rawml = rawml;
  ReturnFreed();
  return 0;
}

size_t Book::HtmlSize() const {
  size_t size = 0;
  for (const MOBIPart* p = m_Rawml ? static_cast<MOBIRawml*>(m_Rawml)->markup : nullptr; p; p = p->next)
    if (p->type == T_HTML && p->data) size += p->size;
  return size;
}

bool Book::NextHtmlPart(const char** data, size_t* size) {
  if (!m_Rawml) return false;
  MOBIPart* p = static_cast<MOBIPart*>(m_Given);
  if (p) {
    m_Freed += p->size;
    FreeData(p);
    if (m_Freed >= c_ReturnStep) ReturnFreed(), m_Freed = 0;
    p = p->next;
  } else {
    p = static_cast<MOBIRawml*>(m_Rawml)->markup;
  }
  while (p && (p->type != T_HTML || !p->data)) p = p->next;
  m_Given = p;
  if (!p) return false;
  *data = reinterpret_cast<const char*>(p->data);
  *size = p->size;
  return true;
}

int Book::RawMarkup(std::string* out) {
  out->clear();
  if (!m_Data) return -6;
  size_t max = mobi_get_text_maxsize(Of(m_Data));
  if (max == MOBI_NOTSET || max == 0 || max > (512u << 20)) return -6;
  out->resize(max + 1);
  size_t len = out->size();
  MOBI_RET r = mobi_get_rawml(Of(m_Data), &(*out)[0], &len);
  if (r != MOBI_SUCCESS) return out->clear(), r == MOBI_MALLOC_FAILED ? -3 : -6;
  out->resize(len < out->size() ? len : out->size());
  return 0;
}

const char* Book::RawEncoding() const { return m_Cp1252 ? "windows-1252" : "UTF-8"; }

}  // namespace mobi
