// The audio book player's settings menu (speed, pitch, step, time left, tag
// order) and bookmark menu (add, list, highlight). Both are modes of the
// player window.
#include <algorithm>
#include <cstdio>

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/system_settings.h"
#include "players/audiobook_player.h"
#include "players/audiobook_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

// The two switches sit before the step, so that up from speed still reaches the step.
enum SettingItem { ITEM_SPEED = 0, ITEM_PITCH = 1, ITEM_TIME_LEFT = 2, ITEM_TAG_ORDER = 3, ITEM_STEP = 4 };
constexpr int kSettingItems = 5;

int g_BookLastSettingsItem = 0;
int g_BookLastBookmarkItem = 0;

bool IsMenuKey(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_PLAY:
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
    case KEY_BOOKMARK:
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      return true;
    default:
      return false;
  }
}

int& SettingOf(int item) {
  AudioBookSettings& s = g_AudioBookSettings;
  switch (item) {
    case ITEM_SPEED:
      return s.speed;
    case ITEM_PITCH:
      return s.pitch;
    case ITEM_TIME_LEFT:
      return s.time_left;
    case ITEM_TAG_ORDER:
      return s.tag_order;
    default:
      return s.step;
  }
}

int MenuValueOf(int item) {
  return item == ITEM_STEP ? g_AudioBookSettings.step % kAudioBookSteps : SettingOf(item);
}

}  // namespace

void AudioBookPlayer::ResetRememberedMenuItems() {
  g_BookLastSettingsItem = 0;
  g_BookLastBookmarkItem = 0;
}

void AudioBookPlayer::LeaveMenu(bool resume) {
  m_MenuMode = MENU_NONE;
  m_Bm.CloseList();
  if (resume && !m_bUserPaused) m_bResumeAfterTts = true;
}

// --- Settings menu -------------------------------------------------------

void AudioBookPlayer::EnterSettingsMenu() {
  m_MenuMode = MENU_SETTINGS;
  m_MenuItem = g_BookLastSettingsItem;
  m_MenuValue = MenuValueOf(m_MenuItem);
  ShowSetting();
}

void AudioBookPlayer::ShowSetting() {
  if (!g_pUxLanguage) return;
  char buf[256];
  int n = -1;
  if (m_MenuItem == ITEM_TIME_LEFT || m_MenuItem == ITEM_TAG_ORDER) {
    PlayerSay(PlayerPhrase(m_MenuItem == ITEM_TIME_LEFT ? UX_TIME_LEFT : UX_TAG_ORDER) + ": " +
              PlayerPhrase(m_MenuValue ? 59 : 60));  // "enable" / "disable"
    return;
  }
  if (m_MenuItem == ITEM_SPEED)
    n = g_pUxLanguage->GetAudioSpeedString(m_MenuValue, buf, sizeof buf);
  else if (m_MenuItem == ITEM_PITCH)
    n = g_pUxLanguage->GetAudioPitchString(m_MenuValue, buf, sizeof buf);
  else
    n = g_pUxLanguage->GetAudioStepString(AudioBookStepSeconds(m_MenuValue), buf, sizeof buf);
  if (n > 0) PlayerSay(buf);
}

int AudioBookPlayer::SettingsKeyDown(int code) {
  if (!IsMenuKey(code)) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  switch (code) {
    case KEY_PLAY:
      SettingOf(m_MenuItem) = m_MenuValue;
      AudioBookSettingsChanged();
      g_BookLastSettingsItem = m_MenuItem;
      PlayerSayPhrase(15);  // "Setting done."
      LeaveMenu(true);
      return 0;
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
      g_BookLastSettingsItem = m_MenuItem;
      LeaveMenu(true);
      return 0;
    case KEY_BOOKMARK:
      g_BookLastSettingsItem = m_MenuItem;
      EnterBookmarkMenu();
      return 0;
    default:
      return 0;
  }
}

int AudioBookPlayer::SettingsKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      g_SystemSettings.ChangeVolume(code == KEY_VOL_UP ? 1 : -1);
      ReportSystemVolume();
      return 0;
    case KEY_UP:
    case KEY_DOWN:
      m_MenuItem = (m_MenuItem + (code == KEY_DOWN ? 1 : kSettingItems - 1)) % kSettingItems;
      m_MenuValue = MenuValueOf(m_MenuItem);
      ShowSetting();
      return 0;
    case KEY_LEFT:
    case KEY_RIGHT: {
      const int d = code == KEY_RIGHT ? 1 : -1;
      if (m_MenuItem == ITEM_SPEED) m_MenuValue = std::clamp(m_MenuValue + d, -10, 30);
      if (m_MenuItem == ITEM_PITCH) m_MenuValue = std::clamp(m_MenuValue + d, -5, 5);
      if (m_MenuItem == ITEM_STEP) m_MenuValue = std::clamp(m_MenuValue + d, 0, kAudioBookSteps - 1);
      if (m_MenuItem == ITEM_TIME_LEFT || m_MenuItem == ITEM_TAG_ORDER) m_MenuValue = !m_MenuValue;
      ShowSetting();
      return 0;
    }
    default:
      return 0;
  }
}

// --- Bookmark menu -----------------------------------------------------------

void AudioBookPlayer::EnterBookmarkMenu() {
  m_MenuMode = MENU_BOOKMARK;
  m_Bm.Enter(g_BookLastBookmarkItem);
}

BookmarkMode::Hooks AudioBookPlayer::BookmarkHooks() {
  BookmarkMode::Hooks h;
  h.count = [this] { return BookmarkCount(); };
  h.sayEntry = [this](int i) { SayBookmark(i); };
  h.stage = [this] {
    if (m_Seg.Active()) return BookmarkMode::kStopRepeat;
    return m_MarkFile >= 0 ? BookmarkMode::kMarkEnd : BookmarkMode::kMarkStart;
  };
  h.add = [this] { AddBookmark(); };
  h.jump = [this](int i) { JumpToBookmark(i); };
  h.highlight = [this] { HighlightStep(); };
  return h;
}

namespace {

AudioBookBmFileItem* BookItem(const std::string& folder) {
  int idx = g_bookmark.Find(EM_BM_AUDIOBOOK, folder.c_str());
  BmFileItem* item = idx >= 0 ? g_bookmark.GetAt(idx) : nullptr;
  return item && item->Type() == EM_BM_AUDIOBOOK ? static_cast<AudioBookBmFileItem*>(item) : nullptr;
}

}  // namespace

int AudioBookPlayer::BookmarkCount() {
  AudioBookBmFileItem* item = BookItem(FolderKey());
  return item ? item->GetCount() : 0;
}

void AudioBookPlayer::SayBookmark(int index) {
  AudioBookBmFileItem* item = BookItem(FolderKey());
  AudioBookBmItem* bm = item ? item->GetAt(index) : nullptr;
  if (!bm || !g_pUxLanguage) return;
  BookStart s = ResolveBookPosition(m_Timeline, bm->parameters, true);
  int start = static_cast<int>(m_Timeline.BookMs(s.file, s.startMs) / 1000);
  int end = s.segment.Active()
                ? static_cast<int>(m_Timeline.BookMs(s.segment.endFile, s.segment.endMs) / 1000)
                : -1;
  char buf[256];
  if (g_pUxLanguage->GetAudioBookmarkInfoString(index + 1, false, start, end, buf, sizeof buf) > 0)
    PlayerSay(buf);
}

int AudioBookPlayer::BookmarkKeyDown(int code) {
  if (!IsMenuKey(code) || code == KEY_BOOKMARK) return OnDefaultKeyDown(code);
  if (!MenuKeyAllowed()) return 0;
  switch (code) {
    case KEY_PLAY:
      g_BookLastBookmarkItem = m_Bm.CurItem();
      m_Bm.Confirm();
      return 0;
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
      g_BookLastBookmarkItem = m_Bm.CurItem();
      LeaveMenu(true);
      return 0;
    default:
      return 0;
  }
}

int AudioBookPlayer::BookmarkKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  const int step = ArrowStep(code);
  if (step != 0) m_Bm.Step(step);
  return 0;
}

// Plays a stored position: its file at its time, with its highlight.
void AudioBookPlayer::PlayBookmark(const char* text) {
  BookStart s = ResolveBookPosition(m_Timeline, text, true);
  m_Seg = s.segment;
  m_MarkFile = m_MarkMs = -1;
  m_bUserPaused = false;
  OpenFile(s.file, s.startMs);
}

void AudioBookPlayer::AddBookmark() {
  BookTimeInfo cur = GetCurTimeInfo();
  int idx = g_bookmark.AddAudioBook(FolderKey().c_str(), FormatBookPosition(cur).c_str());
  if (idx < 0) {
    PlayerSayPhrase(54);  // "can't add bookmark"
    return;
  }
  char buf[256];
  if (g_pUxLanguage &&
      g_pUxLanguage->GetAudioBookmarkInfoString(idx + 1, true, cur.bookSec, -1, buf, sizeof buf) > 0)
    PlayerSay(buf);
  LeaveMenu(true);
}

void AudioBookPlayer::JumpToBookmark(int index) {
  AudioBookBmFileItem* item = BookItem(FolderKey());
  AudioBookBmItem* bm = item ? item->GetAt(index) : nullptr;
  if (!bm) return;
  std::string text = bm->parameters;
  LeaveMenu(false);
  PlayBookmark(text.c_str());
}

// Stop a playing segment, mark the start, or mark the end.
void AudioBookPlayer::HighlightStep() {
  if (m_Seg.Active()) {
    m_Seg = BookSegment();
    m_Thread.SetRepeat(-1, -1);
    LeaveMenu(true);
    return;
  }
  if (m_MarkFile < 0) {
    m_MarkFile = m_Cur;
    m_MarkMs = CurMs() / 1000 * 1000;
    PlayerSayPhrase(56);  // "mark start place"
    LeaveMenu(true);
    return;
  }
  int sFile = m_MarkFile, sMs = m_MarkMs;
  int eFile = m_Cur, eMs = CurMs() / 1000 * 1000;
  if (eFile < sFile || (eFile == sFile && eMs < sMs)) {
    std::swap(sFile, eFile);
    std::swap(sMs, eMs);
  }
  // A segment shorter than a second would only stutter.
  if (eFile == sFile && eMs < sMs + 1000) eMs = sMs + 1000;
  const BookTimeInfo start = m_Timeline.GetCurTimeInfo(sFile, sMs);
  const BookTimeInfo end = m_Timeline.GetCurTimeInfo(eFile, eMs);
  const std::string text = FormatBookHighlight(start, end);
  int idx = g_bookmark.AddAudioBook(FolderKey().c_str(), text.c_str());
  m_MarkFile = m_MarkMs = -1;
  if (idx < 0) {
    PlayerSayPhrase(54);
    return;
  }
  char buf[256];
  if (g_pUxLanguage && g_pUxLanguage->GetAudioBookmarkInfoString(idx + 1, true, start.bookSec,
                                                                 end.bookSec, buf, sizeof buf) > 0)
    PlayerSay(buf);
  LeaveMenu(false);
  m_Seg = {sFile, sMs, eFile, eMs};
  m_bUserPaused = false;
  m_bResumeAfterTts = true;
  OpenFile(sFile, sMs);
}
