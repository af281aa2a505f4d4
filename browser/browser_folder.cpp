#include "browser/browser_folder.h"

#include <strings.h>

#include "players/kit/player_common.h"

namespace {

int Select(const std::string& name) {
  if (name.empty()) return 0;
  int i = g_DirInfo.Find(name.c_str());
  if (i < 0) return 0;
  g_DirInfo.SetCurSel(i);
  return 1;
}

}  // namespace

int BrowserShowFolder(const std::string& folder, const std::string& name, ShowFolder how) {
  if (how == ShowFolder::kIfShown) return BrowserShows(folder) ? Select(name) : -1;
  if (g_DirInfo.LoadDir(folder.c_str()) == 0) return Select(name);
  if (how == ShowFolder::kOrDiskRoot) {
    const char* disk = folder.rfind("/mnt/microsd", 0) == 0 ? "/mnt/microsd" : "/mnt/emmc";
    if (g_DirInfo.LoadDir(disk) != 0) g_DirInfo.LoadDir("/mnt");
  }
  return -1;
}

bool BrowserShows(const std::string& folder) {
  return strcasecmp(WithSlash(g_DirInfo.GetPath()).c_str(), WithSlash(folder).c_str()) == 0;
}

const char* BrowserFolder() { return g_DirInfo.GetPath(); }

const DirInfo& BrowserListing() { return g_DirInfo; }
