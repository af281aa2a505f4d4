// What the players ask of the file browser.
#pragma once

// Selects the file at `fullPath` in the browser's listing when the listing
// shows its folder, so that the browser speaks it next.
void SelectInBrowserListing(const char* fullPath);
