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

enum class Tag { kOther, kBody, kSeq, kPar, kText, kAudio };

// `name` equals `lower` (lower-case letters) ignoring ASCII case.
bool SameName(const char* name, const char* lower) {
  for (; *lower; ++name, ++lower)
    if ((*name | 0x20) != *lower) return false;
  return *name == 0;
}

// Every element of an overlay is one of these: one compare each, not five.
Tag TagOf(const char* local) {
  switch (*local | 0x20) {
    case 'b': return SameName(local, "body") ? Tag::kBody : Tag::kOther;
    case 's': return SameName(local, "seq") ? Tag::kSeq : Tag::kOther;
    case 'p': return SameName(local, "par") ? Tag::kPar : Tag::kOther;
    case 't': return SameName(local, "text") ? Tag::kText : Tag::kOther;
    case 'a': return SameName(local, "audio") ? Tag::kAudio : Tag::kOther;
    default: return Tag::kOther;
  }
}

int Clock(const XmlAttrs& attrs, const char* name) {
  std::string_view v = attrs.Get(name);
  return v.data() ? ClippingAndClockValue_to_Ms(v.data(), static_cast<int>(v.size())) : -1;
}

}  // namespace

bool IsSkippableType(std::string_view types) {
  if (types.empty()) return false;
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
  // Ids are nearly all different: each is kept, none looked up.
  if (hash != std::string_view::npos && hash + 1 < src.size()) {
    if (m_Fragments.Add(src.data() + hash + 1, static_cast<int>(src.size() - hash - 1)) != 0) {
      Fail(-2);
      return false;
    }
    *fragment = m_Fragments.GetCnt() - 1;
  }
  return true;
}

void OverlayReader::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  const int depth = ++m_Depth;
  const Tag tag = TagOf(LocalName(name));
  if (m_BodyDepth < 0) {
    if (depth == 2 && tag == Tag::kBody) m_BodyDepth = depth;
    if (m_BodyDepth < 0) return;
  }
  if (depth > kMaxDepth) return;
  // Only the structure elements carry a type; a text or audio is a leaf.
  if (m_QuietDepth < 0 && tag != Tag::kText && tag != Tag::kAudio &&
      IsSkippableType(attrs.Get("epub:type")))
    m_QuietDepth = depth;
  OverlayElement e{kObjectSeq, depth, -1, -1, -1};
  std::string_view src;
  switch (tag) {
    case Tag::kBody:
    case Tag::kSeq: {
      if (depth == m_BodyDepth) return;  // the body is the book's root, not an object
      std::string_view ref = attrs.Get("epub:textref");
      if (ref.data() && !ref.empty() && !Target(ref, &e.file, &e.start)) {
        if (m_Error) return;
        Refuse(ref);
      }
      break;
    }
    case Tag::kPar:
      e.kind = kObjectPar;
      break;
    case Tag::kText:
      src = attrs.Get("src");
      if (!src.data() || src.empty()) return;
      e.kind = kObjectText;
      if (!Target(src, &e.file, &e.start)) return m_Error ? void() : Refuse(src);
      break;
    case Tag::kAudio:
      src = attrs.Get("src");
      if (!src.data() || src.empty()) return;
      e.file = Member(src, m_AudioNames, m_LastAudio);
      if (e.file == -2) return Fail(-2);
      if (e.file < 0) return Refuse(src);
      e.kind = kObjectAudio;
      e.start = Clock(attrs, "clipBegin");
      e.end = Clock(attrs, "clipEnd");
      break;
    default:
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
