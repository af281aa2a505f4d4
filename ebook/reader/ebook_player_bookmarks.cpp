// The reader's bookmark menu: add a bookmark, walk this book's bookmarks,
// and mark a highlight (a repeated range).
#include <algorithm>
#include <string>

#include "core/base/util.h"
#include "core/ui/keypad_idle.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

// Words of a preview: enough to recognise the place when it is spoken.
constexpr int kPreviewUnits = 48;

EbookBmFileItem* BookmarksOf(const std::string& path) {
  int idx = g_bookmark.Find(EM_BM_EBOOK, path.c_str());
  return idx >= 0 ? dynamic_cast<EbookBmFileItem*>(g_bookmark.GetAt(idx)) : nullptr;
}

bool Before(int page1, int place1, int page2, int place2) {
  return page1 < page2 || (page1 == page2 && place1 < place2);
}

}  // namespace

// The start of the current sentence as UTF-8: blanks folded, cut after a
// few words, so that a bookmark can be recognised when it is spoken.
std::string EbookPlayer::PreviewText() {
  std::string out;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    unsigned short* text = nullptr;
    int length = 0;
    if (b->ReadCurSentence(&text, &length) != 0 || !text) return;
    int n = std::min(length, kPreviewUnits);
    // Do not cut a word in two when more of it follows.
    if (n < length) {
      int cut = n;
      while (cut > 0 && text[cut] > 32) --cut;
      if (cut > 0) n = cut;
    }
    bool blank = false;
    for (int i = 0; i < n; ++i) {
      unsigned c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        continue;  // a lone half of a pair
      }
      if (c <= 32 || c == 160) {
        blank = !out.empty();
        continue;
      }
      if (blank) out.push_back(' ');
      blank = false;
      AppendUtf8(&out, c);
    }
  });
  return out;
}

void EbookPlayer::EnterBookmarkMenu() {
  m_bInBookmarkMenu = true;
  m_bInSettingsMenu = false;
  m_Bm.Enter(g_EbookBookmarkMenuIndex);
}

BookmarkMode::Hooks EbookPlayer::BookmarkHooks() {
  auto stage = [this] {
    if (m_HlStartPage >= 0) return BookmarkMode::kMarkEnd;
    return EbookHasRepeat() ? BookmarkMode::kStopRepeat : BookmarkMode::kMarkStart;
  };
  // The reader speaks through its own speech output.
  return {[this] { return BookmarkCount(); }, [this](int i) { SayListEntry(i); }, stage,
          [this] { AddPointBookmark(); }, [this](int i) { JumpToListEntry(i); }, [this] { MarkHighlight(); },
          [this](int id) { SayPhrase(id); }};
}

int EbookPlayer::BookmarkCount() {
  EbookBmFileItem* item = BookmarksOf(m_Path);
  return item ? item->GetCount() : 0;
}

void EbookPlayer::ShowBookmarkItem() { m_Bm.Show(); }

void EbookPlayer::SayListEntry(int index) {
  EbookBmFileItem* item = BookmarksOf(m_Path);
  EbookBmItem* bm = item ? item->GetAt(index) : nullptr;
  char buf[512];
  if (!bm || !g_pUxLanguage) return;
  const char* text = bm->text ? bm->text : "";
  if (g_pUxLanguage->GetEbookBookmarkInfoString(index + 1, false, text, bm->startPage + 1,
                                                bm->endPage >= 0 ? bm->endPage + 1 : -1, buf,
                                                sizeof buf) <= 0)
    return;
  std::string spoken = buf;
  if (text[0]) spoken += std::string(", ") + text;
  Say(spoken);
}

int EbookPlayer::BookmarkKeyDown(int code) {
  if (code == EV_RESTORE_DEFAULTS) {
    SysTts_Stop();
    m_bInBookmarkMenu = false;
    m_Bm.CloseList();
    return RestoreDefaults();
  }
  if (!IsMenuKey(code, {KEY_BOOKMARK})) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  switch (code) {
    case KEY_PLAY:
      g_EbookBookmarkMenuIndex = m_Bm.CurItem();
      m_Bm.Confirm();
      return 0;
    case KEY_BACK:
    case KEY_MENU:
      g_EbookBookmarkMenuIndex = m_Bm.CurItem();
      LeaveMenu();
      return 0;
    case KEY_BOOKMARK:
      // Back from the list to the items; on the items the key says where it is.
      m_Bm.CloseList();
      m_Bm.ShowItem();
      return 0;
    default:
      return 0;  // moves come with the press
  }
}

int EbookPlayer::BookmarkKeyPress(int code) { return m_Bm.KeyPress(this, code); }

void EbookPlayer::AddPointBookmark() {
  int page = -1, place = -1;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    page = std::max(b->GetCurPage(), 0);
    place = b->GetCurPlace();
  });
  const std::string text = PreviewText();
  int idx = page >= 0 ? g_bookmark.AddEbook(m_Path.c_str(), page, place, -1, -1, text.c_str()) : -1;
  LoadBmPlace();
  char buf[512];
  if (idx < 0) {
    SayPhrase(UxPhrase::CantAddBookmark);
  } else if (g_pUxLanguage &&
             g_pUxLanguage->GetEbookBookmarkInfoString(idx + 1, true, text.c_str(), page + 1, -1, buf, sizeof buf) > 0) {
    Say(buf);
  }
  LeaveMenu();
}

void EbookPlayer::JumpToListEntry(int index) {
  EbookBmItem* bm = m_Bm.Listed(BookmarksOf(m_Path), index);
  if (!bm) return;
  int sp = bm->startPage, spl = bm->startPlace, ep = bm->endPage, epl = bm->endPlace;
  CmdStop();
  EbookSetPlayMode(EB_PLAY_BOOK);
  m_WordStart = m_WordEnd = 0;
  m_SentencePlace = -1;
  if (ep >= 0) {
    if (Before(ep, epl, sp, spl)) {
      std::swap(sp, ep);
      std::swap(spl, epl);
    }
    EbookSetRepeat(sp, spl, ep, epl);
  } else {
    EbookSetRepeat(-1, -1, -1, -1);
  }
  SeekPagePlace(sp, spl);
  LeaveMenu();
  m_bUserPaused = false;
}

void EbookPlayer::MarkHighlight() {
  if (m_HlStartPage < 0 && EbookHasRepeat()) {
    EbookSetRepeat(-1, -1, -1, -1);
    LeaveMenu();
    return;
  }
  int page = 0, place = 0;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    page = std::max(b->GetCurPage(), 0);
    place = b->GetCurPlace();
  });
  if (m_HlStartPage < 0) {
    m_HlStartPage = page;
    m_HlStartPlace = place;
    m_HlText = PreviewText();
    SayPhrase(UxPhrase::MarkStartPlace);
    LeaveMenu();
    return;
  }
  m_HlEndPage = page;
  m_HlEndPlace = place;
  int sp = m_HlStartPage, spl = m_HlStartPlace, ep = m_HlEndPage, epl = m_HlEndPlace;
  std::string text = m_HlText;
  if (Before(ep, epl, sp, spl)) {
    std::swap(sp, ep);
    std::swap(spl, epl);
    text = PreviewText();
  }
  m_HlStartPage = m_HlStartPlace = m_HlEndPage = m_HlEndPlace = -1;
  m_HlText.clear();
  int idx = g_bookmark.AddEbook(m_Path.c_str(), sp, spl, ep, epl, text.c_str());
  LoadBmPlace();
  char buf[512];
  if (idx < 0) {
    SayPhrase(UxPhrase::CantAddBookmark);
  } else if (g_pUxLanguage &&
             g_pUxLanguage->GetEbookBookmarkInfoString(idx + 1, true, text.c_str(), sp + 1, ep + 1, buf, sizeof buf) > 0) {
    Say(buf);
  }
  LeaveMenu();
}
