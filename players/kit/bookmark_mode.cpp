#include "players/kit/bookmark_mode.h"

#include <utility>

#include "core/base/keys.h"
#include "core/ui/keypad_idle.h"
#include "core/ui/window.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

namespace {
constexpr int kAddPhrase = UxPhrase::AddBookmark;
constexpr int kListPhrase = UxPhrase::BookmarkList;
constexpr int kNoBookmarksPhrase = UxPhrase::NoBookmarks;
}  // namespace

BookmarkMode::BookmarkMode(HighlightPhrases phrases, Hooks hooks)
    : phrases_(phrases), hooks_(std::move(hooks)) {}

int BookmarkMode::Wrap(int i, int step, int n) {
  if (n <= 0) return i;
  const int r = (i + step) % n;
  return r < 0 ? r + n : r;
}

void BookmarkMode::SayPhrase(int id) {
  if (hooks_.sayPhrase)
    hooks_.sayPhrase(id);
  else
    PlayerSayPhrase(id);
}

void BookmarkMode::Enter(int item) {
  item_ = item < 0 || item >= kItems ? kAdd : item;
  listIndex_ = -1;
  ShowItem();
}

void BookmarkMode::ShowItem() {
  switch (item_) {
    case kAdd:
      SayPhrase(kAddPhrase);
      return;
    case kList:
      SayPhrase(kListPhrase);
      return;
    default:
      switch (hooks_.stage()) {
        case kMarkStart:
          SayPhrase(phrases_.markStart);
          return;
        case kMarkEnd:
          SayPhrase(phrases_.markEnd);
          return;
        case kStopRepeat:
          SayPhrase(phrases_.stopRepeat);
          return;
      }
  }
}

void BookmarkMode::Show() {
  if (InList())
    hooks_.sayEntry(listIndex_);
  else
    ShowItem();
}

void BookmarkMode::Step(int step) {
  if (InList()) {
    // Counted again: the list may have changed under it.
    const int n = hooks_.count();
    if (n <= 0) {
      listIndex_ = -1;
      SayPhrase(kNoBookmarksPhrase);
      return;
    }
    listIndex_ = Wrap(listIndex_, step, n);
    hooks_.sayEntry(listIndex_);
    return;
  }
  item_ = Wrap(item_, step, kItems);
  ShowItem();
}

void BookmarkMode::NextItem() {
  listIndex_ = -1;
  item_ = Wrap(item_, 1, kItems);
  ShowItem();
}

void BookmarkMode::EntryGone() {
  listIndex_ = -1;
  SayPhrase(kNoBookmarksPhrase);
}

int BookmarkMode::KeyPress(iWindow* player, int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return player->OnDefaultKeyPress(code);
  const int step = ArrowStep(code);
  if (step != 0) Step(step);
  return 0;
}

void BookmarkMode::Confirm() {
  switch (item_) {
    case kAdd:
      hooks_.add();
      return;
    case kList: {
      if (InList()) {
        hooks_.jump(listIndex_);
        return;
      }
      const int n = hooks_.count();
      if (n <= 0) {
        SayPhrase(kNoBookmarksPhrase);
        return;
      }
      listIndex_ = n - 1;  // the latest first
      hooks_.sayEntry(listIndex_);
      return;
    }
    default:
      hooks_.highlight();
      return;
  }
}
