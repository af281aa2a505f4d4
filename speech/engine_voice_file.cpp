#include "speech/engine_voice_file.h"

#include <sstream>

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool IsNameWord(const std::string& s) {
  if (s.empty() || s.size() > 30) return false;
  for (char c : s) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::string ParseVoiceFile(const std::string& text) {
  std::istringstream in(text);
  std::string line, voice, variant;
  while (std::getline(in, line)) {
    size_t hash = line.find('#');
    if (hash != std::string::npos) line.resize(hash);
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    if (key == "voice") voice = value;
    else if (key == "variant") variant = value;
  }
  if (!IsNameWord(voice)) return "";
  if (variant.empty()) return voice;
  if (!IsNameWord(variant)) return "";
  return voice + "+" + variant;
}
