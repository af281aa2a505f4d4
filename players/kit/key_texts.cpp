#include "players/kit/key_texts.h"

#include "core/base/keys.h"
#include "core/ui/key_describer.h"
#include "speech/ux_language.h"

std::string DescribePlayerMenuKey(int code) {
  if (code == KEY_UP || code == KEY_DOWN)
    return PhraseText(UxPhrase::KeyThePreviousOrNextItem3);
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return PhraseText(UxPhrase::KeyChangesTheValueOrSteps);
  if (code == KEY_PLAY) return PhraseText(UxPhrase::KeyConfirms);
  if (code == KEY_BACK || code == KEY_MENU) return PhraseText(UxPhrase::KeyLeavesTheMenu);
  return "";
}

std::string DescribePlayerKey(int code) {
  if (code == KEY_PLAY) return PhraseText(UxPhrase::KeyPausesOrPlays);
  if (code == KEY_BACK) return PhraseText(UxPhrase::KeyClosesTheBook);
  if (code == KEY_LEFT)
    return PhraseText(UxPhrase::KeyMovesBackAsChosenWith);
  if (code == KEY_RIGHT)
    return PhraseText(UxPhrase::KeyMovesOnAsChosenWith);
  if (code == KEY_BOOKMARK)
    return PhraseText(UxPhrase::KeyAddsListsAndHighlightsBookmarks);
  return "";
}
