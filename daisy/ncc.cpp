#include "daisy/ncc.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>

#include "daisy/dump.h"
#include "daisy/text_util.h"
#include "platform/board.h"

namespace libDaisy {
namespace {

enum State { kOutside, kRoot, kHead, kBody, kTitle, kEntry, kLink };

bool Is(const char* name, const char* want) { return strcasecmp(name, want) == 0; }

// Re-adds every string of list with its white space folded.
int CollapseList(StringArray& list) {
  StringArray folded(2048, 100);
  for (int i = 0; i < list.GetCnt(); i++) {
    std::string t = CollapseSpace(list.Get(i));
    if (folded.Add(t.c_str(), static_cast<int>(t.size())) != 0) return -2;
  }
  list.Clean();
  for (int i = 0; i < folded.GetCnt(); i++)
    if (list.Add(folded.Get(i), folded.GetLength(i)) != 0) return -2;
  return 0;
}

}  // namespace

Ncc::Ncc() = default;
Ncc::~Ncc() = default;

void Ncc::Close() {
  m_Error = 0;
  m_State = kOutside;
  m_Depth = 0;
  m_HasTitle = false;
  m_Done = false;
  m_Title.clear();
  m_Meta.Clean();
  m_Names.Clean();
  m_Classes.Clean();
  m_Hrefs.Clean();
  m_Texts.Clean();
}

void Ncc::Begin(int maxEntries) {
  Close();
  m_EntryDepth = m_LinkDepth = -1;
  m_MaxEntries = maxEntries;
  m_ParseInfo.Clear();
}

int Ncc::Open(const char* path) { return Open(path, XmlReadOptions(), -1); }

int Ncc::Open(const char* path, const XmlReadOptions& options, int maxEntries) {
  Begin(maxEntries);
  m_Flat = options.html;
  if (!path) return -1;
  return Finish(XmlPushParseFile(path, *this, options, &m_ParseInfo));
}

int Ncc::OpenLenient(const char* path, int maxEntries) {
  m_Repaired = false;
  m_RepairEncoding.clear();
  int rc = Open(path, XmlReadOptions(), maxEntries);
  if (rc != -3 || !path || BAccess(path, R_OK) != 0) return rc;
  m_RepairInfo = m_ParseInfo;
  XmlReadOptions html;
  html.html = true;
  if (m_RepairInfo.badEncoding) {
    m_RepairEncoding = RepairEncoding(path);
    if (!m_RepairEncoding.empty()) html.encoding = m_RepairEncoding.c_str();
  }
  rc = Open(path, html, maxEntries);
  m_Repaired = rc == 0;
  return rc;
}

int Ncc::OpenMemory(const char* data, size_t size, const XmlReadOptions& options) {
  Begin(-1);
  m_Flat = options.html;
  return Finish(XmlPushParseMemory(data, size, "ncc.html", *this, options, &m_ParseInfo));
}

int Ncc::Finish(int parseResult) {
  if (m_Error == 0 && parseResult != 0) m_Error = parseResult == -2 ? -2 : -3;
  if (m_Error != 0) return m_Error;
  const char* dcTitle = m_Meta.Get("dc:title");
  if (!dcTitle) dcTitle = m_Meta.CaseGet("dc:title");
  if (dcTitle) {
    m_Title = dcTitle;
    m_HasTitle = true;
  }
  m_Title = CollapseSpace(m_Title);
  if (CollapseList(m_Texts) != 0) m_Error = -2;
  return m_Error;
}

void Ncc::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  int depth = m_Depth++;
  if (depth == 0) {
    m_State = kRoot;
  } else if (depth == 1 && m_State == kRoot) {
    if (Is(name, "head")) {
      m_State = kHead;
    } else if (Is(name, "body")) {
      m_State = kBody;
      if (m_MaxEntries == 0) m_Done = true;
    }
  } else if (depth == 2 && m_State == kHead) {
    if (Is(name, "title")) {
      if (!m_HasTitle) {
        m_State = kTitle;
        m_Title.clear();
      }
    } else if (Is(name, "meta")) {
      std::string_view n = attrs.Get("name");
      std::string_view c = attrs.Get("content");
      if (n.data() && c.data())
        if (int rc = m_Meta.Add(n.data(), c.data(), static_cast<int>(n.size()),
                                static_cast<int>(c.size())))
          Fail(rc);
    }
  } else if (m_Flat && depth >= 2 && (m_State == kBody || m_State == kEntry || m_State == kLink)) {
    // Tag soup: h1..h6 and span start a new entry wherever the parser put
    // them, unless they are markup inside a link.
    bool entry = strcasecmp(name, "span") == 0 ||
                 ((name[0] == 'h' || name[0] == 'H') && name[1] >= '1' && name[1] <= '6' && !name[2]);
    if (m_State == kLink) return;
    if (entry || (depth == 2 && m_State == kBody)) {
      EndEntry();
      StartEntry(name, attrs, depth);
    } else if (m_State == kEntry && Is(name, "a")) {
      StartLink(attrs, depth);
    }
  } else if (depth == 2 && m_State == kBody) {
    StartEntry(name, attrs, depth);
  } else if (depth == 3 && m_State == kEntry && Is(name, "a")) {
    StartLink(attrs, depth);
  }
}

void Ncc::StartEntry(const char* name, const XmlAttrs& attrs, int depth) {
  std::string_view cls = attrs.Get("class");
  int rc = m_Names.Add(name);
  if (rc == 0) {
    rc = cls.data() ? m_Classes.Add(cls.data(), static_cast<int>(cls.size())) : m_Classes.Add("");
    if (rc != 0) m_Names.RemoveLastOne();
  }
  if (rc != 0) return Fail(rc);
  m_State = kEntry;
  m_EntryDepth = depth;
}

// Closes the open entry; one that got no link leaves no trace.
void Ncc::EndEntry() {
  if (m_State == kEntry) {
    m_Names.RemoveLastOne();
    m_Classes.RemoveLastOne();
  }
  if (m_State == kEntry || m_State == kLink || m_EntryDepth >= 0) {
    m_State = kBody;
    if (m_MaxEntries > 0 && m_Hrefs.GetCnt() >= m_MaxEntries) m_Done = true;
  }
  m_EntryDepth = m_LinkDepth = -1;
}

void Ncc::StartLink(const XmlAttrs& attrs, int depth) {
  std::string_view href = attrs.Get("href");
  if (!href.data()) return;
  int rc = m_Hrefs.Add(href.data(), static_cast<int>(href.size()));
  if (rc == 0) {
    rc = m_Texts.Add("");
    if (rc != 0) m_Hrefs.RemoveLastOne();
  }
  if (rc != 0) return Fail(rc);
  m_State = kLink;
  m_LinkDepth = depth;
}

void Ncc::OnEndElement(const char*) {
  if (m_Error) return;
  if (--m_Depth < 0) return Fail(-3);
  int depth = m_Depth;  // depth of the element that closes
  if (m_Flat && m_EntryDepth >= 0) {
    if (depth == m_LinkDepth) {
      m_State = kBody;
      m_LinkDepth = -1;
      return;
    }
    if (depth == m_EntryDepth) return EndEntry();
    if (depth > m_EntryDepth) return;
  }
  switch (m_State) {
    case kTitle:
      if (depth == 2) {
        m_HasTitle = true;
        m_State = kHead;
      }
      break;
    case kLink:
      if (depth == 3) m_State = kBody;
      break;
    case kEntry:
      if (depth == 2) EndEntry();
      break;
    case kBody:
      if (depth == 2 && m_MaxEntries > 0 && m_Hrefs.GetCnt() >= m_MaxEntries) m_Done = true;
      if (depth == 1) m_State = kRoot;
      break;
    case kHead:
      if (depth == 1) m_State = kRoot;
      break;
    default:
      break;
  }
}

void Ncc::OnCharacters(const char* text, int length) {
  if (m_Error) return;
  if (m_State == kTitle) {
    m_Title.append(text, static_cast<size_t>(length));
  } else if (m_State == kLink) {
    if (int rc = m_Texts.AddTextToLastString(text, length)) Fail(rc);
  }
}

const char* Ncc::GetTitle() const { return m_HasTitle ? m_Title.c_str() : nullptr; }

int Ncc::GetHeaderDatas(const StringArray** names, const StringArray** classes,
                        const StringArray** hrefs, const StringArray** texts) const {
  if (!names || !classes || !hrefs || !texts) return -1;
  *names = &m_Names;
  *classes = &m_Classes;
  *hrefs = &m_Hrefs;
  *texts = &m_Texts;
  return 0;
}

const char* Ncc::GetHeaderHref(int index) const { return m_Hrefs.Get(index); }

void Ncc::Dump(std::string& out) const {
  out += "title ";
  DumpQuoted(out, GetTitle());
  out += '\n';
  m_Meta.Dump(out);
  DumpLine(out, "entries %d", m_Names.GetCnt());
  for (int i = 0; i < m_Names.GetCnt(); i++) {
    DumpLine(out, "  %d %s", i, m_Names.Get(i));
    out += "    class ";
    DumpQuoted(out, m_Classes.Get(i));
    out += " href ";
    DumpQuoted(out, m_Hrefs.Get(i));
    out += " text ";
    DumpQuoted(out, m_Texts.Get(i));
    out += '\n';
  }
}

void Ncc::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
