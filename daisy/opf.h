// Reader of a DAISY 3 package file: metadata, manifest and spine.
#pragma once

#include <string>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/meta.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

class Opf : private XmlSink, NoCopy {
 public:
  Opf();
  virtual ~Opf();

  // 0; -1 null path; -2 out of memory; -3 unreadable, not well-formed or unbalanced.
  virtual int Open(const char* path);
  virtual void Close();
  // Content of the "dc:Title" entry (any case), or null.
  virtual const char* GetTitle() const;
  virtual const Meta* GetMeta() const { return &m_Meta; }
  // Appends, for each spine idref found in the manifest (ids compared ignoring
  // case), that item's href. -1 for a null list or an empty manifest.
  virtual int GetSmilFilenames(StringArray* list) const;
  // Href of the item with id "ncx", else of the first item of media type
  // "application/x-dtbncx+xml"; null when neither exists.
  virtual const char* GetNcxFilename() const;
  virtual void PrintInfo() const;

  // metadataOnly stops once the metadata has been read (a quick title).
  int Open(const char* path, const XmlReadOptions& options, bool metadataOnly = false);
  int OpenMemory(const char* data, size_t size, const XmlReadOptions& options);
  // Open, and when the bytes do not match the declared encoding, again in
  // the encoding they suggest (named in *repairedAs when that worked, with
  // what the first reading found in *first).
  int OpenRepaired(const char* path, bool metadataOnly, std::string* repairedAs,
                   XmlParseInfo* first = nullptr);
  // Like GetSmilFilenames, with each item's media type beside its href.
  int GetSpineItems(StringArray* hrefs, StringArray* mediaTypes) const;
  const XmlParseInfo& GetParseInfo() const { return m_ParseInfo; }
  void Dump(std::string& out) const;

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char* text, int length) override;
  bool WantsStop() const override { return m_Error != 0 || m_Done; }
  void Begin(bool metadataOnly);
  int Finish(int parseResult);
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  int m_Error = 0;
  int m_Depth = 0;
  bool m_MetadataOnly = false;
  bool m_Done = false;
  std::vector<int> m_States;  // state of each open element
  Meta m_Meta;
  StringArray m_ItemIds;
  StringArray m_ItemHrefs;
  StringArray m_ItemTypes;
  StringArray m_Spine;
  StringArray m_Work;  // name and text of the metadata element being read
  XmlParseInfo m_ParseInfo;
};

}  // namespace libDaisy
