// Reader of the media overlays of narrated EPUB books (SMIL 3): the timing
// elements of each overlay's body (seq, par, text, audio) appended in
// document order to one flat list for the whole book. Links are resolved
// against the overlay's own member name and must stay inside the archive;
// skippable structures (notes, page breaks, sidebars) are marked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/daisy_object.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

struct OverlayElement {
  int32_t kind;   // DaisyObjectKind
  int32_t depth;  // root 1, body 2, its children 3
  int32_t file;   // text: document name index; audio: audio name index; seq: its textref's document or -1
  int32_t start;  // text and seq: fragment index or -1; audio: clip begin ms or -1
  int32_t end;    // audio: clip end ms or -1
  int32_t quiet;  // inside a note, page break, sidebar... (quieter reading)
};

class OverlayReader : private XmlSink, NoCopy {
 public:
  OverlayReader();
  ~OverlayReader() override;

  // Appends one overlay read from memory; `member` is its name in the
  // archive. 0; -2 out of memory; -3 not well-formed (the elements before
  // the fault stay).
  int Read(const char* data, size_t size, const std::string& member);
  int Count() const { return static_cast<int>(m_Elements.size()); }
  const OverlayElement& Element(int i) const { return m_Elements[static_cast<size_t>(i)]; }
  const StringArray& TextNames() const { return m_TextNames; }
  const StringArray& AudioNames() const { return m_AudioNames; }
  const char* Fragment(int index) const { return m_Fragments.Get(index); }
  const XmlParseInfo& ParseInfo() const { return m_Info; }
  // Links of the overlays read so far that left the archive (at most 20);
  // the caller empties it after reporting.
  std::vector<std::string>& Refused() { return m_Refused; }
  // Every element, one per line (tests, the fuzz target's checks).
  void Dump(std::string& out) const;

  static constexpr int kMaxDepth = 64;

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char*, int) override {}
  bool WantsStop() const override { return m_Error != 0; }
  // Resolves "file#fragment" into a document and a fragment index; false
  // when it leaves the archive.
  bool Target(std::string_view src, int32_t* file, int32_t* fragment);
  void Refuse(std::string_view src);
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  std::string m_Member;
  int m_Error = 0;
  int m_Depth = 0;
  int m_BodyDepth = -1;  // depth of <body> while inside it
  int m_QuietDepth = -1;
  std::vector<OverlayElement> m_Elements;
  StringArray m_TextNames;
  StringArray m_AudioNames;
  StringArray m_Fragments;
  std::vector<std::string> m_Refused;
  XmlParseInfo m_Info;
};

// Whether an epub:type value names a structure quieter reading passes over.
bool IsSkippableType(std::string_view types);

}  // namespace libDaisy
