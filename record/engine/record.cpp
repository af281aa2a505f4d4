#include "record/engine/record.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <system_error>

#include "audio/soundcard.h"
#include "core/base/diag.h"

namespace {

constexpr size_t kBlockSamples = static_cast<size_t>(Record::kBlockFrames) * 2;
using Lock = CommandChannel::Lock;

}  // namespace

Record::Record() : ring_(kBlockSamples * kBlocks) {}

Record::~Record() {
  // The process-wide instance may outlive the loop; a recording still
  // running at exit is closed so that its file stays whole.
  if (recording_) Stop();
  JoinThreads();
}

Record& TheRecord() {
  static Record* record = new Record();
  return *record;
}

int Record::OpenCapture(int rate) { return SoundCardRecord_Init(static_cast<unsigned>(rate), 100000); }
int Record::ReadCapture(short* samples, int frames) { return SoundCardRecord_Read(samples, frames); }
void Record::CloseCapture() { SoundCardRecord_Release(); }
void Record::SetCaptureInput(int route, int volume) {
  SoundCard_SetCaptureRouteway(route);
  SoundCard_SetPgaCaptureVolume(volume);
}

void Record::Send(CommandChannel& ch, int cmd) {
  Lock lock(ch.Mutex());
  ch.Send(lock, cmd);
}

void Record::ResetRing() {
  std::lock_guard<std::mutex> lock(ring_mutex_);
  write_index_ = read_index_ = 0;
}

int Record::StartThreads() {
  try {
    if (!capture_thread_.joinable()) capture_thread_ = std::thread(&Record::CaptureThread, this);
    if (!writer_thread_.joinable()) writer_thread_ = std::thread(&Record::WriterThread, this);
  } catch (const std::system_error& e) {
    return -e.code().value();
  }
  return 0;
}

void Record::JoinThreads() {
  if (capture_thread_.joinable()) capture_thread_.join();
  if (writer_thread_.joinable()) writer_thread_.join();
  Lock lock(writer_.Mutex());
  writer_.SetState(lock, kNoThreads);
}

int Record::Start(const char* path, int route, int volume, int format, int rate, int kbps, bool noise) {
  if (!path || recording_ || route < 1 || route > 4) return -1;
  route_ = route;
  volume_ = volume;
  if (SetFileFormat(format) < 0 || SetChannels(route <= 2 ? 1 : 2) < 0 || SetSampleRate(rate) < 0 ||
      (format == kMp3 && SetBitRate(kbps) < 0))
    return -1;
  warmup_ = rate < 22050 ? 2048 : rate < 44100 ? 4096 : 8192;
  mic_.Open(rate, Channels() == 1 && noise);
  printf("%d, %d, %d, %d, %d\n", route, volume, format, rate, kbps);
  int err = Open(path);
  if (err < 0) {
    DiagPrintf("Open(%s) = %d", path, err);
    return err;
  }
  // The input first: the simulated board picks what the stream hears by it.
  SetCaptureInput(route, volume);
  ResetRing();
  err = StartThreads();
  if (err == 0) err = RunCapture();
  if (err != 0) {
    if (err > 0) DiagPrintf("InitThread() = %d", err);
    if (capture_thread_.joinable()) Send(capture_, kCmdExit);
    if (writer_thread_.joinable()) Send(writer_, kCmdExit);
    JoinThreads();
    SetCaptureInput(0, 0);
    Close();
    return -1;
  }
  dropped_ = 0;
  {
    Lock lock(writer_.Mutex());
    error_ = 0;
  }
  recording_ = true;
  paused_ = false;
  Send(writer_, kCmdRun);
  return 0;
}

int Record::RunCapture() {
  Lock lock(capture_.Mutex());
  capture_.Send(lock, kCmdRun);
  return capture_error_;
}

int Record::Start2() {
  if (!recording_ || paused_) return -1;
  RunCapture();
  return 0;
}

// The capture side stops first and the writer then empties the ring, so a
// pause or a stop keeps everything captured up to it.
int Record::Pause() {
  if (!recording_ || paused_) return -1;
  paused_ = true;
  Send(capture_, kCmdPause);
  Send(writer_, kCmdPause);
  SetCaptureInput(0, 0);
  ResetRing();
  return 0;
}

int Record::Continue() {
  if (!recording_ || !paused_) return -1;
  paused_ = false;
  SetCaptureInput(route_, volume_);
  Send(writer_, kCmdRun);
  if (RunCapture() < 0) DiagPrintf("capture stream did not reopen");
  return 0;
}

int Record::Stop() {
  if (!recording_) return -1;
  recording_ = paused_ = false;
  Send(capture_, kCmdExit);
  Send(writer_, kCmdExit);
  JoinThreads();
  // The last partial frame of noise suppression is written as it is.
  int rest = mic_.Rest();
  if (rest > 0) Write(mic_.Out(), rest);
  Close();
  mic_.Close();
  SetCaptureInput(0, 0);
  ResetRing();
  return 0;
}

int Record::GetErrorCode() {
  Lock lock(writer_.Mutex());
  return writer_.StateLocked() == kFailed ? error_ : 0;
}

// The capture thread owns the stream: it alone opens, reads and closes it,
// so a control call can never close it under a read. A run command opens
// it and discards the warm-up; the next one (after the start beep) starts
// on a fresh stream and reads blocks until a pause or an exit closes it.
void Record::CaptureThread() {
  bool open = false;
  Lock lock(capture_.Mutex());
  for (;;) {
    int cmd = capture_.Wait(lock);
    if (cmd != kCmdRun) {
      if (open) CloseCapture();
      open = false;
      capture_.Take(lock);
      if (cmd == kCmdExit) return;
      continue;
    }
    if (!open) {
      capture_error_ = OpenCapture(SampleRate());
      open = capture_error_ == 0;
      capture_.Take(lock);
      if (!open) continue;
      int w;
      {
        std::lock_guard<std::mutex> ring(ring_mutex_);
        w = write_index_;
      }
      lock.unlock();
      // The first moments after the input switches carry its click.
      (void)ReadCapture(&ring_[w * kBlockSamples], warmup_);
      lock.lock();
      continue;
    }
    // The stream ran on while the start beep played: what it holds now is
    // stale (the beep itself, on the device) and ends in an overrun gap.
    CloseCapture();
    capture_error_ = OpenCapture(SampleRate());
    open = capture_error_ == 0;
    if (!open) DiagPrintf("capture stream did not reopen");
    capture_.Take(lock);
    lock.unlock();
    CaptureBlocks();  // leaves the pause or exit it stopped for pending
    lock.lock();
  }
}

// Reads blocks until a pause or exit command is pending (left untaken).
void Record::CaptureBlocks() {
  for (;;) {
    int w;
    {
      std::lock_guard<std::mutex> ring(ring_mutex_);
      w = write_index_;
    }
    int n = ReadCapture(&ring_[w * kBlockSamples], kBlockFrames);
    if (n == kBlockFrames) {
      std::lock_guard<std::mutex> ring(ring_mutex_);
      int next = (w + 1) % kBlocks;
      if (next == read_index_) {
        // The newest block goes: the ones already queued are older audio.
        DiagPrintf("record buffer full, data lost");
        ++dropped_;
      } else {
        write_index_ = next;
      }
    } else {
      DiagPrintf("SoundCard_ReceiveSamples failed = %d", n);
      Lock lock(capture_.Mutex());
      capture_.WaitFor(lock, std::chrono::seconds(1));
    }
    Lock lock(capture_.Mutex());
    int cmd = capture_.Peek();
    if (cmd == kCmdRun) capture_.Take(lock);
    if (cmd == kCmdPause || cmd == kCmdExit) return;
  }
}

bool Record::TakeBlock(int* index) {
  std::lock_guard<std::mutex> ring(ring_mutex_);
  if (read_index_ == write_index_) return false;
  *index = read_index_;
  return true;
}

void Record::WriterThread() {
  Lock lock(writer_.Mutex());
  writer_.SetState(lock, kIdle);
  for (;;) {
    int cmd = writer_.Wait(lock);
    writer_.Take(lock);
    if (cmd == kCmdExit) return;
    if (cmd == kCmdPause) {
      if (writer_.StateLocked() != kFailed) writer_.SetState(lock, kIdle);
      continue;
    }
    if (writer_.StateLocked() != kFailed) writer_.SetState(lock, kWriting);
    for (;;) {
      int pending = writer_.Peek();
      if (pending == kCmdRun) {
        writer_.Take(lock);
        continue;
      }
      int index;
      if (!TakeBlock(&index)) {
        if (pending != CommandChannel::kNone) break;  // drained: the command waits outside
        writer_.WaitFor(lock, std::chrono::milliseconds(100));
        continue;
      }
      bool failed = writer_.StateLocked() == kFailed;
      lock.unlock();
      int err = failed ? 0 : (Channels() == 1 ? WriteMono(&ring_[index * kBlockSamples])
                                              : Write(&ring_[index * kBlockSamples], kBlockFrames));
      lock.lock();
      {
        std::lock_guard<std::mutex> ring(ring_mutex_);
        read_index_ = (read_index_ + 1) % kBlocks;
      }
      if (err < 0) {
        error_ = err;
        writer_.SetState(lock, kFailed);
      }
    }
  }
}

int Record::WriteMono(const short* block) {
  // The built-in microphone is wired to the right channel, the jack's to the left.
  int n = mic_.Take(block, kBlockFrames, route_ == 1 ? 1 : 0);
  return n > 0 ? Write(mic_.Out(), n) : 0;
}
