// What the players ask of the file browser's listing.
#pragma once

#include <string>
#include <vector>

// Names of the audio files of a folder in the browser's listing order (the
// browser's current listing when it shows that folder). 0, or -3 when the
// folder cannot be read.
int ListFolderAudioFiles(const std::string& dir, std::vector<std::string>* names);

// Selects the file at `fullPath` in the browser's listing when the listing
// shows its folder, so that the browser speaks it next.
void SelectInBrowserListing(const char* fullPath);
