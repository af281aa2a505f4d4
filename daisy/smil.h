// Reader of SMIL files of DAISY 2.02 and DAISY 3 books: a flat list of the
// timing elements (seq, par, text, audio) of the body, in document order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/daisy_object.h"
#include "daisy/meta.h"
#include "daisy/string_array.h"
#include "daisy/xml_push.h"

namespace libDaisy {

class Xhtml;

struct SmilElement {
  int32_t kind;   // DaisyObjectKind
  int32_t depth;  // root 1, "body" 2, ...
  int32_t id;     // index in the id list, -1 without "id"
  int32_t file;   // audio or text file index, else -1
  int32_t start;  // audio: clip begin ms; text: fragment index; else -1
  int32_t end;    // audio: clip end ms; else -1
};

class Smil : private XmlSink, NoCopy {
 public:
  Smil();
  virtual ~Smil();

  // Reads one SMIL file; daisy3 selects "clipBegin"/"clipEnd" over
  // "clip-begin"/"clip-end". With reset the lists start afresh, without it the
  // file's elements, names and ids are appended, so one Smil holds a book.
  // 0; -1 null path; -2 out of memory; -3 unreadable, not well-formed or
  // unbalanced. Elements read before an error stay in the lists.
  virtual int Open(const char* path, bool daisy3, bool reset);
  virtual void Close();
  virtual const StringArray* GetTextFilenames() const { return &m_TextNames; }
  virtual const StringArray* GetAudioFilenames() const { return &m_AudioNames; }
  virtual int GetTotalElements() const { return m_Count; }
  // The id of element index, null without id or out of range.
  virtual const char* GetElementId(int index) const;
  // Copies min(size, element count) elements as objects; text elements whose
  // fragment is an id of their document get that id's text range. Returns the
  // number copied, or -1 for a null object array, a size below 1 or a null
  // document array with a positive count.
  virtual int GetObjects(Xhtml* const* documents, int documentCount, _DaisyObject* objects,
                         int size) const;
  virtual void PrintInfo() const;

  int Open(const char* path, bool daisy3, bool reset, const XmlReadOptions& options);
  int OpenMemory(const char* data, size_t size, bool daisy3, const XmlReadOptions& options);
  const XmlParseInfo& GetParseInfo() const { return m_ParseInfo; }
  const Meta* GetMeta() const { return &m_Meta; }
  const SmilElement* GetElement(int index) const {
    return index >= 0 && index < m_Count ? &m_Elements[index] : nullptr;
  }
  // Fragment text of a text element (its start), or null.
  const char* GetFragment(int index) const { return m_Fragments.Get(index); }
  // Element in [begin, end) whose id equals id ignoring case: the first at or
  // after from, else the first before it; -1 when none.
  int FindElementById(const char* id, int length, int begin, int end, int from) const;

  // Everything appended after a mark can be dropped again (a file that is
  // read a second time with another encoding).
  struct Mark {
    int elements, ids, audio, texts, fragments;
  };
  Mark GetMark() const;
  void Rollback(const Mark& mark);
  void Dump(std::string& out) const;
  // Links of the files read so far that lead outside the book's folder;
  // their elements were left out. The caller empties it after reporting.
  std::vector<std::string>& Refused() { return m_Refused; }

 private:
  void OnStartElement(const char* name, const XmlAttrs& attrs) override;
  void OnEndElement(const char* name) override;
  void OnCharacters(const char*, int) override {}
  bool WantsText() const override { return false; }
  bool WantsStop() const override { return m_Error != 0; }
  void Begin(bool daisy3, bool reset);
  int Finish(int parseResult);
  int Append(const SmilElement& e);
  int AddId(std::string_view id);
  // The index of text in list, added when absent. *last, when given, is the
  // previous answer for this list, tried first: clips run on in one file.
  static int IndexOf(StringArray& list, std::string_view text, int* index, int* last = nullptr);
  void Refuse(std::string_view src);
  void Fail(int code) {
    if (m_Error == 0) m_Error = code;
  }

  int m_Error = 0;
  int m_State = 0;
  int m_Depth = 0;
  bool m_Daisy3 = false;
  Meta m_Meta;
  StringArray m_Ids;
  StringArray m_AudioNames;
  StringArray m_TextNames;
  StringArray m_Fragments;
  std::vector<int32_t> m_IdElement;  // id index -> element index
  SmilElement* m_Elements = nullptr;
  int m_Count = 0;
  int m_LastAudio = -1;  // IndexOf's last answers
  int m_LastText = -1;
  int m_Capacity = 0;
  XmlParseInfo m_ParseInfo;
  static constexpr size_t kMaxRefused = 20;
  std::vector<std::string> m_Refused;
};

}  // namespace libDaisy
