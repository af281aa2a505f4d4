// The order of an audio book's files by their disc and track tags.
#pragma once

#include <vector>

struct DiscTrack {
  int disc = -1;  // -1: no tag
  int track = -1;
};

// Indices of the files in play order: by disc (none counts as disc 1), then
// track, when every file has a track tag; the listing's order otherwise.
// Equal tags keep the listing's order.
std::vector<int> OrderByTags(const std::vector<DiscTrack>& tags);
