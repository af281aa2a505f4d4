#include "daisy/daisy.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "daisy/dump.h"
#include "daisy/xhtml.h"

namespace libDaisy {

int GuessDaisyType(const char* path) {
  if (!path) return kDaisyUnknown;
  const char* slash = strrchr(path, '/');
  const char* name = slash ? slash + 1 : path;
  if (strcasecmp(name, "ncc.html") == 0) return kDaisy202;
  const char* dot = strrchr(name, '.');
  if (dot && strcasecmp(dot + 1, "opf") == 0) return kDaisy3;
  return kDaisyUnknown;
}

int GuessPlayerBookType(const char* path) {
  const char* dot = path ? strrchr(path, '.') : nullptr;
  if (dot && !strchr(dot, '/') && strcasecmp(dot + 1, "epub") == 0) return kDaisyEpub;
  return GuessDaisyType(path);
}

Daisy::Daisy() = default;
Daisy::~Daisy() = default;

int Daisy::Open(const char* path, int type) {
  Close();
  if (!path) return -1;
  size_t len = strlen(path);
  if (len < 3 || len > kMaxDaisyPath) return -1;
  if (type != kDaisy202 && type != kDaisy3 && type != kDaisyEpub) type = GuessPlayerBookType(path);
  int rc;
  try {
    if (type == kDaisy202)
      rc = OpenDaisy2(path);
    else if (type == kDaisy3)
      rc = OpenDaisy3(path);
    else if (type == kDaisyEpub)
      rc = OpenEpub(path);
    else
      rc = -3;
  } catch (const std::bad_alloc&) {
    rc = -2;
  }
  if (rc != 0) Close();
  return rc;
}

void Daisy::Close() {
  m_Type = kDaisyUnknown;
  m_Folder.clear();
  m_Archive.clear();
  std::vector<char>().swap(m_QuietObjects);
  m_HasTitle = false;
  m_Title.clear();
  m_Meta.reset();
  m_HeadingElements.clear();
  m_HeadingLevels.clear();
  m_HeadingTexts.Clean();
  m_PageElements.clear();
  m_PageLabels.Clean();
  m_AudioNames.reset();
  std::vector<_DaisyObject>().swap(m_Objects);
  m_Xhtmls.clear();
  m_XhtmlNames.Clean();
  m_Warnings.clear();
}

const char* Daisy::GetTitle() const { return m_HasTitle ? m_Title.c_str() : nullptr; }

int Daisy::GetObjects(_DaisyObject** objects, int* count) {
  if (!objects || !count) return -1;
  *objects = m_Objects.empty() ? nullptr : m_Objects.data();
  *count = static_cast<int>(m_Objects.size());
  return m_Objects.empty() ? -1 : 0;
}

int Daisy::GetObjects(const _DaisyObject** objects, int* count) const {
  if (!objects || !count) return -1;
  *objects = m_Objects.empty() ? nullptr : m_Objects.data();
  *count = static_cast<int>(m_Objects.size());
  return m_Objects.empty() ? -1 : 0;
}

int Daisy::GetHeadings(const int** elementIndexes, const int** levels, const StringArray** texts,
                       int* count) const {
  if (!elementIndexes || !levels || !texts || !count) return -1;
  *count = GetTotalHeadings();
  *elementIndexes = *count ? m_HeadingElements.data() : nullptr;
  *levels = *count ? m_HeadingLevels.data() : nullptr;
  *texts = &m_HeadingTexts;
  return *count ? 0 : -1;
}

int Daisy::GetPages(const int** elementIndexes, const StringArray** labels, int* count) const {
  if (!elementIndexes || !labels || !count) return -1;
  *count = GetTotalPages();
  *elementIndexes = *count ? m_PageElements.data() : nullptr;
  *labels = &m_PageLabels;
  return *count ? 0 : -1;
}

int Daisy::GetTotalMetas() const { return m_Meta ? m_Meta->GetCnt() : -1; }

int Daisy::GetMeta(int index, const char** name, const char** content) const {
  return m_Meta ? m_Meta->Get(index, name, content) : -1;
}

int Daisy::GetAudioFilename(int index, const char** name) const {
  const char* n = m_AudioNames ? m_AudioNames->Get(index) : nullptr;
  if (!n) return -1;
  if (name) *name = n;
  return 0;
}

const Xhtml* Daisy::GetXhtml(int document) const {
  return document >= 0 && document < GetTotalXhmtls() ? m_Xhtmls[document].get() : nullptr;
}

int Daisy::GeXhmtltTotalTexts(int document) const {
  const Xhtml* doc = GetXhtml(document);
  return doc ? doc->GetTotalTexts() : -1;
}

int Daisy::GetXhtmlText(int document, int textIndex, const char** text) const {
  const Xhtml* doc = GetXhtml(document);
  return doc ? doc->GetText(textIndex, text) : -1;
}

bool Daisy::IsQuietXhtmlText(int document, int textIndex) const {
  const Xhtml* doc = GetXhtml(document);
  return doc && doc->IsQuietText(textIndex);
}

int64_t Daisy::GetTotalAudioMs() const {
  int64_t total = 0;
  for (const _DaisyObject& o : m_Objects)
    if (o.kind == kObjectAudio && o.start >= 0 && o.end >= o.start) total += o.end - o.start;
  return total;
}

const DaisyWarning* Daisy::GetWarning(int index) const {
  return index >= 0 && index < GetTotalWarnings() ? &m_Warnings[index] : nullptr;
}

void Daisy::Warn(int code, const std::string& file, const std::string& what) {
  // A book with thousands of broken links reports the first few hundred.
  if (m_Warnings.size() >= 500) return;
  try {
    m_Warnings.push_back({code, file, what});
  } catch (const std::bad_alloc&) {
  }
}

void Daisy::Dump(std::string& out, bool withObjects) const {
  static const char* c_Kinds[] = {"seq", "par", "text", "audio"};
  DumpLine(out, "type %d", m_Type);
  out += "title ";
  DumpQuoted(out, GetTitle());
  out += '\n';
  if (m_Meta)
    m_Meta->Dump(out);
  else
    out += "meta -\n";
  DumpLine(out, "audio %d", GetTotalAudioFiles());
  for (int i = 0; i < GetTotalAudioFiles(); i++) DumpLine(out, "  %d %s", i, m_AudioNames->Get(i));
  DumpLine(out, "texts %d", GetTotalXhmtls());
  for (int i = 0; i < GetTotalXhmtls(); i++)
    DumpLine(out, "  %d %s pieces %d ids %d", i, m_XhtmlNames.Get(i), m_Xhtmls[i]->GetTotalTexts(),
             m_Xhtmls[i]->GetTotalIds());
  DumpLine(out, "headings %d", GetTotalHeadings());
  for (int i = 0; i < GetTotalHeadings(); i++) {
    DumpLine(out, "  h%d %d", m_HeadingLevels[i], m_HeadingElements[i]);
    out.pop_back();
    out += ' ';
    DumpQuoted(out, m_HeadingTexts.Get(i));
    out += '\n';
  }
  DumpLine(out, "pages %d", GetTotalPages());
  for (int i = 0; i < GetTotalPages(); i++) {
    DumpLine(out, "  %d", m_PageElements[i]);
    out.pop_back();
    out += ' ';
    DumpQuoted(out, m_PageLabels.Get(i));
    out += '\n';
  }
  DumpLine(out, "objects %d total %lld ms", static_cast<int>(m_Objects.size()),
           static_cast<long long>(GetTotalAudioMs()));
  if (withObjects) {
    for (size_t i = 0; i < m_Objects.size(); i++) {
      const _DaisyObject& o = m_Objects[i];
      const char* kind = o.kind >= 0 && o.kind <= 3 ? c_Kinds[o.kind] : "?";
      DumpLine(out, "  %zu %s %d %d %d %d", i, kind, o.depth, o.file, o.start, o.end);
    }
  }
  DumpLine(out, "warnings %d", GetTotalWarnings());
  for (const DaisyWarning& w : m_Warnings) {
    DumpLine(out, "  %d %s", w.code, w.file.c_str());
    out.pop_back();
    out += ": ";
    out += w.what;
    out += '\n';
  }
}

void Daisy::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out, true); });
}

}  // namespace libDaisy
