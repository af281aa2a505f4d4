// What the reader's keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "ebook/reader/ebook_player.h"
#include "players/kit/key_texts.h"

void EbookPlayer::OnKeyDescriber() {
  if (m_bOpening) return;
  m_bPromptPending = false;
  if (m_bUserPaused) return;
  m_bUserPaused = true;
  Pause();
}

std::string EbookPlayer::DescribeKey(int code, int held) {
  std::string what;
  if (held >= 0 || m_bOpening) return iWindow::DescribeKey(code, held);
  if (m_bInSettingsMenu || m_bInBookmarkMenu) {
    what = DescribePlayerMenuKey(code);
  } else if (code == KEY_PLAY) {
    what = KeyText("pauses or reads on", "wstrzymuje lub czyta dalej");
  } else if (code == KEY_UP || code == KEY_DOWN) {
    what = KeyText("chooses how left and right move: page, paragraph, sentence, word or letter",
                   "wybiera, jak działają lewo i prawo: strona, akapit, zdanie, słowo lub litera");
  } else if (code == KEY_MENU) {
    what = KeyText("reading settings", "ustawienia czytania");
  } else if (code == KEY_INFO) {
    what = KeyText("says the page; pressed twice, the time and date; three times, the battery",
                   "mówi stronę; dwa razy: godzinę i datę; trzy razy: stan baterii");
  } else {
    what = DescribePlayerKey(code);
  }
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}
