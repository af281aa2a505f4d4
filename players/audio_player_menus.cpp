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
#include "core/ui/settings_area.h"

namespace {

enum SettingItem { ITEM_MODE = 0, ITEM_EQUALIZER = 1, ITEM_SPEED = 2, ITEM_PITCH = 3, ITEM_STREAM = 4 };
constexpr int kSettingItems = 5;

// The settings behind the items before the stream, in item order.
int AudioSettings::* const kItemSetting[] = {&AudioSettings::mode, &AudioSettings::equalizer,
                                             &AudioSettings::speed, &AudioSettings::pitch};

// The items chosen last, offered first the next time.
AudioPlayerBase::RememberedItems g_MusicRemembered;

std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + " " + b; }

}  // namespace

AudioPlayer::AudioPlayer() : AudioPlayerBase(MusicPlayThread(), &g_MusicRemembered) {}

void AudioPlayer::ResetRememberedMenuItems() { g_MusicRemembered = {}; }

// --- Settings menu -------------------------------------------------------

int AudioPlayer::FirstSettingItem(int remembered) {
  m_Streams = PlayersBackend().StreamCount();
  return remembered == ITEM_STREAM && m_Streams < 2 ? ITEM_MODE : remembered;
}

int AudioPlayer::SettingValue(int item) {
  if (item < ITEM_STREAM) return g_AudioSettings.*kItemSetting[item];
  int s = PlayersBackend().CurStream();
  return s < 0 ? 0 : s;
}

void AudioPlayer::ShowSetting() {
  if (!g_pUxLanguage) return;
  char buf[256];
  std::string text;
  switch (m_MenuItem) {
    case ITEM_MODE:
      text = Join(PhraseText(UxPhrase::PlayingMode), PhraseText(UxPhrase::SinglePlay + m_MenuValue));  // "playing mode" + name
      break;
    case ITEM_EQUALIZER:
      text = Join(PhraseText(UxPhrase::Equalizer), PhraseText(UxPhrase::Normal2 + m_MenuValue));  // "Equalizer" + preset
      break;
    case ITEM_SPEED:
    case ITEM_PITCH:
      text = SpeedPitchText(m_MenuItem == ITEM_SPEED, false, m_MenuValue);
      break;
    default:
      if (g_pUxLanguage->GetString_Int(UxIntFormat::Audio, m_MenuValue + 1, buf, sizeof buf) > 0) text = buf;
      break;
  }
  PlayerSay(text);
}

int AudioPlayer::SettingItems() { return m_Streams >= 2 ? kSettingItems : kSettingItems - 1; }

void AudioPlayer::ApplySetting() {
  if (m_MenuItem < ITEM_STREAM) {
    g_AudioSettings.*kItemSetting[m_MenuItem] = m_MenuValue;
    MarkSettingsChanged(kMusicSettingsArea);
    return;
  }
  // The audio stream belongs to the file, not to the settings.
  if (m_Thread.State() == PLAY_STATE_PLAYING) m_Thread.CmdPause();
  if (m_MenuValue != PlayersBackend().CurStream()) PlayersBackend().SelectStream(m_MenuValue);
}

void AudioPlayer::ChangeSetting(int d) {
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
}

// --- Bookmark menu -----------------------------------------------------------

BookmarkMode::Stage AudioPlayer::HighlightStage() {
  if (m_RepeatStart < 0) return BookmarkMode::kMarkStart;
  return m_RepeatEnd >= 0 ? BookmarkMode::kStopRepeat : BookmarkMode::kMarkEnd;
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

int AudioPlayer::BookmarkCurMs() {
  return m_Thread.State() == PLAY_STATE_ENDED ? m_Thread.TotalMs() : m_Thread.CurMs();
}

void AudioPlayer::AddBookmark() {
  const int ms = BookmarkCurMs() / 1000 * 1000;
  int idx = g_bookmark.AddMusic(m_FullPath.c_str(), ms, -1);
  LoadBmMs();
  if (idx < 0) {
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
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
    PlayerSayPhrase(UxPhrase::MarkStartPlace);
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
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
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
