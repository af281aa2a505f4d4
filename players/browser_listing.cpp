// Folder listings of the players in the browser's order.
#include "players/browser_listing.h"

#include "audio/audio_files.h"
#include "browser/browser_folder.h"
#include "players/kit/player_common.h"

namespace {

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
  if (BrowserShows(dir)) {
    TakeAudioFiles(BrowserListing(), names);
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
  if (!dir.empty()) BrowserShowFolder(dir, name, ShowFolder::kIfShown);
}

