// Reader of a DAISY 3 navigation control file: the navigation map (headings),
// the page list and further navigation lists.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

// Navigation points in document order: label, target ("file.smil#id") and level (1 = top).
class NavMap : NoCopy {
 public:
  NavMap() = default;
  virtual ~NavMap() = default;
  // 0, -1 for a null text, -2 out of memory.
  virtual int Add(const char* label, const char* target, int level);
  // -1 out of range.
  virtual int Get(int index, const char** label, const char** target, int* level) const;
  virtual int GetCnt() const { return m_Labels.GetCnt(); }
  void Clean();

 private:
  StringArray m_Labels;
  StringArray m_Targets;
  std::vector<int> m_Levels;
};

// A page list or another navigation list: label and target per item, and the list's class.
class NavList : NoCopy {
 public:
  NavList() = default;
  virtual ~NavList() = default;
  virtual int Add(const char* label, const char* target);
  virtual int Get(int index, const char** label, const char** target) const;
  virtual int GetCnt() const { return m_Labels.GetCnt(); }
  virtual const char* GetClass() const { return m_Class.c_str(); }
  virtual void SetClass(const char* text) { m_Class = text ? text : ""; }
  void Clean();

 private:
  StringArray m_Labels;
  StringArray m_Targets;
  std::string m_Class;
};

class Ncx : private XmlSink, NoCopy {
 public:
  Ncx();
  virtual ~Ncx();

  // 0; -1 null path; -2 out of memory; -3 unreadable or any parse error.
  virtual int Open(const char* path);
  virtual void Close();
  virtual const NavMap* GetNavMap() const { return &m_NavMap; }
  // The page list when it has an entry; else the first further list whose
  // class is "page", "pages" or "pagenum" (any case); else the empty page list.
  virtual const NavList* GetPageList() const;
  virtual void PrintInfo() const;

  int Open(const char* path, const XmlReadOptions& options);
  int OpenMemory(const char* data, size_t size, const XmlReadOptions& options);
  int GetNavListCount() const { return static_cast<int>(m_NavLists.size()); }
  const NavList* GetNavList(int index) const;
  const XmlParseInfo& GetParseInfo() const { return m_ParseInfo; }
  void Dump(std::string& out) const;

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char* text, int length) override;
  bool WantsStop() const override { return m_Error != 0; }
  void Begin();
  int Finish(int parseResult);
  int FlushPoint();
  void ClearWork();
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  int m_Error = 0;
  int m_Level = 0;  // level of the navigation point being read, 0 outside
  std::vector<int> m_States;
  NavMap m_NavMap;
  NavList m_PageList;
  std::vector<std::unique_ptr<NavList>> m_NavLists;
  std::string m_Label;
  std::string m_Target;
  bool m_HasTarget = false;
  XmlParseInfo m_ParseInfo;
};

}  // namespace libDaisy
