// Reception and transmission on either board, and the seek thread.
#include <unistd.h>

#include <system_error>
#include <thread>

#include "audio/soundcard.h"
#include "core/base/activity.h"
#include "core/base/command_channel.h"
#include "core/base/diag.h"
#include "core/ui/system_settings.h"
#include "radio/fm_chips.h"
#include "radio/fm_state.h"
#include "radio/radio.h"

namespace {

enum { kCmdStart = 1, kCmdCancel = 2 };

bool Ar1019Board() { return g_HwVersion == 1; }
int Freq10k(int channel) { return channel * 10 + 8700; }

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
    if (mode == 0) return FmSetFreq(Freq10k(g_Fm.channel)) < 0 ? SEEK_NO_BUS : SEEK_DONE;
    if (mode == 2) {
      for (int c = 0; c < kFmChannels && !CancelPending(); c++) {
        int valid = RDA5820_ValidStop(Freq10k(c));
        if (valid) g_Fm.preset[c] = 1;
      }
      int lowest = LowestPreset(g_Fm);
      g_Fm.channel = lowest < 0 ? FirstChannel() : lowest;
      return SEEK_DONE;
    }
    // A seek over an empty band takes half a minute: a cancel is looked for
    // before every test, so that closing the radio never waits for it.
    int c = g_Fm.channel;
    for (int n = 0; n < kFmChannels - 1 && !CancelPending(); n++) {
      c = StepChannel(c, mode);
      if (RDA5820_ValidStop(Freq10k(c))) {
        g_Fm.channel = c;
        g_Fm.preset[c] = 1;
        break;
      }
    }
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

int StartRadioSeek(int mode) { return Seeker().Start(mode); }
int CancelRadioSeek() { return Seeker().Cancel(); }
int RadioSeekState() { return Seeker().State(); }
bool RadioSeekCancelled() { return Seeker().Cancelled(); }

bool IsFmRxRunning() { return g_FmState == 1; }
bool IsFmTxRunning() { return g_FmState == 2; }

int StarFmTx(int freq_10khz) {
  if (Ar1019Board()) return -1;
  if (g_FmState == 2) return 0;
  if (g_FmState == 1) StopFm();
  if (FmOpenForTx() < 0) {
    DiagPrintf("FmOpenForTx() failed");
    return -1;
  }
  g_FmState = 2;
  FmSetFreq(freq_10khz);
  SoundCard_LopSwitch(true);  // the line output feeds the transmitter
  return 0;
}

int StopFm() {
  if (Ar1019Board()) {
    ar1019_pd();
  } else {
    FmClose();
    if (g_FmState == 2) {
      SoundCard_LopSwitch(false);
      // Whoever stopped it (the radio opening, a recording, power-off), the
      // setting says what the transmitter does.
      g_SystemSettings.fm_send = false;
    }
  }
  g_FmState = 0;
  return 0;
}
