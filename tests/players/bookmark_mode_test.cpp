#include "players/kit/bookmark_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BookmarkMode, WrapGoesRoundAtZeroAndAtTheCount) {
  EXPECT_EQ(BookmarkMode::Wrap(0, -1, 3), 2);
  EXPECT_EQ(BookmarkMode::Wrap(2, 1, 3), 0);
  EXPECT_EQ(BookmarkMode::Wrap(1, 1, 3), 2);
  EXPECT_EQ(BookmarkMode::Wrap(0, -1, 1), 0);
  EXPECT_EQ(BookmarkMode::Wrap(4, -7, 5), 2);
  EXPECT_EQ(BookmarkMode::Wrap(1, 1, 0), 1);  // nothing to walk
}

// Records what the mode says and does against a list of `count` bookmarks.
struct Recorder {
  int count = 0;
  BookmarkMode::Stage stage = BookmarkMode::kMarkStart;
  std::vector<std::string> log;
  BookmarkMode mode{{41, 42, 43}, Hooks()};
  BookmarkMode::Hooks Hooks() {
    BookmarkMode::Hooks h;
    h.count = [this] { return count; };
    h.sayEntry = [this](int i) { log.push_back("entry " + std::to_string(i)); };
    h.stage = [this] { return stage; };
    h.add = [this] { log.push_back("add"); };
    h.jump = [this](int i) { log.push_back("jump " + std::to_string(i)); };
    h.highlight = [this] { log.push_back("highlight"); };
    h.sayPhrase = [this](int id) { log.push_back(std::to_string(id)); };
    return h;
  }
};

TEST(BookmarkMode, ItemsWrapAndTheListOpensAtTheLatestAndWraps) {
  Recorder r;
  r.mode.Enter(7);  // out of range: the first item
  r.mode.Step(-1);  // round to the highlight
  r.stage = BookmarkMode::kStopRepeat;
  r.mode.Step(-1);
  r.mode.Step(1);
  r.mode.Confirm();
  EXPECT_EQ(r.log, (std::vector<std::string>{"57", "41", "58", "43", "highlight"}));

  r.log.clear();
  r.mode.Enter(BookmarkMode::kList);
  r.mode.Confirm();  // empty list
  r.count = 3;
  r.mode.Confirm();
  r.mode.Step(1);  // past the last: the first
  r.mode.Step(-1);
  r.mode.Confirm();
  EXPECT_EQ(r.log, (std::vector<std::string>{"58", "55", "entry 2", "entry 0", "entry 2", "jump 2"}));

  // The list emptied under it: stepping says so and leaves the list.
  r.log.clear();
  r.count = 0;
  r.mode.Step(1);
  EXPECT_FALSE(r.mode.InList());
  r.mode.NextItem();
  r.mode.Confirm();
  EXPECT_EQ(r.log, (std::vector<std::string>{"55", "43", "highlight"}));
}

}  // namespace
