// Reception and transmission on either board, and the seek thread.
#include <unistd.h>

#include <cstdio>
#include <system_error>
#include <thread>

#include "audio/soundcard.h"
#include "core/base/command_channel.h"
#include "core/base/diag.h"
#include "core/ui/system_settings.h"
#include "platform/board_profile.h"
#include "radio/fm_state.h"
#include "radio/fm_tuner.h"
#include "radio/radio.h"

namespace {

enum { kCmdStart = 1, kCmdCancel = 2 };

class SeekThread {
 public:
  int Start(int mode) {
    // One thread for the life of the process, as the other workers: a second
    // one would take the cancel meant for the first and drop it.
    if (!started_) {
      try {
        std::thread(&SeekThread::Run, this).detach();
        started_ = true;
      } catch (const std::system_error&) {
        return -1;
      }
    }
    CommandChannel::Lock lock(ch_.Mutex());
    mode_ = mode;
    cancelled_ = false;
    ch_.SetState(lock, SEEK_BUSY);
    ch_.Send(lock, kCmdStart);
    return 0;
  }
  int Cancel() {
    CommandChannel::Lock lock(ch_.Mutex());
    if (ch_.StateLocked() != SEEK_BUSY) return ch_.StateLocked();
    ch_.Send(lock, kCmdCancel);
    ch_.WaitUntil(lock, [this] { return ch_.StateLocked() != SEEK_BUSY; });
    return ch_.StateLocked();
  }
  int State() { return ch_.State(); }
  bool Cancelled() {
    CommandChannel::Lock lock(ch_.Mutex());
    return cancelled_;
  }

 private:
  // Thread: one seek, scan or tune per start command.
  void Run() {
    CommandChannel::Lock lock(ch_.Mutex());
    for (;;) {
      int cmd = ch_.Wait(lock);
      ch_.Take(lock);
      if (cmd != kCmdStart) continue;
      int mode = mode_;
      lock.unlock();
      int state = Work(mode);
      lock.lock();
      if (ch_.Peek() == kCmdCancel) ch_.Take(lock);  // came after the last test: nothing to end
      ch_.SetState(lock, state);
    }
  }
  bool CancelPending() {
    CommandChannel::Lock lock(ch_.Mutex());
    if (ch_.Peek() != kCmdCancel) return false;
    ch_.Take(lock);
    cancelled_ = true;
    return true;
  }
  int Work(int mode) {
    if (mode == 0) return BoardTuner().Tune(ChannelKhz(g_Fm.channel)) < 0 ? SEEK_NO_BUS : SEEK_DONE;
    RunSeek(mode, [this] { return CancelPending(); });
    return SEEK_DONE;
  }

  CommandChannel ch_{SEEK_IDLE};
  bool started_ = false;  // loop thread only
  int mode_ = 0;
  bool cancelled_ = false;
};

SeekThread& Seeker() {
  static SeekThread* t = new SeekThread();
  return *t;
}

}  // namespace

void RunSeek(int mode, const FmTuner::Cancelled& cancelled) {
  FmTuner& tuner = BoardTuner();
  if (mode == kSeekScan) {
    tuner.Scan(g_Fm.preset, cancelled);
    int lowest = LowestPreset(g_Fm);
    g_Fm.channel = lowest < 0 ? FirstChannel() : lowest;
    return;
  }
  int c = tuner.Seek(g_Fm.channel, mode, cancelled);
  if (c < 0) return;
  g_Fm.channel = c;
  g_Fm.preset[c] = 1;
}

int StartRadioSeek(int mode) { return Seeker().Start(mode); }
int CancelRadioSeek() { return Seeker().Cancel(); }
int RadioSeekState() { return Seeker().State(); }
bool RadioSeekCancelled() { return Seeker().Cancelled(); }

bool IsFmRxRunning() { return g_FmState == 1; }
bool IsFmTxRunning() { return g_FmState == 2; }

int StarFmTx(int freq_10khz) {
  if (!board::Profile().fm_transmitter) return -1;
  if (g_FmState == 2) return 0;
  if (g_FmState == 1) StopFm();
  if (BoardTuner().OpenTransmit() < 0) {
    DiagPrintf("FmOpenForTx() failed");
    return -1;
  }
  g_FmState = 2;
  BoardTuner().Tune(freq_10khz * 10);
  SoundCard_LopSwitch(true);  // the line output feeds the transmitter
  return 0;
}

int StartFmReceive() {
  if (g_FmState == 1) return 0;
  if (g_FmState == 2) StopFm();
  if (BoardTuner().OpenReceive() < 0) {
    printf("FmOpenForRx() failed\n");
    return -1;
  }
  g_FmState = 1;
  return 0;
}

int StopFm() {
  BoardTuner().Close();
  if (g_FmState == 2) {
    SoundCard_LopSwitch(false);
    // Whoever stopped it (the radio opening, a recording, power-off), the
    // setting says what the transmitter does.
    g_SystemSettings.fm_send = false;
  }
  g_FmState = 0;
  return 0;
}
