// What the music player's own keys do, for the key describer.
#include "core/ui/key_describer.h"
#include "players/audio_player.h"
#include "players/kit/key_texts.h"

std::string AudioPlayer::DescribeOwnKey(int code) {
  if (code == KEY_BACK) return KeyText("closes the player", "zamyka odtwarzacz");
  if (code == KEY_UP || code == KEY_DOWN)
    return KeyText("chooses how left and right move", "wybiera, jak działają lewo i prawo");
  if (code == KEY_MENU)
    return KeyText("play mode, equalizer, speed and pitch",
                   "tryb odtwarzania, korektor, prędkość i wysokość");
  if (code == KEY_INFO)
    return KeyText("says the file and its time; pressed twice, the time and date; three times, "
                   "the battery",
                   "mówi plik i jego czas; dwa razy: godzinę i datę; trzy razy: stan baterii");
  if (code == KEY_LEFT || code == KEY_RIGHT)
    return DescribePlayerKey(code) + KeyText("; held, winds fast", "; przytrzymany przewija");
  return "";
}
