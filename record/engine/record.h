// The recording engine: a capture thread fills a ring of blocks from the
// sound card's capture stream, a writing thread takes them into the file,
// with optional noise suppression of microphone recordings. One instance
// serves the recorder window, the radio and anything else that records.
// Control calls come from the loop thread; they block until the threads have
// taken their commands.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/command_channel.h"
#include "record/engine/mic_channel.h"
#include "record/engine/record_file.h"

class Record : public RecordFile {
 public:
  static constexpr int kBlocks = 16;
  static constexpr int kBlockFrames = 8192;  // stereo frames
  enum Command { kCmdRun = 1, kCmdPause = 2, kCmdExit = 3 };
  enum WriterState { kNoThreads = 0, kIdle = 1, kWriting = 2, kFailed = 4 };

  Record();
  ~Record() override;

  // route 1 built-in mic, 2 external mic, 3 line in, 4 FM; format 0 WAV,
  // 1 MP3. 0, the error of Open, or -1 (null path, already recording, the
  // threads or the capture stream cannot be started).
  int Start(const char* path, int route, int volume, int format, int rate, int kbps, bool noise);
  // Begins filling the ring (after the start beep).
  int Start2();
  int Pause();
  int Continue();
  // Ends the recording; every block captured so far reaches the file.
  int Stop();

  // The writer's last error (0 none; -3 the disk is full).
  int GetErrorCode();
  bool IsRecording() const { return recording_; }
  bool IsPaused() const { return paused_; }
  int Route() const { return route_; }
  // Blocks the capture thread overwrote because the ring was full.
  int DroppedBlocks() const { return dropped_; }

 protected:
  // The capture stream (overridden by tests), used by the capture thread
  // only. Open: 0 or negative; Read: frames read or negative.
  virtual int OpenCapture(int rate);
  virtual int ReadCapture(short* samples, int frames);
  virtual void CloseCapture();
  virtual void SetCaptureInput(int route, int volume);

 private:
  void CaptureThread();
  void CaptureBlocks();
  void WriterThread();
  int WriteMono(const short* block);
  bool TakeBlock(int* index);
  void Send(CommandChannel& ch, int cmd);
  // Sends a run command to the capture thread: the error of opening the
  // stream when it did, else 0.
  int RunCapture();
  void ResetRing();
  int StartThreads();
  void JoinThreads();

  std::vector<short> ring_;
  std::mutex ring_mutex_;
  int write_index_ = 0;
  int read_index_ = 0;

  int route_ = 1;
  int volume_ = 50;
  int warmup_ = 2048;
  MicChannel mic_;

  CommandChannel capture_;
  CommandChannel writer_{kNoThreads};
  std::thread capture_thread_;
  std::thread writer_thread_;
  int capture_error_ = 0;  // under the capture mutex
  int error_ = 0;
  std::atomic<int> dropped_{0};
  bool recording_ = false;
  bool paused_ = false;
};

// The process-wide instance.
Record& TheRecord();
