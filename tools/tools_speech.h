// What the tools' windows share: speech, pushing a window, and the peers
// they reach. Loop thread.
#pragma once

#include <string>

class iWindow;

namespace tools {


// Replaces what is being said.
void Say(const std::string& text);
void SayPhrase(int id);
// Pushes `w` on the window stack: 0, or -1 (deleted) when there is no room.
int Push(iWindow* w);
// The voice reminders read again (their recordings may be gone); -1 when
// none are registered.
int ReloadVoiceReminders();

}  // namespace tools
