#include "tools/tools_speech.h"

#include "core/ui/window.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace tools {

void Say(const std::string& text) {
  if (!text.empty()) SysTts_Play(text.c_str(), -1);
}

void SayPhrase(int id) { Say(PhraseText(id)); }

int Push(iWindow* w) {
  if (!w) return -1;
  if (AddWindow(w) == 0) return 0;
  delete w;
  return -1;
}

}  // namespace tools
