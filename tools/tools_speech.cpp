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

int PhraseMenu::Show() {
  SayPhrase(phrases_[m_CurIndex]);
  return 0;
}

int PhraseMenu::OnKeyDown(int code) { return Menu::OnKeyDown(code == KEY_MENU ? KEY_BACK : code); }

std::string PhraseMenu::DescribeKey(int code, int held) {
  return Menu::DescribeKey(code == KEY_MENU && held < 0 ? KEY_BACK : code, held);
}

}  // namespace tools
