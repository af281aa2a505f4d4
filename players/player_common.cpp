#include "players/player_common.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/diag.h"
#include "players/audio_files.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

std::string PlayerPhrase(int id) {
  if (!g_pUxLanguage) return std::string();
  char buf[512];
  int n = g_pUxLanguage->GetString(id, buf, sizeof buf);
  return n > 0 ? std::string(buf) : std::string();
}

void PlayerSayPhrase(int id) { PlayerSay(PlayerPhrase(id)); }

void PlayerSay(const std::string& text) {
  if (text.empty()) return;
  SysTts_Play(text.c_str(), static_cast<int>(text.size()));
}

const char* ExtOf(const char* name) {
  const char* dot = name ? strrchr(name, '.') : nullptr;
  return dot ? dot + 1 : nullptr;
}

const char* BaseNameOf(const char* path) {
  const char* slash = path ? strrchr(path, '/') : nullptr;
  return slash ? slash + 1 : path;
}

std::string WithSlash(const std::string& dir) {
  std::string d = dir;
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d != "/") d += '/';
  return d;
}

int ListFolderAudioFiles(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  std::unique_ptr<DIR, int (*)(DIR*)> d(BOpendir(dir.c_str()), closedir);
  if (!d) {
    DiagPrintf("can not open dir: %s\n", dir.c_str());
    return -3;
  }
  const std::string base = WithSlash(dir);
  while (dirent* e = readdir(d.get())) {
    if (e->d_name[0] == '.') continue;
    if (!CheckIsAudioFile_FromExtName(ExtOf(e->d_name))) continue;
    struct stat st;
    if (BStat((base + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names->push_back(e->d_name);
  }
  std::sort(names->begin(), names->end(),
            [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
  if (names->size() > static_cast<size_t>(kMaxFolderFiles)) names->resize(kMaxFolderFiles);
  return 0;
}

void NormalizeHighlight(int* startMs, int* endMs) {
  int s = *startMs / 1000 * 1000;
  int e = *endMs / 1000 * 1000;
  if (e < s) std::swap(s, e);
  if (e < s + 1000) e = s + 1000;
  *startMs = s;
  *endMs = e;
}
