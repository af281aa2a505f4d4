// A light look at a book for the file browser: its title and its first audio
// clip, without reading the whole book.
#pragma once

#include <string>

#include "core/lib/no_copy.h"

namespace libDaisy {

class DaisyGetTitle : NoCopy {
 public:
  DaisyGetTitle();
  virtual ~DaisyGetTitle();

  // path is the NCC or OPF; type 1 or 2, else guessed from the name.
  // 0 (also when nothing was found in a DAISY 2.02 book); -1 null or bad
  // path; -3 unrecognised type or, for DAISY 3, an unreadable OPF.
  virtual int Open(const char* path, int type);
  // Forgets title and audio; both clip times become -1.
  virtual void Close();
  virtual const char* GetText() const { return m_HasTitle ? m_Title.c_str() : nullptr; }
  // "src" of the first audio clip as written, or null.
  virtual const char* GetAudio() const { return m_HasAudio ? m_Audio.c_str() : nullptr; }
  virtual int GetAudioStartMs() const { return m_StartMs; }
  virtual int GetAudioEndMs() const { return m_EndMs; }
  virtual int Open2(const char* path);
  virtual int Open3(const char* path);
  // Scans a SMIL or NCX file for the first audio clip at or after the element
  // whose id is fragment (null: from the start). 0 (found or not); -1 null
  // file; -3 when the file cannot be opened or parsed before a clip is found.
  virtual int GetFirstAudio(const char* file, const char* fragment);

 private:
  bool m_HasTitle = false;
  std::string m_Title;
  bool m_HasAudio = false;
  std::string m_Audio;
  int m_StartMs = -1;
  int m_EndMs = -1;
  bool m_Daisy3 = false;
};

}  // namespace libDaisy
