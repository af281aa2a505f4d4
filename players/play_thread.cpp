#include "players/play_thread.h"

#include <cstdio>

#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"

namespace {
constexpr int kRewindStepMs = 5000;
constexpr double kFastTempo = 700.0;  // eight times
}  // namespace

PlayThread::PlayThread(Flavour flavour, std::function<PlayEffects()> effects)
    : flavour_(flavour), effects_(std::move(effects)) {}

PlayThread::~PlayThread() { EndWorker(); }

int PlayThread::CmdOpen(const std::string& path) {
  return SendOpen([&] {
    fileName_ = path;
    curMs_ = 0;
    totalMs_ = 0;
  });
}

int PlayThread::CmdPlay(int fastMode) {
  return Play([&] { fastMode_ = fastMode; });
}

int PlayThread::Seek(int ms, int direction) {
  if (!backend_) return -1;
  int r = backend_->Seek(ms, direction);
  int cur = backend_->CurMs();
  if (cur >= 0) curMs_ = cur;
  return r;
}

void PlayThread::SetRepeat(int startMs, int endMs) {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  repeatStart_ = startMs;
  repeatEnd_ = endMs;
}

int PlayThread::RepeatStart() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return repeatStart_;
}

int PlayThread::RepeatEnd() {
  std::lock_guard<std::mutex> lock(ch_.Mutex());
  return repeatEnd_;
}

int PlayThread::OpenItem() {
  std::string path;
  {
    std::lock_guard<std::mutex> lock(ch_.Mutex());
    path = fileName_;
  }
  int rate = 0, channels = 0, total = 0;
  int r = backend_->Open(path.c_str(), &rate, &channels, &total);
  if (r < 0) {
    DiagPrintf("ff_audio_open_file(%s) fail = %d", path.c_str(), r);
    return -3;
  }
  SetFormat(rate, channels);
  totalMs_ = total;
  curMs_ = 0;
  return 0;
}

PlayThread::PlayEnd PlayThread::PlayItem(Lock& lock) {
  const int fast = fastMode_;
  loopStart_ = repeatStart_;
  loopEnd_ = repeatEnd_;
  lock.unlock();
  // Another audio stream chosen while paused may have another format.
  int rate = 0, channels = 0;
  if (backend_->Format(&rate, &channels) == 0 && (rate != rate_ || (channels == 1 ? 1 : 2) != channels_))
    SetFormat(rate, channels);
  backend_->Init(static_cast<unsigned>(channels_), static_cast<unsigned>(outRate_), kPlayLatencyUs);
  const PlayEnd end = fast == FAST_REWIND ? Rewind() : PlayLoop(fast);
  lock.lock();
  return end;
}

void PlayThread::SetFormat(int rate, int channels) {
  channels = channels == 1 ? 1 : 2;
  halve_ = rate > 96000;
  outRate_ = halve_ ? rate / 2 : rate;
  rate_ = rate;
  channels_ = channels;
  tempo_.SetFormat(outRate_, channels);
}

int PlayThread::Output(short* pcm, int frames) {
  const int ch = channels_;
  if (halve_) {
    int kept = 0;
    for (int i = 0; i < frames; i += 2, ++kept) {
      for (int c = 0; c < ch; ++c) pcm[kept * ch + c] = pcm[i * ch + c];
    }
    frames = kept;
  }
  if (frames <= 0) return 0;
  if (useTempo_) {
    return tempo_.Process(pcm, frames, [this](short* out, int n) {
      return backend_->PutSamples(out, n) < 0 ? -1 : 0;
    });
  }
  if (useEq_) eq_.Process(pcm, frames * ch * 2);
  return backend_->PutSamples(pcm, frames);
}

PlayThread::PlayEnd PlayThread::FinishEnded() {
  if (useTempo_) {
    tempo_.Flush([this](short* out, int n) { return backend_->PutSamples(out, n) < 0 ? -1 : 0; });
  }
  backend_->Flush();
  backend_->WaitBufferFinished();
  return kEnded;
}

// A pause leaves the loop: the next play takes the effects and the repeat
// afresh.
bool PlayThread::CheckCommand(PlayEnd* why) {
  return TakeBetweenBlocks(why, {false,
                                 [this] {
                                   tempo_.Clear();
                                   backend_->Flush();
                                   backend_->WaitBufferFinished();
                                 },
                                 [this] {
                                   tempo_.Clear();
                                   backend_->Flush();
                                 },
                                 {}});
}

PlayThread::PlayEnd PlayThread::PlayLoop(int fast) {
  const PlayEffects fx = effects_ ? effects_() : PlayEffects();
  const int ch = channels_;
  if (fast == FAST_FORWARD) {
    tempo_.SetTempoChange(kFastTempo);
    tempo_.SetPitchSemiTones(0);
    useTempo_ = true;
    useEq_ = false;
  } else {
    tempo_.SetTempoChange(SpeedStepToTempoChange(fx.speed));
    tempo_.SetPitchSemiTones(fx.pitch);
    // Speed or pitch changes go through SoundTouch and leave the equalizer out.
    useTempo_ = fx.speed != 0 || fx.pitch != 0;
    useEq_ = !useTempo_ && flavour_ == kMusic && fx.equalizer != 0 &&
             eq_.Init(outRate_, static_cast<unsigned>(ch), fx.equalizer) == 0;
  }
  const bool abRepeat = flavour_ == kMusic && fast == FAST_NONE && loopEnd_ >= loopStart_ &&
                        loopStart_ >= 0;
  const bool stopPoint = flavour_ == kBook && loopEnd_ >= 0;
  for (;;) {
    int cur = 0;
    int n = backend_->Read(block_, kPlayBlockBytes, &cur);
    if (n > 0) curMs_ = cur;
    if (n <= 0) {
      if (n == 0) curMs_ = totalMs_.load();
      return FinishEnded();
    }
    const int frames = n / (2 * ch);
    if (Output(block_, frames) < 0) {
      DIAG("sound card write failed");
    }
    PlayEnd why;
    if (CheckCommand(&why)) return why;
    if (stopPoint && curMs_ >= loopEnd_) return FinishEnded();
    if (abRepeat && curMs_ >= loopEnd_) {
      tempo_.Clear();
      Seek(loopStart_, -1);
    }
  }
}

PlayThread::PlayEnd PlayThread::Rewind() {
  tempo_.SetTempoChange(kFastTempo);
  tempo_.SetPitchSemiTones(0);
  useTempo_ = true;
  useEq_ = false;
  const int ch = channels_;
  const int secondBytes = rate_ * ch * 2;
  for (;;) {
    Seek(curMs_ - kRewindStepMs, -1);
    int left = secondBytes;
    while (left > 0) {
      int cur = 0;
      int want = left < kPlayBlockBytes ? left - left % (2 * ch) : kPlayBlockBytes;
      if (want <= 0) break;
      int n = backend_->Read(block_, want, &cur);
      if (n <= 0) return FinishEnded();
      curMs_ = cur;
      left -= n;
      Output(block_, n / (2 * ch));
      PlayEnd why;
      if (CheckCommand(&why)) return why;
    }
  }
}

namespace {

PlayEffects MusicEffects() {
  return {g_AudioSettings.speed, g_AudioSettings.pitch, g_AudioSettings.equalizer};
}

PlayEffects BookEffects() { return {g_AudioBookSettings.speed, g_AudioBookSettings.pitch, 0}; }

}  // namespace

PlayThread& MusicPlayThread() {
  // Lives for the process: the thread is never ended.
  static NoDestructor<PlayThread> t(PlayThread::kMusic, MusicEffects);
  return *t;
}

PlayThread& AudioBookPlayThread() {
  static NoDestructor<PlayThread> t(PlayThread::kBook, BookEffects);
  return *t;
}
