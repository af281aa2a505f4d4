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
#include "core/ui/settings_area.h"

namespace {

// The two switches sit before the step, so that up from speed still reaches the step.
enum SettingItem { ITEM_SPEED = 0, ITEM_PITCH = 1, ITEM_TIME_LEFT = 2, ITEM_TAG_ORDER = 3, ITEM_STEP = 4 };
constexpr int kSettingItems = 5;

AudioPlayerBase::RememberedItems g_BookRemembered;

// The settings behind the items, in item order.
int AudioBookSettings::* const kItemSetting[kSettingItems] = {
    &AudioBookSettings::speed, &AudioBookSettings::pitch, &AudioBookSettings::time_left,
    &AudioBookSettings::tag_order, &AudioBookSettings::step};

int& SettingOf(int item) { return g_AudioBookSettings.*kItemSetting[item]; }

int MenuValueOf(int item) {
  return item == ITEM_STEP ? g_AudioBookSettings.step % kAudioBookSteps : SettingOf(item);
}

}  // namespace

AudioBookPlayer::AudioBookPlayer() : AudioPlayerBase(AudioBookPlayThread(), &g_BookRemembered) {}

void AudioBookPlayer::ResetRememberedMenuItems() { g_BookRemembered = {}; }

// --- Settings menu -------------------------------------------------------

int AudioBookPlayer::SettingItems() { return kSettingItems; }

int AudioBookPlayer::SettingValue(int item) { return MenuValueOf(item); }

void AudioBookPlayer::ShowSetting() {
  if (!g_pUxLanguage) return;
  char buf[256];
  int n = -1;
  if (m_MenuItem == ITEM_TIME_LEFT || m_MenuItem == ITEM_TAG_ORDER) {
    PlayerSay(PhraseText(m_MenuItem == ITEM_TIME_LEFT ? UxPhrase::TimeLeftSetting : UxPhrase::TagOrderSetting) + ": " +
              PhraseText(m_MenuValue ? UxPhrase::Enable : UxPhrase::Disable));
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

void AudioBookPlayer::ApplySetting() {
  SettingOf(m_MenuItem) = m_MenuValue;
  MarkSettingsChanged(kAudioBookSettingsArea);
}

void AudioBookPlayer::ChangeSetting(int d) {
  if (m_MenuItem == ITEM_SPEED) m_MenuValue = std::clamp(m_MenuValue + d, -10, 30);
  if (m_MenuItem == ITEM_PITCH) m_MenuValue = std::clamp(m_MenuValue + d, -5, 5);
  if (m_MenuItem == ITEM_STEP) m_MenuValue = std::clamp(m_MenuValue + d, 0, kAudioBookSteps - 1);
  if (m_MenuItem == ITEM_TIME_LEFT || m_MenuItem == ITEM_TAG_ORDER) m_MenuValue = !m_MenuValue;
}

// --- Bookmark menu -----------------------------------------------------------

BookmarkMode::Stage AudioBookPlayer::HighlightStage() {
  if (m_Seg.Active()) return BookmarkMode::kStopRepeat;
  return m_MarkFile >= 0 ? BookmarkMode::kMarkEnd : BookmarkMode::kMarkStart;
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
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
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
    PlayerSayPhrase(UxPhrase::MarkStartPlace);
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
    PlayerSayPhrase(UxPhrase::CantAddBookmark);
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
