// What the DAISY player's keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/key_texts.h"
#include "players/kit/player_common.h"

void DaisyPlayer::OnKeyDescriber() {
  if (m_bOpening || m_bOpenFailed) return;
  m_bResumeAfterTts = false;
  m_bPaused = true;
  Pause();
}

namespace {

std::string MenuKey(int code) {
  if (code == KEY_UP || code == KEY_DOWN)
    return KeyText("the previous or next item; in a number, changes the last digit",
                   "poprzednia lub następna pozycja; w liczbie zmienia ostatnią cyfrę");
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return KeyText("changes the value; in a number, removes or adds a digit",
                   "zmienia wartość; w liczbie usuwa lub dodaje cyfrę");
  return code == KEY_MENU ? "" : DescribePlayerMenuKey(code);
}

std::string BookmarkKey(int code) {
  if (code == KEY_BOOKMARK) return KeyText("the next bookmark item", "następna pozycja zakładek");
  if (ArrowStep(code) != 0)
    return KeyText("the previous or next item or bookmark",
                   "poprzednia lub następna pozycja albo zakładka");
  if (code == KEY_PLAY) return KeyText("acts on the item", "wykonuje pozycję");
  if (code == KEY_BACK) return KeyText("leaves the bookmarks", "opuszcza zakładki");
  return code == KEY_MENU ? KeyText("opens the menu", "otwiera menu") : "";
}

std::string NormalKey(int code) {
  switch (code) {
    case KEY_UP:
    case KEY_DOWN:
      return KeyText("chooses how left and right move: heading level, page, phrase, time or "
                     "bookmark",
                     "wybiera, jak działają lewo i prawo: poziom nagłówka, strona, fraza, czas "
                     "lub zakładka");
    case KEY_MENU:
      return KeyText("go to page or heading, speed, pitch and time jump",
                     "przejście do strony lub nagłówka, prędkość, wysokość i skok czasu");
    case KEY_INFO:
      if (!g_DaisyTimeLeft)
        return KeyText("says the title, the time and the book's details; pressed twice, the time "
                       "and date; three times, the battery",
                       "mówi tytuł, czas i dane książki; dwa razy: godzinę i datę; trzy razy: "
                       "stan baterii");
      return KeyText("says the title, the time, the time left and the book's details; pressed "
                     "twice, the time and date; three times, the battery",
                     "mówi tytuł, czas, pozostały czas i dane książki; dwa razy: godzinę i datę; "
                     "trzy razy: stan baterii");
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
