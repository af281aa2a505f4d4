// What the DAISY player's keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/key_texts.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

void DaisyPlayer::OnKeyDescriber() {
  if (m_bOpening || m_bOpenFailed) return;
  m_bResumeAfterTts = false;
  m_bPaused = true;
  Pause();
}

namespace {

std::string MenuKey(int code) {
  if (code == KEY_UP || code == KEY_DOWN)
    return PhraseText(UxPhrase::KeyThePreviousOrNextItem);
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return PhraseText(UxPhrase::KeyChangesTheValueInA);
  return code == KEY_MENU ? "" : DescribePlayerMenuKey(code);
}

std::string BookmarkKey(int code) {
  if (code == KEY_BOOKMARK) return PhraseText(UxPhrase::KeyTheNextBookmarkItem);
  if (ArrowStep(code) != 0)
    return PhraseText(UxPhrase::KeyThePreviousOrNextItem2);
  if (code == KEY_PLAY) return PhraseText(UxPhrase::KeyActsOnTheItem);
  if (code == KEY_BACK) return PhraseText(UxPhrase::KeyLeavesTheBookmarks);
  return code == KEY_MENU ? PhraseText(UxPhrase::KeyOpensTheMenu) : "";
}

std::string NormalKey(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return PhraseText(UxPhrase::KeyChoosesHowLeftAndRight);
    case KEY_MENU:
      return PhraseText(UxPhrase::KeyGoToPageOrHeading);
    case KEY_INFO:
      if (!g_DaisyTimeLeft)
        return PhraseText(UxPhrase::KeySaysTheTitleTheTime);
      return PhraseText(UxPhrase::KeySaysTheTitleTheTime2);
    default:
      return DescribePlayerKey(code);
  }
}

}  // namespace

std::string DaisyPlayer::DescribeKey(int code, int held) {
  std::string what;
  if (held < 0 && !m_bOpening && !m_bOpenFailed)
    what = m_bMenuMode ? MenuKey(code) : m_bBookmarkMode ? BookmarkKey(code) : NormalKey(code);
  return what.empty() ? iWindow::DescribeKey(code, held) : what;
}
