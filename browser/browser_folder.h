// The browser's folder as the other features see it: they may show a folder
// in it, with an entry selected (closing a player, a recording or a menu
// lands there), and read what it lists; only the browser changes the listing.
// Event-loop thread only.
#pragma once

#include <string>

#include "browser/dir_info.h"

// What BrowserShowFolder does with its folder.
enum class ShowFolder {
  // Listed afresh (listing it again keeps the selection by name); a folder
  // that cannot be listed leaves the browser as it was.
  kListed,
  // The same, but a folder that cannot be listed gives its disk's root, or
  // else the disk choice ("/mnt"), with nothing selected.
  kOrDiskRoot,
  // Only when the browser already shows it: the entry is selected, nothing
  // is listed anew.
  kIfShown,
};

// Shows `folder` in the browser with the entry `name` (case aside) selected;
// an empty name, or one the folder lacks, leaves the selection where the
// listing put it. 1 when `name` is selected, 0 when the folder is shown
// without it, -1 when `folder` is not shown.
int BrowserShowFolder(const std::string& folder, const std::string& name,
                      ShowFolder how = ShowFolder::kListed);
// True when the browser shows `folder` (case and final slashes aside).
bool BrowserShows(const std::string& folder);
// The folder the browser shows ("" before the first), and its listing.
const char* BrowserFolder();
const DirInfo& BrowserListing();
