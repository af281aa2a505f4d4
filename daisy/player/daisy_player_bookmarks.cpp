// The DAISY player's bookmark mode: add a bookmark, walk and play the book's
// bookmarks, and mark, store and repeat a highlighted range.
#include <string>
#include <utility>

#include "core/ui/keypad_idle.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

DaisyBmFileItem* EntryOf(const std::string& fullName) {
  int idx = g_bookmark.Find(EM_BM_DAISY, fullName.c_str());
  auto* item = idx >= 0 ? static_cast<DaisyBmFileItem*>(g_bookmark.GetAt(idx)) : nullptr;
  return item && item->Type() == EM_BM_DAISY ? item : nullptr;
}

std::string BookmarkText(int number, bool added, bool highlight, int startMs, const char* startPage,
                         int endMs, const char* endPage) {
  if (!g_pUxLanguage) return std::string();
  char buf[512];
  int start = startMs >= 0 ? startMs / 1000 : -1;
  int end = endMs >= 0 ? endMs / 1000 : -1;
  if (g_pUxLanguage->GetDaisyBookmarkInfoString(number, added, highlight, start, startPage, end,
                                                endPage, buf, sizeof buf) <= 0)
    return std::string();
  return buf;
}

}  // namespace

void DaisyPlayer::EnterBookmarkMenu() {
  m_bBookmarkMode = true;
  m_bMenuMode = false;
  m_Bm.Enter(g_DaisyBookmarkMenuIndex);
  g_DaisyBookmarkMenuIndex = m_Bm.CurItem();
}

BookmarkMode::Hooks DaisyPlayer::BookmarkHooks() {
  auto stage = [this] {
    if (m_bHighlightPlaying) return BookmarkMode::kStopRepeat;
    return m_bMarkStarted ? BookmarkMode::kMarkEnd : BookmarkMode::kMarkStart;
  };
  return {[this] { return BookmarkCount(); }, [this](int i) { SayListedBookmark(i); }, stage,
          [this] { AddBookmark(); }, [this](int i) { PlayListedBookmark(i); }, [this] { HighlightStep(); },
          nullptr};
}

int DaisyPlayer::BookmarkCount() {
  DaisyBmFileItem* entry = EntryOf(m_FullName);
  return entry ? entry->GetCount() : 0;
}

// Refresh says the item even while the list is walked.
void DaisyPlayer::ShowBookmarkItem() { m_Bm.ShowItem(); }

int DaisyPlayer::BookmarkKeyDown(int code) {
  if (!IsMenuKey(code, {KEY_BOOKMARK})) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  // The arrows act in the press that follows.
  if (code == KEY_PLAY) m_Bm.Confirm();
  if (code == KEY_BACK) LeaveBookmarkMode(true);
  if (code == KEY_BOOKMARK) m_Bm.NextItem();
  g_DaisyBookmarkMenuIndex = m_Bm.CurItem();
  if (code != KEY_MENU) return 0;
  m_bBookmarkMode = false;
  EnterSettingsMenu();
  return 0;
}

int DaisyPlayer::BookmarkKeyPress(int code) {
  const int r = m_Bm.KeyPress(this, code);
  g_DaisyBookmarkMenuIndex = m_Bm.CurItem();
  return r;
}

void DaisyPlayer::AddBookmark() {
  const DaisyPos pos = m_Thread.Position();
  bool hasPages = false;
  const std::string page = PageLabelAt(pos.object, &hasPages);
  const std::string title = Title();
  const int ms = ElapsedMs();
  int idx = g_bookmark.AddDaisy(m_FullName.c_str(), pos.object, pos.place, title.c_str(), ms,
                                hasPages ? page.c_str() : nullptr);
  if (idx < 0) {
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
  } else {
    LoadBmPlaces();
    PlayerSay(
        BookmarkText(idx + 1, true, false, ms, hasPages ? page.c_str() : nullptr, -1, nullptr));
  }
  LeaveBookmarkMode(true);
}

void DaisyPlayer::HighlightStep() {
  if (m_bHighlightPlaying) {
    // Third press: the range stops repeating; playing goes on from here.
    m_Thread.ClearRepeat();
    m_bHighlightPlaying = false;
    m_bMarkStarted = false;
    LeaveBookmarkMode(true);
    return;
  }
  const DaisyPos pos = m_Thread.Position();
  bool hasPages = false;
  std::string page = PageLabelAt(pos.object, &hasPages);
  int ms = ElapsedMs();
  if (!m_bMarkStarted) {
    m_bMarkStarted = true;
    m_MarkStart = pos;
    m_MarkStartMs = ms;
    m_MarkStartPage = page;
    m_MarkStartHasPage = hasPages;
    PlayerSayPhrase(UxPhrase::MarkStartPlace);
    LeaveBookmarkMode(true);
    return;
  }
  m_bMarkStarted = false;
  DaisyPos start = m_MarkStart, fin = pos;
  int startMs = m_MarkStartMs, endMs = ms;
  std::string startPage = m_MarkStartPage, endPage = page;
  if (fin < start) {
    std::swap(start, fin);
    std::swap(startMs, endMs);
    std::swap(startPage, endPage);
  }
  const std::string title = Title();
  int idx = g_bookmark.AddDaisy(
      m_FullName.c_str(), start.object, start.place, fin.object, fin.place, title.c_str(), startMs,
      endMs, hasPages ? startPage.c_str() : nullptr, hasPages ? endPage.c_str() : nullptr);
  if (idx < 0) {
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
    LeaveBookmarkMode(true);
    return;
  }
  LoadBmPlaces();
  PlayerSay(BookmarkText(idx + 1, true, true, startMs, hasPages ? startPage.c_str() : nullptr,
                         endMs, hasPages ? endPage.c_str() : nullptr));
  // The range repeats from its start once the announcement is over.
  Stop();
  m_Thread.SetPosition(start, true);
  m_Thread.SetRepeat(start, fin);
  m_bHighlightPlaying = true;
  m_bBookmarkMode = false;
  m_Bm.CloseList();
  m_bPaused = false;
  m_bResumeAfterTts = true;
}

void DaisyPlayer::SayListedBookmark(int index) {
  DaisyBmItem* bm = m_Bm.Listed(EntryOf(m_FullName), index);
  if (!bm) return;
  const bool highlight = bm->endObject >= 0;
  PlayerSay(BookmarkText(index + 1, false, highlight, bm->startMs, bm->startPageDes,
                         highlight ? bm->endMs : -1, highlight ? bm->endPageDes : nullptr));
}

void DaisyPlayer::PlayListedBookmark(int index) {
  DaisyBmFileItem* entry = EntryOf(m_FullName);
  DaisyBmItem* bm = entry ? entry->GetAt(index) : nullptr;
  m_Bm.CloseList();
  if (!bm) {
    PlayerSayPhrase(UxPhrase::NoBookmarks);
    return;
  }
  DaisyPos start{bm->startObject, bm->startPlace};
  const int count = m_Thread.View().count;
  if (start.object < 0 || start.object >= count) start = {0, 0};
  Stop();
  if (bm->endObject >= 0) {
    DaisyPos fin{bm->endObject, bm->endPlace};
    if (fin < start) std::swap(start, fin);
    m_Thread.SetRepeat(start, fin);
    m_bHighlightPlaying = true;
  } else {
    m_Thread.ClearRepeat();
    m_bHighlightPlaying = false;
  }
  m_bBookmarkMode = false;
  PlayFrom(start);
}

void DaisyPlayer::LeaveBookmarkMode(bool resume) {
  m_bBookmarkMode = false;
  m_Bm.CloseList();
  if (resume) PlayOnUnlessPaused();
}
