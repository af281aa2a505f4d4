#include "daisy/overlay.h"

#include <strings.h>

#include <new>

#include "daisy/clock_value.h"
#include "daisy/dump.h"
#include "daisy/narrated_archive.h"
#include "daisy/narrated_package.h"

namespace libDaisy {
namespace {

constexpr int kListBlock = 65536;
constexpr int kListStep = 1024;
constexpr size_t kMaxRefused = 20;

int IndexOf(StringArray& list, const std::string& text, int32_t* index) {
  int i = list.CaseFind(text.data(), static_cast<int>(text.size()));
  if (i < 0) {
    if (list.Add(text.data(), static_cast<int>(text.size())) != 0) return -2;
    i = list.GetCnt() - 1;
  }
  *index = i;
  return 0;
}

int Clock(const XmlAttrs& attrs, const char* name) {
  std::string_view v = attrs.Get(name);
  return v.data() ? ClippingAndClockValue_to_Ms(v.data(), static_cast<int>(v.size())) : -1;
}

}  // namespace

bool IsSkippableType(std::string_view types) {
  static const char* const c_Skippable[] = {"pagebreak", "note",    "footnote", "endnote",
                                            "annotation", "sidebar", "noteref"};
  for (const char* t : c_Skippable)
    if (HasToken(types, t)) return true;
  return false;
}

OverlayReader::OverlayReader()
    : m_TextNames(kListBlock, kListStep), m_AudioNames(kListBlock, kListStep),
      m_Fragments(kListBlock, kListStep) {
  m_TextNames.EnableCaseIndex();
  m_AudioNames.EnableCaseIndex();
  m_Fragments.EnableCaseIndex();
}

OverlayReader::~OverlayReader() = default;

int OverlayReader::Read(const char* data, size_t size, const std::string& member) {
  m_Member = member;
  m_LastText = m_LastAudio = Last();  // links are relative to this overlay
  m_Error = 0;
  m_Depth = 0;
  m_BodyDepth = -1;
  m_QuietDepth = -1;
  m_Info.Clear();
  int rc = XmlPushParseMemory(data, size, member.c_str(), *this, XmlReadOptions(), &m_Info);
  if (m_Error == 0 && rc != 0) m_Error = rc == -2 ? -2 : -3;
  return m_Error;
}

void OverlayReader::Refuse(std::string_view src) {
  try {
    if (m_Refused.size() < kMaxRefused) m_Refused.emplace_back(src.substr(0, 200));
  } catch (const std::bad_alloc&) {
  }
}

int32_t OverlayReader::Member(std::string_view link, StringArray& list, Last& last) {
  if (!last.link.empty() && link == last.link) return last.index;
  std::string name;
  int32_t index = -1;
  if (ResolveMember(m_Member, link, &name) && IndexOf(list, name, &index) != 0) return -2;
  try {
    last.link.assign(link.data(), link.size());
    last.index = index;
  } catch (const std::bad_alloc&) {
    last.link.clear();
  }
  return index;
}

bool OverlayReader::Target(std::string_view src, int32_t* file, int32_t* fragment) {
  size_t hash = src.find('#');
  *file = Member(src.substr(0, hash), m_TextNames, m_LastText);
  if (*file == -2) Fail(-2);
  if (*file < 0) return false;
  *fragment = -1;
  if (hash != std::string_view::npos && hash + 1 < src.size()) {
    std::string id(src.substr(hash + 1));
    if (IndexOf(m_Fragments, id, fragment) != 0) {
      Fail(-2);
      return false;
    }
  }
  return true;
}

void OverlayReader::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  const int depth = ++m_Depth;
  const char* local = LocalName(name);
  if (m_BodyDepth < 0) {
    if (depth == 2 && strcasecmp(local, "body") == 0) m_BodyDepth = depth;
    if (m_BodyDepth < 0) return;
  }
  if (depth > kMaxDepth) return;
  if (m_QuietDepth < 0 && IsSkippableType(attrs.Get("epub:type"))) m_QuietDepth = depth;
  OverlayElement e{kObjectSeq, depth, -1, -1, -1};
  std::string_view src = attrs.Get("src");
  if (strcasecmp(local, "seq") == 0 || strcasecmp(local, "body") == 0) {
    if (depth == m_BodyDepth) return;  // the body is the book's root, not an object
    std::string_view ref = attrs.Get("epub:textref");
    if (ref.data() && !ref.empty() && !Target(ref, &e.file, &e.start)) {
      if (m_Error) return;
      Refuse(ref);
    }
  } else if (strcasecmp(local, "par") == 0) {
    e.kind = kObjectPar;
  } else if (strcasecmp(local, "text") == 0) {
    if (!src.data() || src.empty()) return;
    e.kind = kObjectText;
    if (!Target(src, &e.file, &e.start)) return m_Error ? void() : Refuse(src);
  } else if (strcasecmp(local, "audio") == 0) {
    if (!src.data() || src.empty()) return;
    e.file = Member(src, m_AudioNames, m_LastAudio);
    if (e.file == -2) return Fail(-2);
    if (e.file < 0) return Refuse(src);
    e.kind = kObjectAudio;
    e.start = Clock(attrs, "clipBegin");
    e.end = Clock(attrs, "clipEnd");
  } else {
    return;
  }
  try {
    m_Elements.push_back(e);
    m_Quiet.push_back(m_QuietDepth >= 0);
  } catch (const std::bad_alloc&) {
    Fail(-2);
  }
}

void OverlayReader::OnEndElement(const char*) {
  if (m_Error) return;
  const int depth = m_Depth--;
  if (depth == m_QuietDepth) m_QuietDepth = -1;
  if (depth == m_BodyDepth) m_BodyDepth = -1;
}

void OverlayReader::Dump(std::string& out) const {
  static const char* c_Kinds[] = {"seq", "par", "text", "audio"};
  for (size_t i = 0; i < m_Elements.size(); ++i) {
    const OverlayElement& e = m_Elements[i];
    const char* file = e.kind == kObjectAudio ? m_AudioNames.Get(e.file) : m_TextNames.Get(e.file);
    const char* fragment = e.kind == kObjectAudio ? nullptr : m_Fragments.Get(e.start);
    DumpLine(out, "%zu %s %d %s#%s %d %d%s", i, c_Kinds[e.kind], e.depth, file ? file : "-",
             fragment ? fragment : "", e.kind == kObjectAudio ? e.start : -1, e.end,
             m_Quiet[i] ? " quiet" : "");
  }
}

}  // namespace libDaisy
