// An XML member of an archive streamed to a SAX handler in 8 KiB pieces, so a
// large chapter or document is never held whole, either at once or a step at
// a time behind the speech.
#pragma once

#include <memory>
#include <string>

#include "core/lib/xml/xml_reader.h"
#include "core/lib/zip/archive.h"

class ArchiveXml {
 public:
  // What the bytes pass through before the parser sees them.
  class Filter {
   public:
    virtual ~Filter() = default;
    virtual void Pass(const char* in, size_t size, std::string* out) = 0;
  };

  ArchiveXml(zip::Archive& zip, xml::Handler& handler) : m_Zip(zip), m_Handler(handler) {}
  ~ArchiveXml() { End(); }
  // Opens a member: 0, -6 missing or unreadable, -3 no memory.
  int Start(const std::string& name, const xml::Options& options);
  // Feeds up to `budget` more bytes (in whole pieces): 1 while the member
  // has more; at its end the result of ReadArchiveXml.
  int Feed(size_t budget);
  void End();
  // Until the member ends (null: none).
  void SetFilter(Filter* filter) { m_Filter = filter; }

 private:
  zip::Archive& m_Zip;
  xml::Handler& m_Handler;
  std::unique_ptr<xml::Reader> m_Reader;
  Filter* m_Filter = nullptr;
  std::string m_Filtered;
};

// 0; -6 the member is missing or its data damaged; -5 not well-formed XML
// (what was read so far has been delivered); -3 no memory.
int ReadArchiveXml(zip::Archive& zip, const std::string& name, xml::Handler& handler, const xml::Options& options);
