#include "players/player_common.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "browser/dir_info.h"
#include "core/diag.h"
#include "players/player_hooks.h"
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

namespace {

bool SameFolder(const std::string& a, const std::string& b) {
  return strcasecmp(WithSlash(a).c_str(), WithSlash(b).c_str()) == 0;
}

void TakeAudioFiles(const DirInfo& d, std::vector<std::string>* names) {
  for (int i = 0; i < d.GetFileCount() && names->size() < static_cast<size_t>(kMaxFolderFiles); ++i) {
    const char* name = d.GetFileName(i);
    if (name && CheckIsAudioFile_FromExtName(ExtOf(name))) names->push_back(name);
  }
}

}  // namespace

// The names are copied: the browser's listing can be reloaded (card events,
// file operations) while a player is open.
int ListFolderAudioFiles(const std::string& dir, std::vector<std::string>* names) {
  names->clear();
  if (SameFolder(g_DirInfo.GetPath(), dir)) {
    TakeAudioFiles(g_DirInfo, names);
    return 0;
  }
  DirInfo listing;
  std::string path = WithSlash(dir);
  if (path.size() > 1) path.pop_back();
  int r = listing.LoadDir(path.c_str());
  if (r != 0) return r;
  TakeAudioFiles(listing, names);
  return 0;
}

void SelectInBrowserListing(const char* fullPath) {
  if (!fullPath) return;
  const char* name = BaseNameOf(fullPath);
  std::string dir(fullPath, static_cast<size_t>(name - fullPath));
  if (dir.empty() || !SameFolder(g_DirInfo.GetPath(), dir)) return;
  int idx = g_DirInfo.Find(name);
  if (idx >= 0) g_DirInfo.SetCurSel(idx);
}

void NormalizeHighlight(int* startMs, int* endMs) {
  int s = *startMs / 1000 * 1000;
  int e = *endMs / 1000 * 1000;
  if (e < s) std::swap(s, e);
  if (e < s + 1000) e = s + 1000;
  *startMs = s;
  *endMs = e;
}
