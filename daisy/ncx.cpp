#include "daisy/ncx.h"

#include <strings.h>

#include <cstdio>
#include <new>

#include "daisy/dump.h"
#include "daisy/text_util.h"

namespace libDaisy {
namespace {

enum State {
  kSkip,
  kRoot,
  kNavMap,
  kPageList,
  kNavList,
  kNavPoint,
  kPageTarget,
  kNavTarget,
  kLabel,
  kLabelText,
};

bool Is(const char* name, const char* want) { return strcasecmp(name, want) == 0; }
bool IsItem(int state) { return state == kNavPoint || state == kPageTarget || state == kNavTarget; }

}  // namespace

// ---- NavMap / NavList ----

int NavMap::Add(const char* label, const char* target, int level) {
  if (!label || !target) return -1;
  if (int rc = m_Labels.Add(label)) return rc;
  if (int rc = m_Targets.Add(target)) {
    m_Labels.RemoveLastOne();
    return rc;
  }
  try {
    m_Levels.push_back(level);
  } catch (const std::bad_alloc&) {
    m_Labels.RemoveLastOne();
    m_Targets.RemoveLastOne();
    return -2;
  }
  return 0;
}

int NavMap::Get(int index, const char** label, const char** target, int* level) const {
  if (index < 0 || index >= GetCnt()) return -1;
  if (label) *label = m_Labels.Get(index);
  if (target) *target = m_Targets.Get(index);
  if (level) *level = m_Levels[index];
  return 0;
}

void NavMap::Clean() {
  m_Labels.Clean();
  m_Targets.Clean();
  m_Levels.clear();
}

int NavList::Add(const char* label, const char* target) {
  if (!label || !target) return -1;
  if (int rc = m_Labels.Add(label)) return rc;
  if (int rc = m_Targets.Add(target)) {
    m_Labels.RemoveLastOne();
    return rc;
  }
  return 0;
}

int NavList::Get(int index, const char** label, const char** target) const {
  if (index < 0 || index >= GetCnt()) return -1;
  if (label) *label = m_Labels.Get(index);
  if (target) *target = m_Targets.Get(index);
  return 0;
}

void NavList::Clean() {
  m_Labels.Clean();
  m_Targets.Clean();
  m_Class.clear();
}

// ---- Ncx ----

Ncx::Ncx() = default;
Ncx::~Ncx() = default;

void Ncx::Close() {
  m_Error = 0;
  m_Level = 0;
  m_States.clear();
  m_NavMap.Clean();
  m_PageList.Clean();
  m_NavLists.clear();
  ClearWork();
}

void Ncx::ClearWork() {
  m_Label.clear();
  m_Target.clear();
  m_HasTarget = false;
}

void Ncx::Begin() {
  Close();
  m_ParseInfo.Clear();
}

int Ncx::Open(const char* path) { return Open(path, XmlReadOptions()); }

int Ncx::Open(const char* path, const XmlReadOptions& options) {
  Begin();
  if (!path) return -1;
  return Finish(XmlPushParseFile(path, *this, options, &m_ParseInfo));
}

int Ncx::OpenMemory(const char* data, size_t size, const XmlReadOptions& options) {
  Begin();
  return Finish(XmlPushParseMemory(data, size, "navigation.ncx", *this, options, &m_ParseInfo));
}

int Ncx::Finish(int parseResult) {
  if (m_Error == 0 && parseResult != 0) m_Error = parseResult == -2 ? -2 : -3;
  m_States.clear();
  return m_Error;
}

// Adds the navigation point in the work lists, when it has a target.
int Ncx::FlushPoint() {
  int rc = 0;
  if (m_HasTarget) rc = m_NavMap.Add(CollapseSpace(m_Label).c_str(), m_Target.c_str(), m_Level);
  ClearWork();
  return rc;
}

void Ncx::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  int parent = m_States.empty() ? -1 : m_States.back();
  int state = kSkip;
  if (parent == -1) {
    state = kRoot;
  } else if (parent == kRoot) {
    if (Is(name, "navMap")) {
      state = kNavMap;
    } else if (Is(name, "pageList")) {
      state = kPageList;
    } else if (Is(name, "navList")) {
      state = kNavList;
      try {
        m_NavLists.emplace_back(new NavList);
      } catch (const std::bad_alloc&) {
        return Fail(-2);
      }
      std::string_view cls = attrs.Get("class");
      m_NavLists.back()->SetClass(cls.data() ? std::string(cls).c_str() : "");
    }
  } else if ((parent == kNavMap || parent == kNavPoint) && Is(name, "navPoint")) {
    state = kNavPoint;
    // A nested point: its parent goes into the map first, so that the map
    // holds parents before their children.
    if (m_Level > 0)
      if (int rc = FlushPoint()) return Fail(rc);
    m_Level++;
  } else if (parent == kPageList && Is(name, "pageTarget")) {
    state = kPageTarget;
    ClearWork();
  } else if (parent == kNavList && Is(name, "navTarget")) {
    state = kNavTarget;
    ClearWork();
  } else if (IsItem(parent) && Is(name, "navLabel")) {
    state = kLabel;
  } else if (parent == kLabel && Is(name, "text")) {
    state = kLabelText;
  } else if (IsItem(parent) && Is(name, "content")) {
    std::string_view src = attrs.Get("src");
    if (src.data()) {
      m_Target.assign(src.data(), src.size());
      m_HasTarget = true;
    }
  }
  try {
    m_States.push_back(state);
  } catch (const std::bad_alloc&) {
    Fail(-2);
  }
}

void Ncx::OnEndElement(const char*) {
  if (m_Error) return;
  if (m_States.empty()) return Fail(-3);
  int state = m_States.back();
  m_States.pop_back();
  int rc = 0;
  if (state == kNavPoint) {
    rc = FlushPoint();
    if (m_Level > 0) m_Level--;
  } else if (state == kPageTarget) {
    if (m_HasTarget) rc = m_PageList.Add(CollapseSpace(m_Label).c_str(), m_Target.c_str());
    ClearWork();
  } else if (state == kNavTarget) {
    if (m_HasTarget && !m_NavLists.empty())
      rc = m_NavLists.back()->Add(CollapseSpace(m_Label).c_str(), m_Target.c_str());
    ClearWork();
  }
  if (rc != 0) Fail(rc);
}

void Ncx::OnCharacters(const char* text, int length) {
  if (m_Error || m_States.empty() || m_States.back() != kLabelText) return;
  try {
    m_Label.append(text, static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    Fail(-2);
  }
}

const NavList* Ncx::GetPageList() const {
  if (m_PageList.GetCnt() > 0) return &m_PageList;
  for (const auto& list : m_NavLists) {
    const char* cls = list->GetClass();
    if (Is(cls, "page") || Is(cls, "pages") || Is(cls, "pagenum")) return list.get();
  }
  return &m_PageList;
}

const NavList* Ncx::GetNavList(int index) const {
  return index >= 0 && index < GetNavListCount() ? m_NavLists[index].get() : nullptr;
}

namespace {

void DumpList(std::string& out, const NavList& list) {
  for (int i = 0; i < list.GetCnt(); i++) {
    const char *label, *target;
    list.Get(i, &label, &target);
    out += "  ";
    DumpQuoted(out, label);
    out += ' ';
    out += target;
    out += '\n';
  }
}

}  // namespace

void Ncx::Dump(std::string& out) const {
  DumpLine(out, "navmap %d", m_NavMap.GetCnt());
  for (int i = 0; i < m_NavMap.GetCnt(); i++) {
    const char *label, *target;
    int level;
    m_NavMap.Get(i, &label, &target, &level);
    DumpLine(out, "  %d", level);
    out.pop_back();
    out += ' ';
    DumpQuoted(out, label);
    out += ' ';
    out += target;
    out += '\n';
  }
  const NavList* pages = GetPageList();
  DumpLine(out, "pages %d", pages->GetCnt());
  DumpList(out, *pages);
  for (const auto& list : m_NavLists) {
    DumpLine(out, "navlist %s %d", list->GetClass(), list->GetCnt());
    DumpList(out, *list);
  }
}

void Ncx::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
