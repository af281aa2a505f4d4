// A DAISY talking book opened as one flat model: the playable objects of every
// SMIL file in reading order, heading and page tables pointing into them, the
// metadata, the audio file names and the text documents.
//
// DAISY 2.02 (ncc.html + SMIL) and DAISY 3 (OPF + NCX + SMIL + DTBook/XHTML)
// give the same model. The player plays GetObjects() in order:
//  - seq / par objects are structure only (depth tells the nesting);
//  - an audio object plays clip [start, end) ms of audio file `file`
//    (GetAudioFilename); start or end is -1 when the SMIL file gave none;
//  - a text object covers pieces [start, end) of text document `file`
//    (GetXhtmlText); end is -1 when the referenced id was not found.
// Headings and pages hold an object index, or -1 when their link could not be
// resolved (GetWarning tells why).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/no_copy.h"
#include "daisy/daisy_object.h"
#include "daisy/meta.h"
#include "daisy/string_array.h"

namespace libDaisy {

class Xhtml;

enum DaisyType { kDaisyUnknown = 0, kDaisy202 = 1, kDaisy3 = 2, kDaisyEpub = 3 };

// Longest book path; every file the book names is resolved against its folder
// and skipped when the result would reach this length.
constexpr int kMaxDaisyPath = 9219;

// 1 for a file named "ncc.html" (any case), 2 for a ".opf" file, else 0.
int GuessDaisyType(const char* path);
// 3 for a ".epub" file (a narrated EPUB the browser chose for the player),
// else GuessDaisyType.
int GuessPlayerBookType(const char* path);
// The book's title into buffer, reading only the NCC or the OPF (a narrated
// EPUB, type 3: its package). -1 for a null
// path or buffer or a size below 10; -3 for an unrecognised type; else 0,
// also when the book has no title or cannot be read (buffer then "").
int GetTitle(const char* path, char* buffer, int size, int type);

// Something of the book that could not be used; the book opened without it.
struct DaisyWarning {
  int code;          // -1 missing file or bad name, -2 out of memory, -3 unreadable or malformed
  std::string file;  // as the book names it
  std::string what;
};

class Daisy : NoCopy {
 public:
  Daisy();
  virtual ~Daisy();

  // Opens the book whose NCC or OPF is path (type 1 or 2, else guessed from
  // the name). 0; -1 bad path length or null; -2 out of memory; -3 no body
  // entries, no SMIL file, no playable object, unrecognised type, or the
  // control file itself unreadable. Anything else that is broken (a missing
  // SMIL, text or audio file, a link to nowhere) is left out and reported by
  // GetWarning. On failure everything is freed.
  virtual int Open(const char* path, int type);
  // Frees everything; all counts become 0.
  virtual void Close();
  virtual const char* GetTitle() const;
  virtual int GetTotalPages() const { return static_cast<int>(m_PageElements.size()); }
  virtual int GetTotalHeadings() const { return static_cast<int>(m_HeadingElements.size()); }
  virtual int GetTotalXhmtls() const { return static_cast<int>(m_Xhtmls.size()); }
  // Writes the model to standard output.
  virtual void PrintInfo() const;
  // The object array and its count; -1 when there is none. The player may
  // complete the clip times of audio objects in place.
  virtual int GetObjects(_DaisyObject** objects, int* count);
  // Object index, level (1 to 6) and text per heading; -1 when there are none.
  virtual int GetHeadings(const int** elementIndexes, const int** levels, const StringArray** texts,
                          int* count) const;
  // Object index and label per page; -1 when there are none.
  virtual int GetPages(const int** elementIndexes, const StringArray** labels, int* count) const;
  // -1 without metadata.
  virtual int GetTotalMetas() const;
  virtual int GetMeta(int index, const char** name, const char** content) const;
  // 0 and the name (relative to the book folder, as the SMIL file writes it),
  // -1 outside the list.
  virtual int GetAudioFilename(int index, const char** name) const;
  // Number of text pieces of a text document; -1 for a document out of range.
  virtual int GeXhmtltTotalTexts(int document) const;
  // One text piece; -1 for a document or piece out of range.
  virtual int GetXhtmlText(int document, int textIndex, const char** text) const;
  // Whether a piece is a page number, a note or an annotation (quieter
  // reading passes over it); false out of range.
  bool IsQuietXhtmlText(int document, int textIndex) const;
  virtual int OpenDaisy2(const char* path);
  virtual int OpenDaisy3(const char* path);
  // A narrated EPUB: the media overlays in spine order, spine items without
  // one as text (daisy_open_epub.cpp).
  int OpenEpub(const char* path);

  // The same as the free functions, for callers that name the class.
  static int GuessDaisyType(const char* path) { return libDaisy::GuessDaisyType(path); }
  static int GetTitle(const char* path, char* buffer, int size, int type) {
    return libDaisy::GetTitle(path, buffer, size, type);
  }

  int GetObjects(const _DaisyObject** objects, int* count) const;
  int GetType() const { return m_Type; }
  // The folder of the control file, with its trailing '/'.
  const std::string& GetFolder() const { return m_Folder; }
  // The archive of a narrated EPUB, whose members the audio file names and
  // text documents are; empty for the other books.
  const std::string& GetArchive() const { return m_Archive; }
  // Objects an EPUB's overlay marks as a note, page break or sidebar
  // (quieter reading passes over them); false for the other books.
  bool IsQuietObject(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_QuietObjects.size() &&
           m_QuietObjects[static_cast<size_t>(index)];
  }
  const Meta* GetMetaList() const { return m_Meta.get(); }
  int GetTotalAudioFiles() const { return m_AudioNames ? m_AudioNames->GetCnt() : 0; }
  const Xhtml* GetXhtml(int document) const;
  const char* GetXhtmlFilename(int document) const { return m_XhtmlNames.Get(document); }
  // Sum of end - begin of the audio objects that have both clip times.
  int64_t GetTotalAudioMs() const;
  int GetTotalWarnings() const { return static_cast<int>(m_Warnings.size()); }
  const DaisyWarning* GetWarning(int index) const;
  // The model as text; objects listed one per line when withObjects.
  void Dump(std::string& out, bool withObjects) const;

 private:
  friend class DaisyBuilder;
  friend class EpubBuilder;
  void Warn(int code, const std::string& file, const std::string& what);

  int m_Type = 0;
  std::string m_Folder;
  std::string m_Archive;
  std::vector<char> m_QuietObjects;
  bool m_HasTitle = false;
  std::string m_Title;
  std::unique_ptr<Meta> m_Meta;
  std::vector<int> m_HeadingElements;
  std::vector<int> m_HeadingLevels;
  StringArray m_HeadingTexts;
  std::vector<int> m_PageElements;
  StringArray m_PageLabels;
  std::unique_ptr<StringArray> m_AudioNames;
  std::vector<_DaisyObject> m_Objects;
  std::vector<std::unique_ptr<Xhtml>> m_Xhtmls;
  StringArray m_XhtmlNames;
  std::vector<DaisyWarning> m_Warnings;
};

}  // namespace libDaisy
