#include "audio/audio_files.h"

#include <strings.h>

#include <cstring>

namespace {

const char* const c_AudioExtNames[] = {
    "mp3", "wav", "flac", "ape", "aac", "ogg", "ra", "m4a", "wma", "rm", "rmvb", "avi",
    "mp4", "3gp", "mov", "wmv", "flv", "f4v", "mpg", "mpeg", "dat", "vob", "mkv",
    "m4b"};  // audio books in chapters

}  // namespace

int CheckIsAudioFile_FromExtName(const char* ext) {
  if (!ext) return 0;
  for (const char* known : c_AudioExtNames) {
    if (strcasecmp(ext, known) == 0) return 1;
  }
  return 0;
}

int CheckIsAudioPlayList(const char* ext) {
  if (!ext) return 0;
  // UTF-8 lists are commonly saved as ".m3u8"; they are the same format.
  return strcasecmp(ext, "m3u") == 0 || strcasecmp(ext, "m3u8") == 0;
}

int IsPlayListName(const char* name) {
  if (!name) return 0;
  const char* dot = strrchr(name, '.');
  const char* slash = strrchr(name, '/');
  if (!dot || (slash && slash > dot)) return 0;
  return CheckIsAudioPlayList(dot + 1);
}
