// The bookmark mode every player offers: three items (add a bookmark, the
// title's bookmark list, the highlight) walked with the arrows, the list
// walked the same way, and the highlight's three steps (mark the start, mark
// the end, stop the repeat). What a bookmark is and where it is stored stays
// with each player, reached through the hooks.
#pragma once

#include <functional>

class iWindow;

class BookmarkMode {
 public:
  enum Item { kAdd = 0, kList = 1, kHighlight = 2 };
  static constexpr int kItems = 3;
  enum Stage { kMarkStart, kMarkEnd, kStopRepeat };

  // Phrase ids of the highlight item, by stage.
  struct HighlightPhrases {
    int markStart, markEnd, stopRepeat;
  };

  struct Hooks {
    std::function<int()> count;               // bookmarks of the open title
    std::function<void(int index)> sayEntry;  // speaks one bookmark of the list
    std::function<Stage()> stage;             // where the highlight stands
    std::function<void()> add;                // a bookmark at the current place
    std::function<void(int index)> jump;      // plays from one bookmark
    std::function<void()> highlight;          // the highlight's next step
    std::function<void(int id)> sayPhrase;    // PlayerSayPhrase when empty
  };

  BookmarkMode(HighlightPhrases phrases, Hooks hooks);

  // i moved by step, wrapped into [0, n); i itself when n <= 0.
  static int Wrap(int i, int step, int n);

  // Opens on `item` (clamped), not in the list, and says it.
  void Enter(int item);
  int CurItem() const { return item_; }
  bool InList() const { return listIndex_ >= 0; }
  int ListIndex() const { return listIndex_; }
  void CloseList() { listIndex_ = -1; }
  // The listed bookmark has gone from the store: the list closes, "no bookmarks".
  void EntryGone();
  // Bookmark `index` of a book's store entry (null when the book has none);
  // when there is no such bookmark, EntryGone() and null.
  template <class Entry>
  auto Listed(Entry* entry, int index) -> decltype(entry->GetAt(index)) {
    auto* bm = entry ? entry->GetAt(index) : nullptr;
    if (!bm) EntryGone();
    return bm;
  }

  // Says the item only, or what is selected (the listed bookmark in the list).
  void ShowItem();
  void Show();
  // An arrow: the next or previous bookmark in the list, else item.
  void Step(int step);
  // Leaves the list for the next item and says it.
  void NextItem();
  // A press or repeat while the mode is open: an arrow steps, the volume
  // keys get `player`'s default answer; nothing with the keypad locked.
  int KeyPress(iWindow* player, int code);
  // Play: adds, opens the list at the latest bookmark or plays the selected
  // one, or takes the highlight's next step.
  void Confirm();

 private:
  void SayPhrase(int id);

  HighlightPhrases phrases_;
  Hooks hooks_;
  int item_ = kAdd;
  int listIndex_ = -1;
};
