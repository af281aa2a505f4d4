// A recording on disk: a 16-bit PCM WAV file or an MP3 stream. The WAV
// header is brought up to date after every write, so whatever reached the
// disk before a power cut is a playable file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/lib/lame/mp3_encoder.h"
#include "core/lib/no_copy.h"

class RecordFile : NoCopy {
 public:
  enum Format { kWav = 0, kMp3 = 1 };

  RecordFile() = default;
  virtual ~RecordFile();

  // 0, or -1 for a value outside the lists or while a file is open.
  int SetFileFormat(int format);
  int SetChannels(int channels);
  int SetSampleRate(int rate);
  int SetBitRate(int kbps);

  // 0; -1 the MP3 encoder cannot be set up; -2 the file cannot be created;
  // -3 the WAV header cannot be written.
  virtual int Open(const char* path);
  // Interleaved frames of the file's channel count. 0; -1 no file, null
  // buffer or no frames; -3 short write (the disk is full).
  virtual int Write(const short* samples, int frames);
  // 0, or -1 when no file is open.
  virtual int Close();

  bool IsOpen() const { return fd_ >= 0; }
  int FileFormat() const { return format_; }
  int Channels() const { return channels_; }
  int SampleRate() const { return rate_; }
  int BitRate() const { return kbps_; }
  int64_t BytesWritten() const { return bytes_; }

 private:
  int WriteAll(const void* data, size_t size);
  int WriteWavHeader();
  int WriteMp3(const short* samples, int frames);

  int format_ = kWav;
  int channels_ = 1;
  int rate_ = 16000;
  int kbps_ = 64;
  int fd_ = -1;
  int64_t bytes_ = 0;
  std::string path_;
  Mp3Encoder mp3_;
  std::vector<unsigned char> mp3_out_ = std::vector<unsigned char>(65536);
  std::vector<short> left_ = std::vector<short>(4096);
  std::vector<short> right_ = std::vector<short>(4096);
};
