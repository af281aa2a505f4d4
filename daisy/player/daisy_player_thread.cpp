#include "daisy/player/daisy_player_thread.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "core/ui/system_settings.h"
#include "daisy/player/daisy_settings.h"
#include "speech/tts.h"

using libDaisy::_DaisyObject;
using libDaisy::kObjectAudio;
using libDaisy::kObjectPar;
using libDaisy::kObjectSeq;
using libDaisy::kObjectText;

namespace {
constexpr int kSeekToleranceMs = 100;
// The decoder ends a file on a seek into its last second; targets there are
// reached by reading from a little earlier.
constexpr int kDecoderEndZoneMs = 1000;
constexpr int kReadInMs = 2000;
}  // namespace

DaisyPlayThread::DaisyPlayThread() = default;

DaisyPlayThread::~DaisyPlayThread() { EndWorker(); }

int DaisyPlayThread::CmdOpen(const std::string& fullName, int type) {
  return SendOpen([&] {
    m_FullName = fullName;
    m_DaisyType = type;
  });
}

DaisyPos DaisyPlayThread::Position() const {
  DaisyPos p;
  p.object = m_CurObject.load();
  p.place = m_CurObjectPlace.load();
  return p;
}

void DaisyPlayThread::SetPosition(DaisyPos pos, bool landing) {
  m_Landing = landing;
  if (pos.object < 0) pos.object = 0;
  if (pos.place < 0) pos.place = 0;
  // Past the end stays on the last object, so the history keeps the place.
  if (pos.object >= m_TotalObjects && m_TotalObjects > 0) pos = EndPosition();
  m_CurObject = pos.object;
  m_CurObjectPlace = pos.place;
}

DaisyPos DaisyPlayThread::EndPosition() const {
  const int last = m_TotalObjects - 1;
  if (last < 0) return {0, 0};
  const _DaisyObject& o = m_Objects[last];
  const bool sized = (o.kind == kObjectAudio || o.kind == kObjectText) && o.end > o.start;
  return {last, sized ? o.end - o.start : 0};
}

bool DaisyPlayThread::AtEnd() const {
  return m_TotalObjects > 0 && !(Position() < EndPosition());
}

void DaisyPlayThread::SetRepeat(DaisyPos start, DaisyPos fin) {
  m_RepeatStart = {-1, -1};
  m_RepeatFinal = {-1, -1};
  if (start.object < 0 || fin.object < 0 || start.object >= m_TotalObjects) return;
  if (!(start < fin)) {
    // A range that ends where it starts names one piece: the one at its start.
    int j = start.object;
    while (j < m_TotalObjects && !m_Playable[static_cast<size_t>(j)]) ++j;
    if (j >= m_TotalObjects) return;
    if (m_Objects[j].kind == kObjectText)
      fin = {j, j == start.object ? start.place + 1 : 1};
    else
      fin = {j, INT_MAX};
  }
  m_RepeatStart = start;
  m_RepeatFinal = fin;
}

// --- The thread ----------------------------------------------------------

int DaisyPlayThread::OpenItem() {
  std::string name;
  int type;
  {
    std::lock_guard<std::mutex> lock(ch_.Mutex());
    name = m_FullName;
    type = m_DaisyType;
  }
  return OpenBook(name, type);
}

DaisyPlayThread::PlayEnd DaisyPlayThread::PlayItem(Lock& lock) {
  lock.unlock();
  const PlayEnd end = PlayLoop();
  lock.lock();
  return end;
}

int DaisyPlayThread::OpenBook(const std::string& fullName, int type) {
  CloseAudioFile();
  m_Book.reset(new (std::nothrow) libDaisy::Daisy);
  if (!m_Book) return -2;
  int r = m_Book->Open(fullName.c_str(), type);
  _DaisyObject* objects = nullptr;
  int count = 0;
  if (r == 0 && (m_Book->GetObjects(&objects, &count) != 0 || count <= 0)) r = -3;
  if (r != 0) {
    DiagPrintf("g_pDaisy->Open(%s), %s fail = %d", fullName.c_str(),
               type == libDaisy::kDaisy3 ? "daisy3" : "daisy202", r);
    m_Book->Close();
    m_Book.reset();
    return r;
  }
  m_Objects = objects;
  m_TotalObjects = count;
  m_Folder = m_Book->GetFolder();
  m_FileFailed = false;
  PrepareObjects();
  Tts_SetRole(TTS_CHANNEL_PLAYER, g_SystemSettings.tts_role);
  m_CurObject = 0;
  m_CurObjectPlace = 0;
  m_FailedFileIndex = -1;
  return 0;
}

void DaisyPlayThread::CloseBook() {
  FlushOutput(false);
  CloseAudioFile();
  m_View = DaisyBookView();
  m_Objects = nullptr;
  m_TotalObjects = 0;
  m_Playable.clear();
  m_StandInText.clear();
  m_StandInHeading.clear();
  m_AudioBefore.clear();
  if (m_Book) m_Book->Close();
  m_Book.reset();
  m_CurObject = 0;
  m_CurObjectPlace = 0;
  ClearRepeat();
}

void DaisyPlayThread::PrepareObjects() {
  MeasureClips();
  MarkPlayable();
  const int n = m_TotalObjects;
  m_AudioBefore.assign(static_cast<size_t>(n) + 1, 0);
  for (int i = 0; i < n; ++i) {
    const _DaisyObject& o = m_Objects[i];
    int64_t len = o.kind == kObjectAudio && m_Playable[i] ? o.end - o.start : 0;
    m_AudioBefore[i + 1] = m_AudioBefore[i] + len;
  }
  BuildView();
  printf("g_AudioTotalMs = %lld\n", static_cast<long long>(m_AudioBefore[n]));
}

// Clips without an end last to the end of their file.
void DaisyPlayThread::MeasureClips() {
  const int n = m_TotalObjects;
  std::vector<int> fileMs(static_cast<size_t>(m_Book->GetTotalAudioFiles()), INT_MIN);
  for (int i = 0; i < n; ++i) {
    _DaisyObject& o = m_Objects[i];
    if (o.kind != kObjectAudio) continue;
    if (o.start < 0) o.start = 0;
    if (o.end < 0) {
      int len = -1;
      if (o.file >= 0 && o.file < static_cast<int>(fileMs.size())) {
        if (fileMs[o.file] == INT_MIN) {
          const char* name = nullptr;
          fileMs[o.file] =
              m_Book->GetAudioFilename(o.file, &name) == 0 && name ? AudioDurationMs(name) : -1;
          // Its clips cannot be played; the window says so once.
          if (fileMs[o.file] < 0) {
            m_FileFailed = true;
            ++m_FileFailures;
          }
        }
        len = fileMs[o.file];
      }
      o.end = len;
    }
    if (o.end < o.start) o.end = o.start;
  }
}

// A text is spoken when its parent is not a par, or a par without audio.
void DaisyPlayThread::MarkPlayable() {
  const int n = m_TotalObjects;
  m_Playable.assign(static_cast<size_t>(n), 0);
  std::vector<int> parent(static_cast<size_t>(n), -1);
  std::vector<char> parHasAudio(static_cast<size_t>(n), 0);
  std::vector<int> stack;
  for (int i = 0; i < n; ++i) {
    const _DaisyObject& o = m_Objects[i];
    while (!stack.empty() && m_Objects[stack.back()].depth >= o.depth) stack.pop_back();
    parent[i] = stack.empty() ? -1 : stack.back();
    if (o.kind == kObjectAudio) {
      for (int s : stack) {
        if (m_Objects[s].kind == kObjectPar) parHasAudio[s] = 1;
      }
    }
    if (o.kind == kObjectSeq || o.kind == kObjectPar) stack.push_back(i);
  }
  FindStandInTexts(parent);
  FindQuietClips(parent);
  for (int i = 0; i < n; ++i) {
    const _DaisyObject& o = m_Objects[i];
    if (o.kind == kObjectAudio) {
      const char* name = nullptr;
      m_Playable[i] = (o.end > o.start || HasStandIn(i)) && m_Book->GetAudioFilename(o.file, &name) == 0;
    } else if (o.kind == kObjectText) {
      int p = parent[i];
      bool inParWithAudio = p >= 0 && m_Objects[p].kind == kObjectPar && parHasAudio[p];
      m_Playable[i] = !inParWithAudio && o.end > o.start && o.start >= 0 &&
                      m_Book->GeXhmtltTotalTexts(o.file) > 0;
    }
  }
}

void DaisyPlayThread::BuildView() {
  const int n = m_TotalObjects;
  m_View = DaisyBookView();
  m_View.objects = m_Objects;
  m_View.count = n;
  m_View.playable = m_Playable.data();
  m_View.audioBefore = m_AudioBefore.data();
  const int* levels = nullptr;
  const libDaisy::StringArray* texts = nullptr;
  int headings = 0;
  if (m_Book->GetHeadings(&m_View.headingObjects, &levels, &texts, &headings) == 0) {
    m_View.headingLevels = levels;
    m_View.headings = headings;
  } else {
    m_View.headingObjects = nullptr;
  }
  const libDaisy::StringArray* labels = nullptr;
  int pages = 0;
  if (m_Book->GetPages(&m_View.pageObjects, &labels, &pages) == 0) {
    m_View.pages = pages;
  } else {
    m_View.pageObjects = nullptr;
  }
}

// --- Playing ---------------------------------------------------------------

bool DaisyPlayThread::RepeatJump(int object, int place) {
  if (m_RepeatStart.object < 0 || m_RepeatFinal.object < 0) return false;
  if (object < m_RepeatFinal.object) return false;
  if (object == m_RepeatFinal.object && place < m_RepeatFinal.place) return false;
  if (!m_Sounded) {
    // A pass that made no sound would loop silently for ever: play on instead.
    DiagPrintf("repeat range %d/%d-%d/%d plays nothing; dropped", m_RepeatStart.object,
               m_RepeatStart.place, m_RepeatFinal.object, m_RepeatFinal.place);
    m_RepeatStart = {-1, -1};
    m_RepeatFinal = {-1, -1};
    return false;
  }
  m_Sounded = false;
  m_Jumped = true;
  FlushOutput(false);
  m_CurObject = m_RepeatStart.object;
  m_CurObjectPlace = m_RepeatStart.place;
  return true;
}

DaisyPlayThread::LoopEnd DaisyPlayThread::PlayLoop() {
  m_UseTempo = g_Speed != 0 || g_Pitch != 0;
  m_Tempo.SetTempoChange(DaisySpeedToRate(g_Speed));
  m_Tempo.SetPitchSemiTones(g_Pitch);
  m_FailedFileIndex = -1;
  m_Sounded = false;
  for (;;) {
    LoopEnd why = kStopped;
    // Every pass takes commands, whatever it plays.
    if (CheckCommand(&why)) return why;
    const int i = m_CurObject;
    if (i < 0 || i >= m_TotalObjects) {
      if (RepeatJump(i, 0)) continue;
      FlushOutput(true);
      backend_->WaitBufferFinished();
      SetPosition(EndPosition());
      return kEnded;
    }
    const _DaisyObject& o = m_Objects[i];
    bool leave = false;
    m_Jumped = false;
    if (m_Playable[i] && o.kind == kObjectAudio && g_DaisyQuietReading && !m_Landing &&
        m_QuietClip[static_cast<size_t>(i)]) {
      printf("quiet reading: clip %d passed over\n", i);
      fflush(stdout);
    } else if (m_Playable[i] && o.kind == kObjectAudio) {
      leave = PlayAudio(i, &why);
    } else if (m_Playable[i] && o.kind == kObjectText) {
      leave = PlayText(i, &why);
    }
    if (leave) return why;
    m_Landing = false;
    // A jump of the repeat range has set the position already.
    if (m_Jumped) continue;
    if (RepeatJump(i, INT_MAX)) continue;
    m_CurObject = i + 1;
    m_CurObjectPlace = 0;
  }
}

int DaisyPlayThread::OpenAudio(const char* name, int* rate, int* channels, int* totalMs) {
  const std::string& archive = m_Book->GetArchive();
  if (archive.empty()) return backend_->Open((m_Folder + name).c_str(), rate, channels, totalMs);
  if (m_Stream.Open(archive.c_str(), name) != 0) return -4;
  int r = backend_->OpenStream(name, &m_Stream, libDaisy::MemberStream::Read,
                               libDaisy::MemberStream::Seek, rate, channels, totalMs);
  if (r < 0) m_Stream.Close();
  return r;
}

int DaisyPlayThread::AudioDurationMs(const char* name) {
  if (m_Book->GetArchive().empty()) return backend_->DurationMs((m_Folder + name).c_str());
  int rate, channels, total = -1;
  if (OpenAudio(name, &rate, &channels, &total) < 0) return -1;
  backend_->Close();
  m_Stream.Close();
  return total > 0 ? total : -1;
}

int DaisyPlayThread::OpenAudioFile(int fileIndex) {
  const char* name = nullptr;
  if (m_Book->GetAudioFilename(fileIndex, &name) != 0 || !name) return -1;
  int rate = 0, channels = 0, total = 0;
  int r = OpenAudio(name, &rate, &channels, &total);
  if (r < 0) {
    printf("can not open %s%s\n", m_Book->GetArchive().empty() ? m_Folder.c_str() : "", name);
    return r;
  }
  m_AudioFileIndex = fileIndex;
  m_AudioSamplerate = rate > 0 ? rate : 44100;
  m_AudioChannels = channels == 1 ? 1 : 2;  // anything but mono plays as stereo
  m_AudioTotalMsOfFile = total;
  m_AudioCurMs = 0;
  backend_->Init(static_cast<unsigned>(m_AudioChannels),
                      static_cast<unsigned>(m_AudioSamplerate), kPlayLatencyUs);
  m_CardIsSpeech = false;
  m_Tempo.SetFormat(m_AudioSamplerate, m_AudioChannels);
  m_Tempo.SetTempoChange(DaisySpeedToRate(g_Speed));
  m_Tempo.SetPitchSemiTones(g_Pitch);
  return 0;
}

void DaisyPlayThread::CloseAudioFile() {
  if (m_AudioFileIndex >= 0 && backend_) backend_->Close();
  m_Stream.Close();
  m_AudioFileIndex = -1;
  m_AudioCurMs = 0;
}

int DaisyPlayThread::SeekTo(int ms) {
  m_Tempo.Clear();
  const int total = m_AudioTotalMsOfFile;
  if (total <= 0 || ms < total - kDecoderEndZoneMs) {
    int r = backend_->Seek(ms, -1);
    int cur = backend_->CurMs();
    m_AudioCurMs = cur >= 0 ? cur : ms;
    return r;
  }
  // Read up to the target from a little earlier (or from the start).
  int from = ms - kReadInMs;
  if (from > 0 && from < total - kDecoderEndZoneMs) {
    backend_->Seek(from, -1);
    int cur = backend_->CurMs();
    m_AudioCurMs = cur >= 0 ? cur : from;
  } else {
    const int file = m_AudioFileIndex;
    CloseAudioFile();
    if (OpenAudioFile(file) != 0) return -1;
  }
  const int ch = m_AudioChannels;
  while (m_AudioCurMs < ms) {
    int64_t frames = static_cast<int64_t>(ms - m_AudioCurMs) * m_AudioSamplerate / 1000;
    int64_t bytes = frames * 2 * ch;
    if (bytes > kPlayBlockBytes) bytes = kPlayBlockBytes;
    bytes -= bytes % (2 * ch);
    if (bytes <= 0) break;
    int cur = m_AudioCurMs;
    int n = backend_->Read(m_Block, static_cast<int>(bytes), &cur);
    if (n <= 0) break;
    m_AudioCurMs = cur;
  }
  return 0;
}

int DaisyPlayThread::Output(short* pcm, int frames) {
  if (frames <= 0) return 0;
  m_Sounded = true;
  if (m_UseTempo) {
    return m_Tempo.Process(pcm, frames, [this](short* out, int n) {
      return backend_->PutSamples(out, n) < 0 ? -1 : 0;
    });
  }
  return backend_->PutSamples(pcm, frames);
}

void DaisyPlayThread::FlushOutput(bool keepTail) {
  if (!backend_) return;
  if (m_UseTempo && !m_CardIsSpeech) {
    if (keepTail)
      m_Tempo.Flush(
          [this](short* out, int n) { return backend_->PutSamples(out, n) < 0 ? -1 : 0; });
    else
      m_Tempo.Clear();
  }
  backend_->Flush();
}

bool DaisyPlayThread::PlayAudio(int index, LoopEnd* why) {
  const _DaisyObject& o = m_Objects[index];
  if (o.file != m_AudioFileIndex) {
    if (o.file == m_FailedFileIndex) return PlayStandIn(index, why);  // told once
    FlushOutput(true);
    backend_->WaitBufferFinished();
    CloseAudioFile();
    if (OpenAudioFile(o.file) != 0) {
      m_FailedFileIndex = o.file;
      const bool first = !m_FileFailed;
      m_FileFailed = true;
      ++m_FileFailures;
      if (first && HasStandIn(index) && !PauseForAnnouncement(why)) return true;
      return PlayStandIn(index, why);
    }
  } else {
    // After player speech, or system speech while stopped, the card has
    // another format (opening it again with the same one costs nothing).
    if (m_CardIsSpeech) {
      backend_->WaitBufferFinished();
      m_CardIsSpeech = false;
      m_Tempo.Clear();
    }
    RestoreCard();
  }
  m_FailedFileIndex = -1;
  const int len = o.end - o.start;
  int place = m_CurObjectPlace;
  if (place < 0) place = 0;
  if (place >= len) return false;
  const int target = o.start + place;
  if (abs(m_AudioCurMs - target) > kSeekToleranceMs) SeekTo(target);

  const int ch = m_AudioChannels;
  for (;;) {
    int64_t frames = static_cast<int64_t>(o.end - m_AudioCurMs) * m_AudioSamplerate / 1000;
    int64_t want = frames * 2 * ch;
    if (want > kPlayBlockBytes) want = kPlayBlockBytes;
    want -= want % (2 * ch);
    if (want <= 0) return false;
    int cur = m_AudioCurMs;
    int n = backend_->Read(m_Block, static_cast<int>(want), &cur);
    if (n > 0) {
      if (Output(m_Block, n / (2 * ch)) < 0) DIAG("sound card write failed");
      m_AudioCurMs = cur;
    }
    int p = m_AudioCurMs - o.start;
    m_CurObjectPlace = p < 0 ? 0 : p > len ? len : p;
    if (n < want) {
      // End of the file or a damaged stretch: the clip is over.
      if (n <= 0) m_AudioCurMs = m_AudioTotalMsOfFile > 0 ? m_AudioTotalMsOfFile : o.end;
      return false;
    }
    if (RepeatJump(index, m_CurObjectPlace)) return false;
    if (CheckCommand(why)) return true;
  }
}

void DaisyPlayThread::RestoreCard() {
  if (m_CardIsSpeech)
    backend_->Init(1, kPlaySpeechRate, kPlayLatencyUs);
  else if (m_AudioFileIndex >= 0)
    backend_->Init(static_cast<unsigned>(m_AudioChannels),
                        static_cast<unsigned>(m_AudioSamplerate), kPlayLatencyUs);
}

bool DaisyPlayThread::PlayText(int index, LoopEnd* why) {
  const _DaisyObject& o = m_Objects[index];
  int place = m_CurObjectPlace;
  if (place < 0) place = 0;
  for (int piece = o.start + place; piece < o.end; ++piece) {
    m_CurObjectPlace = piece - o.start;
    if (RepeatJump(index, piece - o.start)) return false;
    const char* text = nullptr;
    if (m_Book->GetXhtmlText(o.file, piece, &text) != 0 || !text || !*text) continue;
    // Quieter reading passes over page numbers and notes, except the one
    // that playing starts at (a page move lands on its number).
    const bool landing = m_Landing && piece == o.start + place;
    if (g_DaisyQuietReading && !landing && m_Book->IsQuietXhtmlText(o.file, piece)) continue;
    int r = SpeakText(text, why);
    if (r == 1) return true;
    if (r == -1) {
      // No speech engine: nothing of this text can be read.
      m_CurObjectPlace = o.end - o.start;
      return CheckCommand(why);
    }
    m_CurObjectPlace = piece - o.start + 1;
    if (CheckCommand(why)) return true;
  }
  return false;
}

int DaisyPlayThread::SpeakText(const char* text, LoopEnd* why) {
  if (!m_CardIsSpeech) {
    FlushOutput(true);
    backend_->WaitBufferFinished();
    m_CardIsSpeech = true;
  }
  backend_->Init(1, kPlaySpeechRate, kPlayLatencyUs);
  int r = PlayTts_Play(text, 0);
  {
    // Whatever speech reports, a stop the callback took ends the reading.
    Lock lock(ch_.Mutex());
    if (Pending() == PlayCommand::kQuit) {
      *why = kQuit;
      return 1;
    }
    if (StateLocked() == DAISY_STATE_STOPPED || Pending() == PlayCommand::kClose) {
      SetState(lock, DAISY_STATE_STOPPED);
      *why = kStopped;
      return 1;
    }
  }
  if (r == 0) m_Sounded = true;
  return r < 0 ? (r == -1 ? -1 : -2) : 0;
}

void DaisyPlayThread::Drain() {
  FlushOutput(true);
  backend_->WaitBufferFinished();
}

// A pause holds in place, in the middle of a clip or text.
bool DaisyPlayThread::CheckCommand(LoopEnd* why) {
  return TakeBetweenBlocks(why, {true, [this] { Drain(); }, [this] { FlushOutput(false); },
                                 [this] { RestoreCard(); }});
}

int DaisyPlayThread::CallbackOutput(short* samples, int count) {
  if (backend_ && samples && count > 0 && backend_->PutSamples(samples, count) < 0)
    DiagPrintf("sound card lost %d frames of speech", count);
  return TakeInSpeech(
      [this] {
        backend_->Flush();
        backend_->WaitBufferFinished();
      },
      [this] { RestoreCard(); });
}

int DaisyPlayThread::TtsDataOutput(short* samples, int count, void*) {
  return DaisyThread().CallbackOutput(samples, count);
}

DaisyPlayThread& DaisyThread() {
  // Lives for the process: the thread is never ended.
  static NoDestructor<DaisyPlayThread> t;
  return *t;
}
