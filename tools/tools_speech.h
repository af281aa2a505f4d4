// What the tools' windows share: speech, pushing a window, and the peers
// they reach. Loop thread.
#pragma once

#include <string>

#include "core/ui/window.h"

namespace tools {


// Replaces what is being said.
void Say(const std::string& text);
void SayPhrase(int id);
// Pushes `w` on the window stack: 0, or -1 (deleted) when there is no room.
int Push(iWindow* w);
// The voice reminders read again (their recordings may be gone); -1 when
// none are registered.
int ReloadVoiceReminders();

// A menu of the tools: each item spoken by its phrase; the menu key leaves,
// as in every tool.
class PhraseMenu : public Menu {
 public:
  PhraseMenu(const int* phrases, int count) : phrases_(phrases) { m_ItemCount = count; }
  int Show() override;
  int OnKeyDown(int code) override;
  std::string DescribeKey(int code, int held) override;

 private:
  const int* phrases_;
};

}  // namespace tools
