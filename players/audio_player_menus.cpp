// The music player's settings menu and bookmark menu. Both are modes of the
// player window: the music pauses while they are open and resumes after.
#include <cstdio>

#include "core/ui/keypad_idle.h"
#include "core/ui/reports.h"
#include "core/ui/system_settings.h"
#include "players/audio_player.h"
#include "players/music_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "positions/bookmark.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

enum SettingItem { ITEM_MODE = 0, ITEM_EQUALIZER = 1, ITEM_SPEED = 2, ITEM_PITCH = 3, ITEM_STREAM = 4 };
constexpr int kSettingItems = 5;

// The items chosen last, offered first the next time.
int g_MusicLastSettingsItem = 0;
int g_MusicLastBookmarkItem = 0;

std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + " " + b; }

}  // namespace

void AudioPlayer::ResetRememberedMenuItems() {
  g_MusicLastSettingsItem = 0;
  g_MusicLastBookmarkItem = 0;
}

void AudioPlayer::LeaveMenu(bool resume) {
  m_MenuMode = MENU_NONE;
  m_Bm.CloseList();
  if (resume && !m_bUserPaused) m_bResumeAfterTts = true;
}

// --- Settings menu -------------------------------------------------------

void AudioPlayer::EnterSettingsMenu() {
  m_MenuMode = MENU_SETTINGS;
  m_Streams = PlayersBackend().StreamCount();
  m_MenuItem = g_MusicLastSettingsItem;
  if (m_MenuItem == ITEM_STREAM && m_Streams < 2) m_MenuItem = ITEM_MODE;
  m_MenuValue = SettingValue(m_MenuItem);
  ShowSetting();
}

int AudioPlayer::SettingValue(int item) {
  switch (item) {
    case ITEM_MODE:
      return g_AudioSettings.mode;
    case ITEM_EQUALIZER:
      return g_AudioSettings.equalizer;
    case ITEM_SPEED:
      return g_AudioSettings.speed;
    case ITEM_PITCH:
      return g_AudioSettings.pitch;
    default: {
      int s = PlayersBackend().CurStream();
      return s < 0 ? 0 : s;
    }
  }
}

void AudioPlayer::ShowSetting() {
  if (!g_pUxLanguage) return;
  char buf[256];
  std::string text;
  switch (m_MenuItem) {
    case ITEM_MODE:
      text = Join(PlayerPhrase(77), PlayerPhrase(78 + m_MenuValue));  // "playing mode" + name
      break;
    case ITEM_EQUALIZER:
      text = Join(PlayerPhrase(83), PlayerPhrase(84 + m_MenuValue));  // "Equalizer" + preset
      break;
    case ITEM_SPEED:
      if (g_pUxLanguage->GetAudioSpeedString(m_MenuValue, buf, sizeof buf) > 0) text = buf;
      break;
    case ITEM_PITCH:
      if (g_pUxLanguage->GetAudioPitchString(m_MenuValue, buf, sizeof buf) > 0) text = buf;
      break;
    default:
      if (g_pUxLanguage->GetString_Int(3, m_MenuValue + 1, buf, sizeof buf) > 0) text = buf;  // "audio %d"
      break;
  }
  PlayerSay(text);
}

int AudioPlayer::NextSettingItem(int item, int delta) {
  const int count = m_Streams >= 2 ? kSettingItems : kSettingItems - 1;
  return (item + delta + count) % count;
}

void AudioPlayer::ApplySetting() {
  switch (m_MenuItem) {
    case ITEM_MODE:
      g_AudioSettings.mode = m_MenuValue;
      break;
    case ITEM_EQUALIZER:
      g_AudioSettings.equalizer = m_MenuValue;
      break;
    case ITEM_SPEED:
      g_AudioSettings.speed = m_MenuValue;
      break;
    case ITEM_PITCH:
      g_AudioSettings.pitch = m_MenuValue;
      break;
    default:
      // The audio stream belongs to the file, not to the settings.
      if (m_Thread.State() == PLAY_STATE_PLAYING) m_Thread.CmdPause();
      if (m_MenuValue != PlayersBackend().CurStream()) PlayersBackend().SelectStream(m_MenuValue);
      break;
  }
  if (m_MenuItem != ITEM_STREAM) MusicSettingsChanged();
}

int AudioPlayer::SettingsKeyDown(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
    case KEY_PLAY:
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
    case KEY_BOOKMARK:
      if (!MenuKeyAllowed()) return 0;
      break;
    default:
      return OnDefaultKeyDown(code);
  }
  switch (code) {
    case KEY_PLAY:
      ApplySetting();
      g_MusicLastSettingsItem = m_MenuItem;
      PlayerSayPhrase(15);  // "Setting done."
      LeaveMenu(true);
      return 0;
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
      g_MusicLastSettingsItem = m_MenuItem;
      LeaveMenu(true);
      return 0;
    case KEY_BOOKMARK:
      g_MusicLastSettingsItem = m_MenuItem;
      EnterBookmarkMenu();
      return 0;
    default:
      return 0;  // moves and volume happen in the press that follows
  }
}

int AudioPlayer::SettingsKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  switch (code) {
    case KEY_VOL_DOWN:
    case KEY_VOL_UP:
      g_SystemSettings.ChangeVolume(code == KEY_VOL_UP ? 1 : -1);
      ReportSystemVolume();
      return 0;
    case KEY_UP:
    case KEY_DOWN:
      m_MenuItem = NextSettingItem(m_MenuItem, code == KEY_DOWN ? 1 : -1);
      m_MenuValue = SettingValue(m_MenuItem);
      ShowSetting();
      return 0;
    case KEY_LEFT:
    case KEY_RIGHT: {
      const int d = code == KEY_RIGHT ? 1 : -1;
      switch (m_MenuItem) {
        case ITEM_MODE:
        case ITEM_EQUALIZER:
          m_MenuValue = (m_MenuValue + d + 5) % 5;
          break;
        case ITEM_SPEED:
          m_MenuValue = std::min(30, std::max(-10, m_MenuValue + d));
          break;
        case ITEM_PITCH:
          m_MenuValue = std::min(5, std::max(-5, m_MenuValue + d));
          break;
        default:
          if (m_Streams > 0) m_MenuValue = (m_MenuValue + d + m_Streams) % m_Streams;
          break;
      }
      ShowSetting();
      return 0;
    }
    default:
      return 0;
  }
}

// --- Bookmark menu -----------------------------------------------------------

void AudioPlayer::EnterBookmarkMenu() {
  m_MenuMode = MENU_BOOKMARK;
  m_Bm.Enter(g_MusicLastBookmarkItem);
}

BookmarkMode::Hooks AudioPlayer::BookmarkHooks() {
  BookmarkMode::Hooks h;
  h.count = [this] { return BookmarkCount(); };
  h.sayEntry = [this](int i) { SayBookmark(i); };
  h.stage = [this] {
    if (m_RepeatStart < 0) return BookmarkMode::kMarkStart;
    return m_RepeatEnd >= 0 ? BookmarkMode::kStopRepeat : BookmarkMode::kMarkEnd;
  };
  h.add = [this] { AddBookmark(); };
  h.jump = [this](int i) { JumpToBookmark(i); };
  h.highlight = [this] { HighlightStep(); };
  return h;
}

namespace {

MusicBmFileItem* FileBookmarks(const std::string& path) {
  int idx = g_bookmark.Find(EM_BM_MUSIC, path.c_str());
  return idx >= 0 ? static_cast<MusicBmFileItem*>(g_bookmark.GetAt(idx)) : nullptr;
}

}  // namespace

int AudioPlayer::BookmarkCount() {
  MusicBmFileItem* item = FileBookmarks(m_FullPath);
  return item ? item->GetCount() : 0;
}

void AudioPlayer::SayBookmark(int index) {
  MusicBmFileItem* item = FileBookmarks(m_FullPath);
  MusicBmItem* bm = item ? item->GetAt(index) : nullptr;
  if (!bm || !g_pUxLanguage) return;
  char buf[256];
  if (g_pUxLanguage->GetAudioBookmarkInfoString(index + 1, false, bm->startMs / 1000,
                                                bm->endMs >= 0 ? bm->endMs / 1000 : -1, buf,
                                                sizeof buf) > 0)
    PlayerSay(buf);
}

int AudioPlayer::BookmarkKeyDown(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
    case KEY_LEFT:
    case KEY_RIGHT:
    case KEY_PLAY:
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
      if (!MenuKeyAllowed()) return 0;
      break;
    default:
      return OnDefaultKeyDown(code);
  }
  switch (code) {
    case KEY_PLAY:
      g_MusicLastBookmarkItem = m_Bm.CurItem();
      m_Bm.Confirm();
      return 0;
    case KEY_BACK:
    case KEY_MENU:
    case KEY_MUSIC:
      g_MusicLastBookmarkItem = m_Bm.CurItem();
      LeaveMenu(true);
      return 0;
    default:
      return 0;
  }
}

int AudioPlayer::BookmarkKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  const int step = ArrowStep(code);
  if (step != 0) m_Bm.Step(step);
  return 0;
}

int AudioPlayer::BookmarkCurMs() {
  return m_Thread.State() == PLAY_STATE_ENDED ? m_Thread.TotalMs() : m_Thread.CurMs();
}

void AudioPlayer::AddBookmark() {
  const int ms = BookmarkCurMs() / 1000 * 1000;
  int idx = g_bookmark.AddMusic(m_FullPath.c_str(), ms, -1);
  LoadBmMs();
  if (idx < 0) {
    PlayerSayPhrase(54);  // "can't add bookmark"
    return;
  }
  char buf[256];
  if (g_pUxLanguage &&
      g_pUxLanguage->GetAudioBookmarkInfoString(idx + 1, true, ms / 1000, -1, buf, sizeof buf) > 0)
    PlayerSay(buf);
  LeaveMenu(true);
}

void AudioPlayer::JumpToBookmark(int index) {
  MusicBmFileItem* item = FileBookmarks(m_FullPath);
  MusicBmItem* bm = item ? item->GetAt(index) : nullptr;
  if (!bm) return;
  const int start = bm->startMs, end = bm->endMs;
  LeaveMenu(false);
  m_bUserPaused = false;
  if (end >= 0)
    StartRepeat(start, end);
  else
    ClearRepeat();
  printf("seek to %d S\n", start / 1000);
  m_Thread.Seek(start, 0);
  Play();
}

// Mark the start, stop a running repeat, or mark the end.
void AudioPlayer::HighlightStep() {
  const int cur = BookmarkCurMs();
  if (m_RepeatStart < 0) {
    m_RepeatStart = cur / 1000 * 1000;
    m_RepeatEnd = -1;
    PlayerSayPhrase(56);  // "mark start place"
    LeaveMenu(true);
    return;
  }
  if (m_RepeatEnd >= 0) {
    ClearRepeat();
    LeaveMenu(true);
    return;
  }
  int start = m_RepeatStart, end = cur;
  NormalizeHighlight(&start, &end);
  int idx = g_bookmark.AddMusic(m_FullPath.c_str(), start, end);
  LoadBmMs();
  if (idx < 0) {
    PlayerSayPhrase(54);
    return;
  }
  char buf[256];
  if (g_pUxLanguage && g_pUxLanguage->GetAudioBookmarkInfoString(idx + 1, true, start / 1000,
                                                                 end / 1000, buf, sizeof buf) > 0)
    PlayerSay(buf);
  StartRepeat(start, end);
  m_Thread.Seek(start, 0);
  LeaveMenu(true);
}
