// What the music player's keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "players/audio_player.h"
#include "players/kit/key_texts.h"

void AudioPlayer::OnKeyDescriber() {
  if (m_bOpening || m_bFailed) return;
  m_bResumeAfterTts = false;
  m_bUserPaused = true;
  Pause();
}

std::string AudioPlayer::DescribeKey(int code, int held) {
  std::string what;
  if (held >= 0) return iWindow::DescribeKey(code, held);
  if (m_MenuMode != MENU_NONE) {
    what = DescribePlayerMenuKey(code);
  } else if (code == KEY_BACK) {
    what = KeyText("closes the player", "zamyka odtwarzacz");
  } else if (code == KEY_UP || code == KEY_DOWN) {
    what = KeyText("chooses how left and right move", "wybiera, jak działają lewo i prawo");
  } else if (code == KEY_MENU) {
    what = KeyText("play mode, equalizer, speed and pitch",
                   "tryb odtwarzania, korektor, prędkość i wysokość");
  } else if (code == KEY_INFO) {
    what = KeyText("says the file and its time; pressed twice, the time and date; three times, "
                   "the battery",
                   "mówi plik i jego czas; dwa razy: godzinę i datę; trzy razy: stan baterii");
  } else {
    what = DescribePlayerKey(code);
    if (code == KEY_LEFT || code == KEY_RIGHT)
      what += KeyText("; held, winds fast", "; przytrzymany przewija");
  }
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}
