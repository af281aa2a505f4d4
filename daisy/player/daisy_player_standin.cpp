// Clips whose audio file is missing or cannot be decoded: the book's text
// for them is read by player speech instead, so a copy without its audio
// files can still be read and navigated. Also the clips that narrate a page
// number or a note, which quieter reading passes over.
#include "daisy/player/daisy_player_thread.h"

using libDaisy::_DaisyObject;
using libDaisy::kObjectAudio;
using libDaisy::kObjectPar;
using libDaisy::kObjectText;

void DaisyPlayThread::FindStandInTexts(const std::vector<int>& parent) {
  const int n = m_TotalObjects;
  m_StandInText.assign(static_cast<size_t>(n), -1);
  m_StandInHeading.assign(static_cast<size_t>(n), -1);
  auto parOf = [&](int i) {
    while (i >= 0 && m_Objects[i].kind != kObjectPar) i = parent[static_cast<size_t>(i)];
    return i;
  };
  // Only the first clip of a par reads its text: the others are the same
  // passage cut into pieces.
  std::vector<int> firstClip(static_cast<size_t>(n), -1), text(static_cast<size_t>(n), -1);
  for (int i = 0; i < n; ++i) {
    const _DaisyObject& o = m_Objects[i];
    const int p = parOf(i);
    if (p < 0) continue;
    if (o.kind == kObjectAudio && firstClip[p] < 0) firstClip[p] = i;
    if (o.kind == kObjectText && text[p] < 0 && o.end > o.start && o.start >= 0 &&
        m_Book->GeXhmtltTotalTexts(o.file) > 0)
      text[p] = i;
  }
  for (int p = 0; p < n; ++p)
    if (firstClip[p] >= 0) m_StandInText[firstClip[p]] = text[p];

  const int* objects = nullptr;
  const int* levels = nullptr;
  const libDaisy::StringArray* texts = nullptr;
  int count = 0;
  if (m_Book->GetHeadings(&objects, &levels, &texts, &count) != 0 || !texts) return;
  for (int h = 0; h < count; ++h) {
    const int e = objects[h];
    if (e < 0 || e >= n) continue;
    const int p = parOf(e);
    const int clip = p >= 0 ? firstClip[p] : m_Objects[e].kind == kObjectAudio ? e : -1;
    const char* label = texts->Get(h);
    if (clip >= 0 && m_StandInText[clip] < 0 && label && *label) m_StandInHeading[clip] = h;
  }
}

bool DaisyPlayThread::HasStandIn(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_StandInText.size()) return false;
  return m_StandInText[index] >= 0 || m_StandInHeading[index] >= 0;
}

bool DaisyPlayThread::PlayStandIn(int index, LoopEnd* why) {
  if (!HasStandIn(index)) return false;  // nothing to read: skipped
  const _DaisyObject& o = m_Objects[index];
  const int len = o.end - o.start;
  if (len > 0 && m_CurObjectPlace >= len) return false;
  int r = 0;
  const int t = m_StandInText[index];
  if (t >= 0) {
    const _DaisyObject& to = m_Objects[t];
    for (int piece = to.start; piece < to.end && r != -1; ++piece) {
      const char* text = nullptr;
      if (m_Book->GetXhtmlText(to.file, piece, &text) != 0 || !text || !*text) continue;
      if ((r = SpeakText(text, why)) == 1) return true;
    }
  } else {
    const int* objects = nullptr;
    const int* levels = nullptr;
    const libDaisy::StringArray* texts = nullptr;
    int count = 0;
    const char* label = nullptr;
    if (m_Book->GetHeadings(&objects, &levels, &texts, &count) == 0 && texts)
      label = texts->Get(m_StandInHeading[index]);
    if (label && *label && SpeakText(label, why) == 1) return true;
  }
  // Read: the clip's time has passed, as if its audio had played.
  m_CurObjectPlace = len > 0 ? len : 0;
  return CheckCommand(why);
}

bool DaisyPlayThread::PauseForAnnouncement(LoopEnd* why) {
  {
    Lock lock(ch_.Mutex());
    if (Pending() == PlayCommand::kNone) {
      if (PauseInPlace(lock)) return true;
      *why = LeftPause();
      return false;
    }
  }
  return !CheckCommand(why);
}

void DaisyPlayThread::FindQuietClips(const std::vector<int>& parent) {
  const int n = m_TotalObjects;
  m_QuietClip.assign(static_cast<size_t>(n), 0);
  auto parOf = [&](int i) {
    while (i >= 0 && m_Objects[i].kind != kObjectPar) i = parent[static_cast<size_t>(i)];
    return i;
  };
  // Per par: 1 while every text seen is quiet, 0 once one is not; -1 none yet.
  std::vector<signed char> quiet(static_cast<size_t>(n), -1);
  for (int i = 0; i < n; ++i) {
    const _DaisyObject& o = m_Objects[i];
    const int p = parOf(i);
    if (p < 0 || o.kind != kObjectText || o.start < 0 || o.end <= o.start) continue;
    bool all = true;
    for (int piece = o.start; piece < o.end && all; ++piece) all = m_Book->IsQuietXhtmlText(o.file, piece);
    signed char& q = quiet[static_cast<size_t>(p)];
    q = static_cast<signed char>(all && q != 0 ? 1 : 0);
  }
  for (int i = 0; i < n; ++i) {
    if (m_Objects[i].kind != kObjectAudio) continue;
    const int p = parOf(i);
    // An EPUB overlay may mark the note itself, whatever its text.
    m_QuietClip[static_cast<size_t>(i)] =
        m_Book->IsQuietObject(i) || (p >= 0 && quiet[static_cast<size_t>(p)] == 1);
  }
}
