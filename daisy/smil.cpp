#include "daisy/smil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "daisy/clock_value.h"
#include "daisy/dump.h"
#include "daisy/text_util.h"
#include "daisy/xhtml.h"

namespace libDaisy {
namespace {

enum State { kOutside, kRoot, kHead, kBody };

constexpr int kListBlock = 131072;
constexpr int kListStep = 1024;
constexpr int kElementStep = 2048;
constexpr size_t kMaxTextName = 8191;

// An element name against a lower-case one, ignoring case: asked several
// times for every element of every SMIL file.
bool Is(const char* name, const char* want) {
  for (;; ++name, ++want) {
    char c = *name;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != *want) return false;
    if (!c) return true;
  }
}

const char* c_KindNames[] = {"seq", "par", "text", "audio"};

}  // namespace

Smil::Smil()
    : m_Ids(kListBlock, kListStep),
      m_AudioNames(kListBlock, kListStep),
      m_TextNames(kListBlock, kListStep),
      m_Fragments(kListBlock, kListStep) {
  // Books name the same audio file in every clip and refer to ids by name:
  // hashed look-ups keep a book of 100 000 elements linear.
  m_Ids.EnableCaseIndex();
  m_AudioNames.EnableCaseIndex();
  m_TextNames.EnableCaseIndex();
  m_Fragments.EnableCaseIndex();
}

Smil::~Smil() { free(m_Elements); }

void Smil::Close() {
  m_Error = 0;
  m_State = kOutside;
  m_Depth = 0;
  m_Meta.Clean();
  m_Ids.Clean();
  m_AudioNames.Clean();
  m_TextNames.Clean();
  m_Fragments.Clean();
  m_IdElement.clear();
  m_Count = 0;
}

void Smil::Begin(bool daisy3, bool reset) {
  if (reset) Close();
  m_Error = 0;
  m_State = kOutside;
  m_Depth = 0;
  m_Daisy3 = daisy3;
  m_ParseInfo.Clear();
}

int Smil::Open(const char* path, bool daisy3, bool reset) {
  return Open(path, daisy3, reset, XmlReadOptions());
}

int Smil::Open(const char* path, bool daisy3, bool reset, const XmlReadOptions& options) {
  Begin(daisy3, reset);
  if (!path) return -1;
  return Finish(XmlPushParseFile(path, *this, options, &m_ParseInfo));
}

int Smil::OpenMemory(const char* data, size_t size, bool daisy3, const XmlReadOptions& options) {
  Begin(daisy3, true);
  return Finish(XmlPushParseMemory(data, size, "memory.smil", *this, options, &m_ParseInfo));
}

int Smil::Finish(int parseResult) {
  if (m_Error == 0 && parseResult != 0) m_Error = parseResult == -2 ? -2 : -3;
  return m_Error;
}

int Smil::Append(const SmilElement& e) {
  if (m_Count == m_Capacity) {
    int cap = m_Capacity + kElementStep;
    if (cap < m_Capacity + m_Capacity / 2) cap = m_Capacity + m_Capacity / 2;
    SmilElement* grown = static_cast<SmilElement*>(realloc(m_Elements, sizeof(SmilElement) * cap));
    if (!grown) return -2;
    m_Elements = grown;
    m_Capacity = cap;
  }
  m_Elements[m_Count++] = e;
  return 0;
}

void Smil::Refuse(std::string_view src) {
  try {
    if (m_Refused.size() < kMaxRefused) m_Refused.emplace_back(src.substr(0, 200));
  } catch (const std::bad_alloc&) {
  }
}

int Smil::IndexOf(StringArray& list, std::string_view text, int* index, int* last) {
  if (last && list.GetLength(*last) == static_cast<int>(text.size()) &&
      CaseEqual(text, list.Get(*last))) {
    *index = *last;
    return 0;
  }
  int i = list.CaseFind(text.data(), static_cast<int>(text.size()));
  if (i < 0) {
    int rc = list.Add(text.data(), static_cast<int>(text.size()));
    if (rc != 0) return rc;
    i = list.GetCnt() - 1;
  }
  *index = i;
  if (last) *last = i;
  return 0;
}

int Smil::AddId(std::string_view id) {
  int rc = m_Ids.Add(id.data(), static_cast<int>(id.size()));
  if (rc != 0) return rc;
  try {
    m_IdElement.push_back(m_Count);
  } catch (const std::bad_alloc&) {
    m_Ids.RemoveLastOne();
    return -2;
  }
  return 0;
}

void Smil::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  int depth = ++m_Depth;
  if (depth == 1) {
    m_State = kRoot;
    return;
  }
  if (depth == 2 && m_State == kRoot) {
    if (Is(name, "head"))
      m_State = kHead;
    else if (Is(name, "body"))
      m_State = kBody;
    return;
  }
  if (m_State == kHead) {
    if (Is(name, "meta")) {
      std::string_view n = attrs.Get("name"), c = attrs.Get("content");
      if (n.data() && c.data())
        if (int rc = m_Meta.Add(n.data(), c.data(), static_cast<int>(n.size()),
                                static_cast<int>(c.size())))
          Fail(rc);
    }
    return;
  }
  if (m_State != kBody) return;

  SmilElement e{0, depth, -1, -1, -1, -1};
  int rc = 0;
  if (Is(name, "seq")) {
    e.kind = kObjectSeq;
  } else if (Is(name, "par")) {
    e.kind = kObjectPar;
  } else if (Is(name, "audio")) {
    std::string_view src = attrs.Get("src");
    if (!src.data() || src.empty()) return;
    std::string scratch;
    std::string_view name;
    if (!LinkName(src, &scratch, &name) || name.empty()) return Refuse(src);
    e.kind = kObjectAudio;
    if ((rc = IndexOf(m_AudioNames, name, &e.file, &m_LastAudio)) != 0) return Fail(rc);
    // Some books use the other version's spelling; take whichever is there.
    std::string_view begin = attrs.Get(m_Daisy3 ? "clipBegin" : "clip-begin");
    if (!begin.data()) begin = attrs.Get(m_Daisy3 ? "clip-begin" : "clipBegin");
    std::string_view end = attrs.Get(m_Daisy3 ? "clipEnd" : "clip-end");
    if (!end.data()) end = attrs.Get(m_Daisy3 ? "clip-end" : "clipEnd");
    if (begin.data())
      e.start = ClippingAndClockValue_to_Ms(begin.data(), static_cast<int>(begin.size()));
    if (end.data()) e.end = ClippingAndClockValue_to_Ms(end.data(), static_cast<int>(end.size()));
  } else if (Is(name, "text")) {
    std::string_view src = attrs.Get("src");
    if (!src.data() || src.empty()) return;
    std::string_view file = src, fragment;
    size_t hash = src.rfind('#');
    if (hash != std::string_view::npos && hash > 0) {
      file = src.substr(0, hash);
      fragment = src.substr(hash + 1);
    }
    std::string scratch;
    std::string_view name;
    if (!LinkName(file, &scratch, &name)) return Refuse(src);
    if (name.size() >= kMaxTextName) return;
    e.kind = kObjectText;
    if ((rc = IndexOf(m_TextNames, name, &e.file, &m_LastText)) != 0) return Fail(rc);
    if (!fragment.empty() && (rc = IndexOf(m_Fragments, fragment, &e.start)) != 0)
      return Fail(rc);
  } else {
    return;  // other elements (a, switch, ...) are passed through
  }
  std::string_view id = attrs.Get("id");
  if (id.data()) {
    if ((rc = AddId(id)) != 0) return Fail(rc);
    e.id = m_Ids.GetCnt() - 1;
  }
  if ((rc = Append(e)) != 0) Fail(rc);
}

void Smil::OnEndElement(const char*) {
  if (m_Error) return;
  int depth = m_Depth--;
  if (m_Depth < 0) return Fail(-3);
  if (depth == 2)
    m_State = kRoot;
  else if (depth == 1)
    m_State = kOutside;
}

const char* Smil::GetElementId(int index) const {
  if (index < 0 || index >= m_Count) return nullptr;
  return m_Ids.Get(m_Elements[index].id);
}

int Smil::FindElementById(const char* id, int length, int begin, int end, int from) const {
  if (!id) return -1;
  if (from < begin || from >= end) from = begin;
  int before = -1;
  for (int i = m_Ids.CaseFind(id, length); i >= 0; i = m_Ids.CaseFindNext(i)) {
    int element = m_IdElement[i];
    if (element < begin) continue;
    if (element >= end) break;
    if (element >= from) return element;
    if (before < 0) before = element;
  }
  return before;
}

int Smil::GetObjects(Xhtml* const* documents, int documentCount, _DaisyObject* objects,
                     int size) const {
  if (!objects || size < 1 || (!documents && documentCount > 0)) return -1;
  int n = size < m_Count ? size : m_Count;
  printf("size = %d\n", n);
  int document = -1;
  int position = 0;
  for (int i = 0; i < n; i++) {
    const SmilElement& e = m_Elements[i];
    _DaisyObject& o = objects[i];
    o = {e.kind, e.depth, e.file, e.start, e.end};
    if (e.kind != kObjectText || e.file < 0 || e.file >= documentCount || !documents[e.file])
      continue;
    const char* fragment = m_Fragments.Get(e.start);
    if (!fragment) continue;
    if (e.file != document) {
      document = e.file;
      position = 0;
    }
    int idIndex = documents[e.file]->FindId(fragment, position);
    if (idIndex < 0) continue;
    const char* name;
    int first, after;
    if (documents[e.file]->GetIdInfo(idIndex, &name, &first, &after) != 0) continue;
    o.start = first;
    o.end = after;
    position = idIndex;
  }
  return n;
}

Smil::Mark Smil::GetMark() const {
  return {m_Count, m_Ids.GetCnt(), m_AudioNames.GetCnt(), m_TextNames.GetCnt(),
          m_Fragments.GetCnt()};
}

void Smil::Rollback(const Mark& mark) {
  if (mark.elements < m_Count) m_Count = mark.elements;
  m_Ids.Truncate(mark.ids);
  if (static_cast<int>(m_IdElement.size()) > mark.ids) m_IdElement.resize(mark.ids);
  m_AudioNames.Truncate(mark.audio);
  m_TextNames.Truncate(mark.texts);
  m_Fragments.Truncate(mark.fragments);
}

void Smil::Dump(std::string& out) const {
  m_Meta.Dump(out);
  DumpLine(out, "audio %d", m_AudioNames.GetCnt());
  for (int i = 0; i < m_AudioNames.GetCnt(); i++) {
    DumpLine(out, "  %d %s", i, m_AudioNames.Get(i));
  }
  DumpLine(out, "texts %d", m_TextNames.GetCnt());
  for (int i = 0; i < m_TextNames.GetCnt(); i++) DumpLine(out, "  %d %s", i, m_TextNames.Get(i));
  DumpLine(out, "elements %d", m_Count);
  for (int i = 0; i < m_Count; i++) {
    const SmilElement& e = m_Elements[i];
    const char* id = m_Ids.Get(e.id);
    if (e.kind == kObjectText) {
      const char* fragment = m_Fragments.Get(e.start);
      DumpLine(out, "  %d %s depth %d id %s file %d fragment %s", i, c_KindNames[e.kind], e.depth,
               id ? id : "-", e.file, fragment ? fragment : "-");
    } else {
      DumpLine(out, "  %d %s depth %d id %s file %d start %d end %d", i, c_KindNames[e.kind],
               e.depth, id ? id : "-", e.file, e.start, e.end);
    }
  }
}

void Smil::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
