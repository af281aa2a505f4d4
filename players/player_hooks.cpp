#include "players/player_hooks.h"

// The browser's listing (g_DirInfo) has not landed in this tree yet; until it
// does there is no listing to select in, and the browser keeps its own
// selection.
void SelectInBrowserListing(const char*) {}
