// What the reader's keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "ebook/reader/ebook_player.h"
#include "players/kit/key_texts.h"
#include "speech/ux_language.h"

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
    what = PhraseText(UxPhrase::KeyPausesOrReadsOn);
  } else if (code == KEY_UP || code == KEY_DOWN) {
    what = PhraseText(UxPhrase::KeyChoosesHowLeftAndRight2);
  } else if (code == KEY_MENU) {
    what = PhraseText(UxPhrase::KeyReadingSettings);
  } else if (code == KEY_INFO) {
    what = PhraseText(UxPhrase::KeySaysThePagePressedTwice);
  } else {
    what = DescribePlayerKey(code);
  }
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}
