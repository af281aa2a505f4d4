#include "daisy/narrated_landing.h"

#include <utility>

namespace libDaisy {

namespace {

// Long enough to be found once, short enough to lie inside one sentence
// of the reader and one par of the narration.
constexpr size_t kLandingUnits = 32;

NarratedLanding g_Landing;
bool g_Pending = false;

bool IsSpace(unsigned short c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0; }

}  // namespace

std::u16string LandingText(const unsigned short* text, int count) {
  std::u16string out;
  for (int i = 0; text && i < count && out.size() < kLandingUnits; ++i) {
    if (!IsSpace(text[i])) {
      out.push_back(static_cast<char16_t>(text[i]));
    } else if (!out.empty() && out.back() != u' ') {
      out.push_back(u' ');
    }
  }
  // A cut word may be split differently by the other side.
  if (out.size() >= kLandingUnits) {
    size_t cut = out.find_last_of(u' ');
    if (cut != std::u16string::npos && cut > 0) out.resize(cut);
  }
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

void SetNarratedLanding(NarratedLanding landing) {
  g_Landing = std::move(landing);
  g_Pending = true;
}

bool TakeNarratedLanding(const std::string& path, NarratedLanding* out) {
  if (!g_Pending) return false;
  g_Pending = false;
  if (g_Landing.path != path) return false;
  *out = std::move(g_Landing);
  return true;
}

}  // namespace libDaisy
