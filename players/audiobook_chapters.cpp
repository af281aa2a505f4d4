// The audio book's files in tag order (when set), chapters moved by like
// headings, the time left (when set), and what its keys do.
#include <cstdio>

#include "core/ui/key_describer.h"
#include "platform/board.h"
#include "players/audiobook_player.h"
#include "players/audiobook_settings.h"
#include "players/kit/key_texts.h"
#include "players/kit/player_common.h"
#include "players/kit/speed_pitch.h"
#include "players/kit/tag_order.h"
#include "players/play_thread.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

void AudioBookPlayer::ReadTagsAndOrder() {
  std::vector<DiscTrack> tags(m_Names.size());
  std::vector<std::vector<ff::Chapter>> chapters(m_Names.size());
  for (size_t i = 0; i < m_Names.size(); ++i) {
    ff::MediaTags t;
    if (ff::ReadTags(board::Path(m_Folder + m_Names[i]).c_str(), &t) != 0) continue;
    tags[i] = {t.disc, t.track};
    // One chapter is the file itself.
    if (t.chapters.size() > 1) chapters[i] = std::move(t.chapters);
  }
  std::vector<std::string> names;
  m_Chapters.clear();
  std::vector<int> order(m_Names.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  if (g_AudioBookSettings.tag_order) order = OrderByTags(tags);
  for (int i : order) {
    names.push_back(m_Names[i]);
    m_Chapters.push_back(std::move(chapters[i]));
  }
  m_Names.swap(names);
}

int AudioBookPlayer::ChapterAt(int file, int ms) const {
  if (file < 0 || file >= static_cast<int>(m_Chapters.size())) return -1;
  const std::vector<ff::Chapter>& cs = m_Chapters[file];
  int at = -1;
  for (size_t i = 0; i < cs.size() && cs[i].start_ms <= ms; ++i) at = static_cast<int>(i);
  return at;
}

bool AudioBookPlayer::StepChapter(int direction) {
  if (m_bOpening || m_Cur >= static_cast<int>(m_Chapters.size()) || m_Chapters[m_Cur].empty())
    return false;
  const std::vector<ff::Chapter>& cs = m_Chapters[m_Cur];
  const int target = ChapterAt(m_Cur, CurMs()) + direction;
  if (target < 0 || target >= static_cast<int>(cs.size())) return false;
  Pause();
  m_Seg = BookSegment();
  m_MarkFile = m_MarkMs = -1;
  ApplySegmentStopPoint(m_Cur);
  m_Thread.Seek(static_cast<int>(cs[target].start_ms), -1);
  m_bUserPaused = false;
  std::string name = cs[target].title;
  if (name.empty()) {
    char buf[64];
    snprintf(buf, sizeof buf, PhraseText(UxPhrase::KeyChapter).c_str(), target + 1);
    name = buf;
  }
  PlayerSay(name);
  m_bResumeAfterTts = true;
  return true;
}

void AudioBookPlayer::StepFile(int direction) {
  int next = m_Cur + direction;
  if (next < 0) next = 0;
  if (next >= FileCount()) next = FileCount() - 1;
  m_Seg = BookSegment();
  m_MarkFile = m_MarkMs = -1;
  m_bUserPaused = false;
  OpenFile(next, -1);
}

int AudioBookPlayer::ChapterLeftMs() {
  const int cur = CurMs();
  int end = m_Timeline.DurationMs(m_Cur);
  int c = ChapterAt(m_Cur, cur);
  if (c >= 0) end = static_cast<int>(m_Chapters[m_Cur][c].end_ms);
  return end > cur ? end - cur : 0;
}

std::string AudioBookPlayer::TimeLeftText() {
  if (!g_pUxLanguage || FileCount() <= 0 || !g_AudioBookSettings.time_left) return "";
  const double tempo = SpeedStepToTempoChange(g_AudioBookSettings.speed);
  const long long left = m_Timeline.TotalMs() - m_Timeline.BookMs(m_Cur, CurMs());
  char buf[512];
  if (g_pUxLanguage->GetTimeLeftString(ListeningSeconds(ChapterLeftMs(), tempo),
                                       ListeningSeconds(left, tempo), buf, sizeof buf) <= 0)
    return "";
  return std::string(", ") + buf;
}

std::string AudioBookPlayer::DescribeOwnKey(int code) {
  if (code == KEY_LEFT) return PhraseText(UxPhrase::KeyStepsBackByTheTime);
  if (code == KEY_RIGHT) return PhraseText(UxPhrase::KeyStepsOnByTheTime);
  if (code == KEY_UP) return PhraseText(UxPhrase::KeyThePreviousChapterOrFile);
  if (code == KEY_DOWN) return PhraseText(UxPhrase::KeyTheNextChapterOrFile);
  if (code == KEY_MENU) return PhraseText(UxPhrase::KeySpeedPitchAndTimeStep);
  if (code != KEY_INFO) return "";
  // The time left is told only when its setting is on.
  return g_AudioBookSettings.time_left
             ? PhraseText(UxPhrase::KeySaysTheTimeTheTime)
             : PhraseText(UxPhrase::KeySaysTheTimeAndThe);
}
