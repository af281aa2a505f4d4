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

// The elements are objects of the book model as read: a text's file is its
// document name index and its start the fragment index (-1 none); an
// audio's file the audio name index, start and end the clip in ms (-1 when
// absent); a seq with epub:textref holds that link the way a text does.
using OverlayElement = _DaisyObject;

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
  // Inside a note, page break, sidebar... (quieter reading passes over it).
  bool Quiet(int i) const { return m_Quiet[static_cast<size_t>(i)] != 0; }
  // The lists themselves, for a book model that takes them over.
  std::vector<OverlayElement>& Elements() { return m_Elements; }
  std::vector<char>& QuietFlags() { return m_Quiet; }
  const StringArray& TextNames() const { return m_TextNames; }
  const StringArray& AudioNames() const { return m_AudioNames; }
  const char* Fragment(int index) const { return m_Fragments.Get(index); }
  const XmlParseInfo& ParseInfo() const { return m_Info; }
  // Links of the overlays read so far that left the archive (at most 20);
  // the caller empties it after reporting.
  std::vector<std::string>& Refused() { return m_Refused; }
  // Every element, one per line (tests, the fuzz target's checks).
  void Dump(std::string& out) const;
  // Gives back what the lists hold beyond their size, or everything.
  void Compact() {
    m_Elements.shrink_to_fit();
    m_Quiet.shrink_to_fit();
  }
  void Release() {
    std::vector<OverlayElement>().swap(m_Elements);
    std::vector<char>().swap(m_Quiet);
    m_Fragments.Clean();
  }

  static constexpr int kMaxDepth = 64;

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char*, int) override {}
  bool WantsText() const override { return false; }
  bool WantsStop() const override { return m_Error != 0; }
  // Resolves "file#fragment" into a document and a fragment index; false
  // when it leaves the archive.
  bool Target(std::string_view src, int32_t* file, int32_t* fragment);
  void Refuse(std::string_view src);
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  // Most links of an overlay repeat the file part of the one before: the
  // last link and what it resolved to (-1 refused).
  struct Last {
    std::string link;
    int32_t index = -1;
  };
  // Index of the member `link` names in `list` (added when new); -1 when
  // it leaves the archive, -2 out of memory.
  int32_t Member(std::string_view link, StringArray& list, Last& last);

  std::string m_Member;
  Last m_LastText, m_LastAudio;
  int m_Error = 0;
  int m_Depth = 0;
  int m_BodyDepth = -1;  // depth of <body> while inside it
  int m_QuietDepth = -1;
  std::vector<OverlayElement> m_Elements;
  std::vector<char> m_Quiet;
  StringArray m_TextNames;
  StringArray m_AudioNames;
  StringArray m_Fragments;
  std::vector<std::string> m_Refused;
  XmlParseInfo m_Info;
};

// Whether an epub:type value names a structure quieter reading passes over.
bool IsSkippableType(std::string_view types);

}  // namespace libDaisy
