// Script lines that enter a word to find on the English letter wheel
// (a-z, 0-9, space; each new letter starts at "a"), for the e2e tests.
#pragma once

#include <string>

namespace dtbtest {

inline std::string TypeFindWord(const std::string& word) {
  static const std::string wheel = "abcdefghijklmnopqrstuvwxyz0123456789 ";
  const int n = static_cast<int>(wheel.size());
  std::string s;
  for (size_t i = 0; i < word.size(); ++i) {
    if (i > 0) s += "key right\n";
    const int at = static_cast<int>(wheel.find(word[i]));
    const bool down = at <= n - at;
    for (int k = 0; k < (down ? at : n - at); ++k) s += down ? "key down\n" : "key up\n";
  }
  return s;
}

// Play held down while `key` is pressed.
inline std::string WithPlayHeld(const std::string& key) {
  return "down play\nwait 0.3\nkey " + key + "\nwait 0.2\nup play\n";
}

}  // namespace dtbtest
