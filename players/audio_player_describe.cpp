// What the music player's own keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "players/audio_player.h"
#include "players/kit/key_texts.h"
#include "speech/ux_language.h"

std::string AudioPlayer::DescribeOwnKey(int code) {
  if (code == KEY_BACK) return PhraseText(UxPhrase::KeyClosesThePlayer);
  if (code == KEY_UP || code == KEY_DOWN)
    return PhraseText(UxPhrase::KeyChoosesHowLeftAndRight3);
  if (code == KEY_MENU)
    return PhraseText(UxPhrase::KeyPlayModeEqualizerSpeedAnd);
  if (code == KEY_INFO)
    return PhraseText(UxPhrase::KeySaysTheFileAndIts);
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return DescribePlayerKey(code) + PhraseText(UxPhrase::KeyHeldWindsFast);
  return "";
}
