#include "daisy/daisy_title.h"

#include <strings.h>

#include <cstring>

#include "daisy/clock_value.h"
#include "daisy/daisy.h"
#include "daisy/daisy_build.h"
#include "daisy/narrated_archive.h"
#include "daisy/narrated_package.h"
#include "daisy/ncc.h"
#include "daisy/opf.h"
#include "daisy/text_util.h"
#include "daisy/xml_push.h"

namespace libDaisy {
namespace {

// Skips to the element with the wanted id, then takes the first audio clip.
class FirstAudio final : public XmlSink {
 public:
  FirstAudio(const char* fragment, bool daisy3) : m_Fragment(fragment), m_Daisy3(daisy3) {}

  void OnStartElement(const char* name, const XmlAttrs& attrs) override {
    if (m_Found) return;
    if (m_Fragment) {
      std::string_view id = attrs.Get("id");
      if (!id.data() || !CaseEqual(id, m_Fragment)) return;
      m_Fragment = nullptr;
    }
    if (strcasecmp(name, "audio") != 0) return;
    std::string_view src = attrs.Get("src");
    if (!src.data() || src.empty()) return;
    std::string_view begin = attrs.Get(m_Daisy3 ? "clipBegin" : "clip-begin");
    if (!begin.data()) begin = attrs.Get(m_Daisy3 ? "clip-begin" : "clipBegin");
    std::string_view end = attrs.Get(m_Daisy3 ? "clipEnd" : "clip-end");
    if (!end.data()) end = attrs.Get(m_Daisy3 ? "clip-end" : "clipEnd");
    m_Src.assign(src.data(), src.size());
    m_Start = begin.data() ? ClippingAndClockValue_to_Ms(begin.data(), static_cast<int>(begin.size())) : -1;
    m_End = end.data() ? ClippingAndClockValue_to_Ms(end.data(), static_cast<int>(end.size())) : -1;
    m_Found = true;
  }
  void OnEndElement(const char*) override {}
  void OnCharacters(const char*, int) override {}
  bool WantsStop() const override { return m_Found; }

  bool Found() const { return m_Found; }
  std::string m_Src;
  int m_Start = -1;
  int m_End = -1;

 private:
  const char* m_Fragment;
  bool m_Daisy3;
  bool m_Found = false;
};

bool PathOk(const char* path) {
  if (!path) return false;
  size_t len = strlen(path);
  return len >= 3 && len <= kMaxDaisyPath;
}

}  // namespace

DaisyGetTitle::DaisyGetTitle() = default;
DaisyGetTitle::~DaisyGetTitle() = default;

void DaisyGetTitle::Close() {
  m_HasTitle = false;
  m_Title.clear();
  m_HasAudio = false;
  m_Audio.clear();
  m_StartMs = m_EndMs = -1;
}

int DaisyGetTitle::Open(const char* path, int type) {
  Close();
  if (!PathOk(path)) return -1;
  if (type != kDaisy202 && type != kDaisy3 && type != kDaisyEpub) type = GuessDaisyType(path);
  if (type == kDaisy202) return Open2(path);
  if (type == kDaisy3) return Open3(path);
  return -3;
}

int DaisyGetTitle::Open2(const char* path) {
  Close();
  if (!path) return -1;
  m_Daisy3 = false;
  Ncc ncc;
  if (ncc.OpenLenient(path, 1) != 0) return 0;
  if (const char* title = ncc.GetTitle()) {
    m_Title = title;
    m_HasTitle = true;
  }
  const char* href = ncc.GetHeaderHref(0);
  if (!href) return 0;
  std::string_view file, fragment;
  SplitTarget(href, &file, &fragment);
  std::string full = ResolveFile(FolderOf(path), file, kMaxDaisyPath);
  if (full.empty()) return 0;
  std::string frag(fragment);
  GetFirstAudio(full.c_str(), frag.empty() ? nullptr : frag.c_str());
  return 0;
}

int DaisyGetTitle::Open3(const char* path) {
  Close();
  if (!path) return -1;
  m_Daisy3 = true;
  Opf opf;
  if (opf.OpenRepaired(path, false, nullptr) != 0) return -3;
  if (const char* title = opf.GetTitle()) {
    m_Title = CollapseSpace(title);
    m_HasTitle = true;
  }
  std::string folder = FolderOf(path);
  if (const char* ncx = opf.GetNcxFilename()) {
    std::string full = ResolveFile(folder, ncx, kMaxDaisyPath);
    if (!full.empty()) GetFirstAudio(full.c_str(), nullptr);
  }
  if (!m_HasAudio) {
    StringArray smil;
    if (opf.GetSmilFilenames(&smil) == 0 && smil.GetCnt() > 0) {
      std::string full = ResolveFile(folder, smil.Get(0), kMaxDaisyPath);
      if (!full.empty()) GetFirstAudio(full.c_str(), nullptr);
    }
  }
  return 0;
}

int DaisyGetTitle::GetFirstAudio(const char* file, const char* fragment) {
  if (!file) return -1;
  FirstAudio sink(fragment, m_Daisy3);
  XmlParseInfo info;
  int rc = XmlPushParseFile(file, sink, XmlReadOptions(), &info);
  if (!sink.Found() && rc == -3 && info.badEncoding) {
    // Bytes in another encoding than declared: read them as what they are.
    std::string encoding = RepairEncoding(file);
    XmlReadOptions forced;
    forced.encoding = encoding.c_str();
    FirstAudio again(fragment, m_Daisy3);
    if (!encoding.empty()) rc = XmlPushParseFile(file, again, forced, nullptr);
    if (again.Found()) sink = again;
  }
  if (!sink.Found()) return rc != 0 ? -3 : 0;
  m_Audio = sink.m_Src;
  m_HasAudio = true;
  m_StartMs = sink.m_Start;
  m_EndMs = sink.m_End;
  return 0;
}

int GetTitle(const char* path, char* buffer, int size, int type) {
  if (!path || !buffer || size < 10) return -1;
  buffer[0] = 0;
  if (type != kDaisy202 && type != kDaisy3 && type != kDaisyEpub) type = GuessDaisyType(path);
  if (type == kDaisy202) {
    Ncc ncc;
    if (ncc.OpenLenient(path, 0) == 0) CopyUtf8(buffer, size, ncc.GetTitle());
    return 0;
  }
  if (type == kDaisy3) {
    Opf opf;
    if (opf.OpenRepaired(path, true, nullptr) == 0) CopyUtf8(buffer, size, CollapseSpace(opf.GetTitle() ? opf.GetTitle() : "").c_str());
    return 0;
  }
  if (type == kDaisyEpub) {
    NarratedArchive archive;
    NarratedPackage package;
    if (archive.Open(path) == 0 && OpenPackage(archive, &package) == 0)
      CopyUtf8(buffer, size, CollapseSpace(package.title).c_str());
    return 0;
  }
  return -3;
}

}  // namespace libDaisy
