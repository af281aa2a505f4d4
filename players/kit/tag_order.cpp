#include "players/kit/tag_order.h"

#include <algorithm>
#include <numeric>

std::vector<int> OrderByTags(const std::vector<DiscTrack>& tags) {
  std::vector<int> order(tags.size());
  std::iota(order.begin(), order.end(), 0);
  for (const DiscTrack& t : tags)
    if (t.track < 0) return order;
  auto disc = [](const DiscTrack& t) { return t.disc < 0 ? 1 : t.disc; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const DiscTrack &x = tags[a], &y = tags[b];
    if (disc(x) != disc(y)) return disc(x) < disc(y);
    return x.track < y.track;
  });
  return order;
}
