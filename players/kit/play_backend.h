// What a player thread needs from the decoder, and the sound seam it writes
// to. The firmware uses the process-wide streaming decoder and the sound
// card; the tests put a scripted source and a recording sink in their place.
#pragma once

#include "speech/tts_output.h"

class PlayBackend : public SoundSink {
 public:
  // Opens a file for decoding; fills rate, channels (1 or 2) and length.
  // Negative on failure. Play thread.
  virtual int Open(const char* path, int* rate, int* channels, int* totalMs) = 0;
  // Opens an input read through the caller (an archive member): read gives
  // bytes (0 at the end), seek works like lseek; `name` only names it. -1
  // where the backend reads files only. Play thread.
  virtual int OpenStream(const char* name, void* opaque, int (*read)(void*, unsigned char*, int),
                         long long (*seek)(void*, long long, int), int* rate, int* channels,
                         int* totalMs) {
    (void)name, (void)opaque, (void)read, (void)seek, (void)rate, (void)channels, (void)totalMs;
    return -1;
  }
  // Closes the open file. Play thread.
  virtual int Close() = 0;
  // Up to `bytes` of 16-bit interleaved PCM; 0 at the end; *curMs is the
  // time of the next unread frame. Play thread.
  virtual int Read(void* buf, int bytes, int* curMs) = 0;
  // Moves the read position; direction <0 key point at or before, 0 any,
  // >0 at or after. A seek into the last second ends the file. Whichever
  // thread owns the decoder at that moment (the window only while the play
  // thread is paused, stopped or ended).
  virtual int Seek(int ms, int direction) = 0;
  // Position in ms; the length once the end is reached; -1 with no file.
  virtual int CurMs() = 0;
  // Audio streams of the open file, the selected ordinal, and choosing one
  // (reopens at the same time). Window, while the thread is paused.
  virtual int StreamCount() = 0;
  virtual int CurStream() = 0;
  virtual int SelectStream(int ordinal) = 0;
  // Rate and channels (1 or 2) the open file now decodes to; a stream switch
  // may change them. -1 when unknown. Play thread.
  virtual int Format(int* rate, int* channels) {
    (void)rate;
    (void)channels;
    return -1;
  }

  // Length of a file in ms without disturbing playback bookkeeping; only
  // while no file is open. Negative when unknown. Loop thread.
  virtual int DurationMs(const char* path) = 0;
};

// The decoder and sound card of the firmware.
PlayBackend& DefaultPlayBackend();
// The backend the players start their threads with: the firmware's, unless
// a test put another in place before the first player opened.
PlayBackend& PlayersBackend();
void SetPlayersBackend(PlayBackend* backend);
