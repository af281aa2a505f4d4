#include "daisy/opf.h"

#include <strings.h>

#include <cstdio>
#include <new>

#include "daisy/dump.h"
#include "daisy/text_util.h"

namespace libDaisy {
namespace {

enum State {
  kSkip = 0,
  kRoot = 1,
  kMetadata = 2,
  kDcMetadata = 3,
  kDcEntry = 4,
  kXMetadata = 5,
  kManifest = 6,
  kSpine = 7,
  kInsideEntry = 8,
};

bool Is(const char* name, const char* want) { return strcasecmp(name, want) == 0; }

}  // namespace

Opf::Opf() { m_ItemIds.EnableCaseIndex(); }
Opf::~Opf() = default;

void Opf::Close() {
  m_Error = 0;
  m_Depth = 0;
  m_Done = false;
  m_States.clear();
  m_Meta.Clean();
  m_ItemIds.Clean();
  m_ItemHrefs.Clean();
  m_ItemTypes.Clean();
  m_Spine.Clean();
  m_Work.Clean();
}

void Opf::Begin(bool metadataOnly) {
  Close();
  m_MetadataOnly = metadataOnly;
  m_ParseInfo.Clear();
}

int Opf::Open(const char* path) { return Open(path, XmlReadOptions(), false); }

int Opf::Open(const char* path, const XmlReadOptions& options, bool metadataOnly) {
  Begin(metadataOnly);
  if (!path) return -1;
  return Finish(XmlPushParseFile(path, *this, options, &m_ParseInfo));
}

int Opf::OpenRepaired(const char* path, bool metadataOnly, std::string* repairedAs,
                      XmlParseInfo* firstInfo) {
  if (repairedAs) repairedAs->clear();
  int rc = Open(path, XmlReadOptions(), metadataOnly);
  if (firstInfo) *firstInfo = m_ParseInfo;
  if (rc != -3 || !m_ParseInfo.badEncoding) return rc;
  const XmlParseInfo first = m_ParseInfo;
  std::string encoding = RepairEncoding(path);
  if (encoding.empty()) return rc;
  XmlReadOptions forced;
  forced.encoding = encoding.c_str();
  rc = Open(path, forced, metadataOnly);
  if (rc == 0 && repairedAs) *repairedAs = encoding;
  if (rc != 0) m_ParseInfo = first;
  return rc;
}

int Opf::OpenMemory(const char* data, size_t size, const XmlReadOptions& options) {
  Begin(false);
  return Finish(XmlPushParseMemory(data, size, "package.opf", *this, options, &m_ParseInfo));
}

int Opf::Finish(int parseResult) {
  if (m_Error == 0 && parseResult != 0) m_Error = parseResult == -2 ? -2 : -3;
  m_States.clear();
  return m_Error;
}

void Opf::OnStartElement(const char* name, const XmlAttrs& attrs) {
  if (m_Error) return;
  int parent = m_States.empty() ? -1 : m_States.back();
  int state = kSkip;
  switch (parent) {
    case -1:
      state = m_Depth == 0 ? kRoot : kSkip;
      break;
    case kRoot:
      if (Is(name, "metadata"))
        state = kMetadata;
      else if (Is(name, "manifest"))
        state = kManifest;
      else if (Is(name, "spine"))
        state = kSpine;
      break;
    case kMetadata:
      if (Is(name, "dc-metadata"))
        state = kDcMetadata;
      else if (Is(name, "x-metadata"))
        state = kXMetadata;
      else if (strncasecmp(name, "dc:", 3) == 0)
        state = kDcEntry;  // package files that put Dublin Core straight in <metadata>
      else if (Is(name, "meta"))
        parent = kXMetadata;
      break;
    case kDcMetadata:
      state = kDcEntry;
      break;
    case kDcEntry:
    case kInsideEntry:
      state = kInsideEntry;
      break;
    default:
      break;
  }
  int rc = 0;
  if (state == kDcEntry) {
    m_Work.Clean();
    if ((rc = m_Work.Add(name)) == 0) rc = m_Work.Add("");
  } else if (parent == kXMetadata && Is(name, "meta")) {
    std::string_view n = attrs.Get("name"), c = attrs.Get("content");
    if (n.data() && c.data())
      rc = m_Meta.Add(n.data(), c.data(), static_cast<int>(n.size()), static_cast<int>(c.size()));
  } else if (parent == kManifest && Is(name, "item")) {
    std::string_view id = attrs.Get("id"), href = attrs.Get("href"),
                     type = attrs.Get("media-type");
    if (id.data() && href.data() && type.data()) {
      rc = m_ItemIds.Add(id.data(), static_cast<int>(id.size()));
      if (rc == 0 && (rc = m_ItemHrefs.Add(href.data(), static_cast<int>(href.size()))) != 0)
        m_ItemIds.RemoveLastOne();
      if (rc == 0 && (rc = m_ItemTypes.Add(type.data(), static_cast<int>(type.size()))) != 0) {
        m_ItemIds.RemoveLastOne();
        m_ItemHrefs.RemoveLastOne();
      }
    }
  } else if (parent == kSpine && Is(name, "itemref")) {
    std::string_view idref = attrs.Get("idref");
    if (idref.data()) rc = m_Spine.Add(idref.data(), static_cast<int>(idref.size()));
  }
  if (rc != 0) return Fail(rc);
  try {
    m_States.push_back(state);
  } catch (const std::bad_alloc&) {
    return Fail(-2);
  }
  m_Depth++;
}

void Opf::OnEndElement(const char*) {
  if (m_Error) return;
  if (m_States.empty()) return Fail(-3);
  int state = m_States.back();
  m_States.pop_back();
  m_Depth--;
  if (state == kDcEntry && m_Work.GetCnt() == 2) {
    std::string text = CollapseSpace(m_Work.Get(1));
    if (int rc = m_Meta.Add(m_Work.Get(0), text.c_str())) Fail(rc);
    m_Work.Clean();
  } else if (state == kMetadata && m_MetadataOnly) {
    m_Done = true;
  }
}

void Opf::OnCharacters(const char* text, int length) {
  if (m_Error || m_States.empty()) return;
  int state = m_States.back();
  if ((state == kDcEntry || state == kInsideEntry) && m_Work.GetCnt() == 2)
    if (int rc = m_Work.AddTextToLastString(text, length)) Fail(rc);
}

const char* Opf::GetTitle() const {
  const char* title = m_Meta.Get("dc:Title");
  return title ? title : m_Meta.CaseGet("dc:title");
}

int Opf::GetSpineItems(StringArray* hrefs, StringArray* mediaTypes) const {
  if (!hrefs || m_ItemIds.GetCnt() == 0) return -1;
  for (int i = 0; i < m_Spine.GetCnt(); i++) {
    int item = m_ItemIds.CaseFind(m_Spine.Get(i));
    if (item < 0) continue;
    if (int rc = hrefs->Add(m_ItemHrefs.Get(item))) return rc;
    if (mediaTypes)
      if (int rc = mediaTypes->Add(m_ItemTypes.Get(item))) return rc;
  }
  return 0;
}

int Opf::GetSmilFilenames(StringArray* list) const { return GetSpineItems(list, nullptr); }

const char* Opf::GetNcxFilename() const {
  int item = m_ItemIds.CaseFind("ncx");
  if (item >= 0) return m_ItemHrefs.Get(item);
  for (int i = 0; i < m_ItemTypes.GetCnt(); i++)
    if (strcasecmp(m_ItemTypes.Get(i), "application/x-dtbncx+xml") == 0) return m_ItemHrefs.Get(i);
  return nullptr;
}

void Opf::Dump(std::string& out) const {
  out += "title ";
  DumpQuoted(out, GetTitle());
  out += '\n';
  m_Meta.Dump(out);
  DumpLine(out, "manifest %d", m_ItemIds.GetCnt());
  for (int i = 0; i < m_ItemIds.GetCnt(); i++)
    DumpLine(out, "  %s %s %s", m_ItemIds.Get(i), m_ItemHrefs.Get(i), m_ItemTypes.Get(i));
  DumpLine(out, "spine %d", m_Spine.GetCnt());
  for (int i = 0; i < m_Spine.GetCnt(); i++) DumpLine(out, "  %s", m_Spine.Get(i));
  const char* ncx = GetNcxFilename();
  DumpLine(out, "ncx %s", ncx ? ncx : "-");
}

void Opf::PrintInfo() const {
  PrintDump([this](std::string& out) { Dump(out); });
}

}  // namespace libDaisy
