#include "record/engine/record_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/diag.h"
#include "platform/board.h"

namespace {

const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
const int kBitRates[] = {32, 48, 64, 96, 128, 192, 256, 320};
constexpr int kChunk = 4096;  // frames per encoder call

template <size_t N>
bool InList(const int (&list)[N], int v) {
  return std::find(std::begin(list), std::end(list), v) != std::end(list);
}

void Le32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Le16(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

}  // namespace

RecordFile::~RecordFile() {
  if (IsOpen()) RecordFile::Close();
}

int RecordFile::SetFileFormat(int format) {
  if (IsOpen() || (format != kWav && format != kMp3)) return -1;
  format_ = format;
  return 0;
}

int RecordFile::SetChannels(int channels) {
  if (IsOpen() || (channels != 1 && channels != 2)) return -1;
  channels_ = channels;
  return 0;
}

int RecordFile::SetSampleRate(int rate) {
  if (IsOpen() || !InList(kRates, rate)) return -1;
  rate_ = rate;
  return 0;
}

int RecordFile::SetBitRate(int kbps) {
  if (IsOpen() || !InList(kBitRates, kbps)) return -1;
  kbps_ = kbps;
  return 0;
}

int RecordFile::WriteAll(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -3;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

// Written in place at the start, sizes from the bytes written so far.
int RecordFile::WriteWavHeader() {
  unsigned char h[44];
  uint32_t data = static_cast<uint32_t>(std::min<int64_t>(bytes_ - 44, 0xFFFFFFF0));
  memcpy(h, "RIFF", 4);
  Le32(h + 4, data + 36);
  memcpy(h + 8, "WAVEfmt ", 8);
  Le32(h + 16, 16);
  Le16(h + 20, 1);
  Le16(h + 22, channels_);
  Le32(h + 24, rate_);
  Le32(h + 28, rate_ * channels_ * 2);
  Le16(h + 32, channels_ * 2);
  Le16(h + 34, 16);
  memcpy(h + 36, "data", 4);
  Le32(h + 40, data);
  ssize_t n = pwrite(fd_, h, sizeof h, 0);
  return n == static_cast<ssize_t>(sizeof h) ? 0 : -3;
}

int RecordFile::Open(const char* path) {
  if (!path || IsOpen()) return -1;
  if (format_ == kMp3 && mp3_.Open(channels_, rate_, kbps_, 9) < 0) return -1;
  fd_ = BOpen(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    mp3_.Close();
    return -2;
  }
  bytes_ = 0;
  path_ = path;
  if (format_ == kWav) {
    bytes_ = 44;
    if (WriteWavHeader() < 0) {
      // Nothing was recorded: an empty file would only sit in the listing.
      close(fd_);
      fd_ = -1;
      BUnlink(path);
      return -3;
    }
    lseek(fd_, 44, SEEK_SET);
  }
  return 0;
}

int RecordFile::WriteMp3(const short* samples, int frames) {
  for (int done = 0; done < frames;) {
    int n = std::min(kChunk, frames - done);
    const short* left = samples + static_cast<size_t>(done) * channels_;
    const short* right = left;
    if (channels_ == 2) {
      for (int i = 0; i < n; i++) {
        left_[i] = left[2 * i];
        right_[i] = left[2 * i + 1];
      }
      left = left_.data();
      right = right_.data();
    }
    int out = mp3_.Encode(left, right, n, mp3_out_.data(), mp3_out_.size());
    if (out < 0) return -3;
    if (out > 0 && WriteAll(mp3_out_.data(), static_cast<size_t>(out)) < 0) return -3;
    bytes_ += out;
    done += n;
  }
  return 0;
}

int RecordFile::Write(const short* samples, int frames) {
  if (!IsOpen() || !samples || frames <= 0) return -1;
  if (format_ == kMp3) return WriteMp3(samples, frames);
  size_t size = static_cast<size_t>(frames) * channels_ * 2;
  // A partial block is still counted: what reached the disk stays playable.
  off_t before = lseek(fd_, 0, SEEK_CUR);
  int r = WriteAll(samples, size);
  off_t after = lseek(fd_, 0, SEEK_CUR);
  if (after > before) bytes_ += (after - before) / (channels_ * 2) * (channels_ * 2);
  if (WriteWavHeader() < 0) r = -3;
  return r;
}

int RecordFile::Close() {
  if (!IsOpen()) return -1;
  if (format_ == kMp3) {
    int out = mp3_.Flush(mp3_out_.data(), mp3_out_.size());
    if (out > 0 && WriteAll(mp3_out_.data(), static_cast<size_t>(out)) == 0) bytes_ += out;
    mp3_.Close();
  } else {
    WriteWavHeader();
  }
  close(fd_);
  fd_ = -1;
  // An MP3 that got no byte (a full disk) does not play: it is not kept.
  if (format_ == kMp3 && bytes_ == 0) BUnlink(path_.c_str());
  return 0;
}
