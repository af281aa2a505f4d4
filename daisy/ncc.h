// Reader of a DAISY 2.02 navigation control centre ("ncc.html"): title,
// metadata and the body entries (headings, page numbers, other spans) with
// their link targets and texts.
#pragma once

#include <string>

#include "core/lib/no_copy.h"
#include "daisy/meta.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

class Ncc : private XmlSink, NoCopy {
 public:
  Ncc();
  virtual ~Ncc();

  // Reads the NCC as XML. 0; -1 null path; -2 out of memory; -3 unreadable
  // file or any parse error.
  virtual int Open(const char* path);
  // Forgets everything read.
  virtual void Close();
  // The title (the "dc:title" meta entry when there is one), or null.
  virtual const char* GetTitle() const;
  virtual const Meta* GetMeta() const { return &m_Meta; }
  // The four parallel lists of body entries; -1 when one is missing.
  virtual int GetHeaderDatas(const StringArray** names, const StringArray** classes,
                             const StringArray** hrefs, const StringArray** texts) const;
  // Link target of entry index, or null.
  virtual const char* GetHeaderHref(int index) const;
  // Writes what was read to standard output.
  virtual void PrintInfo() const;

  // Reads with other parser options (the HTML parser for NCC files that are
  // not well-formed XML, a forced encoding). maxEntries >= 0 stops after that
  // many entries (0: only the head, for a quick title).
  int Open(const char* path, const XmlReadOptions& options, int maxEntries = -1);
  // Reads as XML and, when the file is not well-formed, again with the HTML
  // parser (in the encoding its bytes suggest when they broke the declared
  // one). GetRepairInfo() then tells what the XML parser found.
  int OpenLenient(const char* path, int maxEntries = -1);
  bool WasRepaired() const { return m_Repaired; }
  const XmlParseInfo& GetRepairInfo() const { return m_RepairInfo; }
  // The encoding of the HTML reading when it was not the one assumed, or "".
  const std::string& GetRepairEncoding() const { return m_RepairEncoding; }
  // The same over bytes in memory.
  int OpenMemory(const char* data, size_t size, const XmlReadOptions& options);
  const XmlParseInfo& GetParseInfo() const { return m_ParseInfo; }
  int GetError() const { return m_Error; }
  void Dump(std::string& out) const;

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char* text, int length) override;
  bool WantsStop() const override { return m_Error != 0 || m_Done; }
  void Begin(int maxEntries);
  void StartEntry(const char* name, const XmlAttrs& attrs, int depth);
  void EndEntry();
  void StartLink(const XmlAttrs& attrs, int depth);
  int Finish(int parseResult);
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  int m_Error = 0;
  int m_State = 0;
  int m_Depth = 0;
  bool m_HasTitle = false;
  bool m_Done = false;
  int m_MaxEntries = -1;
  std::string m_Title;
  Meta m_Meta;
  StringArray m_Names;
  StringArray m_Classes;
  StringArray m_Hrefs;
  StringArray m_Texts;
  XmlParseInfo m_ParseInfo;
  bool m_Repaired = false;
  XmlParseInfo m_RepairInfo;
  std::string m_RepairEncoding;
  // HTML reading: entries are found at any depth (the parser nests what
  // tag soup leaves open); depths of the open entry and link, -1 when none.
  bool m_Flat = false;
  int m_EntryDepth = -1;
  int m_LinkDepth = -1;
};

}  // namespace libDaisy
