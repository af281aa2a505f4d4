// Audio file decoding over FFmpeg into 16-bit interleaved PCM (at most two
// channels). Two decoders share one sample-conversion rule:
//  - the streaming decoder ff_audio_*: one process-wide instance used by the
//    players in turn (no locks; users must not overlap);
//  - the packet decoder FFMpegDecode_* (one context per user) wrapped by
//    AudioDecode, which can read through callbacks and resample.
#pragma once

#include <cstdint>

// --- Streaming decoder -----------------------------------------------------

// Registers FFmpeg and allocates the single instance; later calls do nothing. 0 or -1.
int ff_audio_init();
// Opens path (null = the remembered name) at start_ms, selecting audio stream
// ordinal `stream` (-1 = the best one); dump != 0 prints the format dump.
// -1 no state/name, -2 already open, -3 out of memory, -4 open, -5 stream
// info, -6 no audio stream, -7 no decoder, -8 decoder open failed.
int ff_audio_open(const char* path, int start_ms, int dump, int stream);
// ff_audio_open(path, -1, 1, -1) and fills rate, channels (1 or 2) and
// duration; each pointer may be null.
int ff_audio_open_file(const char* path, int* rate, int* channels, int* total_ms);
// ff_audio_open_file over the caller's reads (a member of an archive, never
// unpacked): read and seek as for FFMpegDecode_SetUserReadFileFun, `name`
// only names the input. Reopening (a stream switch) reads it again from its
// start. Negative as ff_audio_open.
typedef int (*FFMpegReadFun)(void* opaque, unsigned char* buf, int size);
typedef long long (*FFMpegSeekFun)(void* opaque, long long offset, int whence);
int ff_audio_open_stream(const char* name, void* opaque, FFMpegReadFun read, FFMpegSeekFun seek,
                         int* rate, int* channels, int* total_ms);
// -1 without state, 0 otherwise. Keeps the PCM buffer for the next file.
int ff_audio_close();
// Up to `bytes` bytes of PCM; 0 at the end; -1 bad argument or nothing open.
int ff_audio_read(void* buf, int bytes);
// ff_audio_read, also giving the time of the next unread frame (the
// duration once the end is reached).
int ff_audio_read2(void* buf, int bytes, int* cur_ms);
// Seeks to ms; direction > 0 key points at/after, 0 any, < 0 at/before.
// A seek into the last second ends the file. 0 or -1.
int ff_audio_seek(int ms, int direction);
int ff_audio_get_cur_ms();
int ff_audio_get_total_audio_streams();
int ff_audio_get_cur_select_stream();
// Reopens the file on another audio stream at the same time. -1 when not possible.
int ff_audio_set_cur_select_stream(int ordinal);
// Rate and channels (1 or 2) of what reads return now; a stream switch may
// change them. 0, or -1 with nothing open.
int ff_audio_get_format(int* rate, int* channels);
// Duration in ms through the single instance (-2 while a file is open).
int get_audio_total_ms(const char* path);
// Duration of an MP3 from its first frame header alone; -1 when unknown.
int fast_get_mp3_total_ms(const char* path);

// --- Packet decoder --------------------------------------------------------

struct FFMpegDecode;

int FFMpegDecode_Register();
FFMpegDecode* FFMpegDecode_New();
int FFMpegDecode_Delete(FFMpegDecode* ctx);
// Resampling target for the next open; rate <= 0 or channels not 1/2 = off.
int FFMpegDecode_SetSwr(FFMpegDecode* ctx, int rate, unsigned channels);
// Reads the next open through the caller: read returns the bytes given (0 or
// less at the end), seek works like lseek (SEEK_SET/CUR/END) and returns the
// new offset or a negative value; seek may be null for unseekable input.
int FFMpegDecode_SetUserReadFileFun(FFMpegDecode* ctx, int use, void* opaque,
                                    FFMpegReadFun read, FFMpegSeekFun seek);
// -1 bad argument, -2 open twice, -3 user I/O, -4..-8 as ff_audio_open.
int FFMpegDecode_Open(FFMpegDecode* ctx, const char* path, int stream, int dump);
// One packet's PCM (owned by ctx, valid until the next call): *samples is
// its length in 16-bit samples, *packet_ms its start. 0, -3 at the end, -4 no memory.
int FFMpegDecode_DecodeOnePacket(FFMpegDecode* ctx, short** pcm, int* samples, int* packet_ms);
int FFMpegDecode_Seek(FFMpegDecode* ctx, int ms);
int FFMpegDecode_SetStreamIndex(FFMpegDecode* ctx, int ordinal);
int FFMpegDecode_GetInfo(FFMpegDecode* ctx, int* rate, int* channels, int64_t* duration_us,
                         unsigned* stream_count, unsigned* current_stream);
int FFMpegDecode_GetInfoFromFile(const char* path, int* rate, int* channels, int64_t* duration_us,
                                 unsigned* stream_count, unsigned* current_stream);
int FFMpegDecode_Close(FFMpegDecode* ctx);

// A packet decoder for one thread: sample-oriented reads, halving of rates
// above 96 kHz, optional resampling.
class AudioDecode {
 public:
  AudioDecode();
  virtual ~AudioDecode();
  AudioDecode(const AudioDecode&) = delete;
  AudioDecode& operator=(const AudioDecode&) = delete;

  int SetUserReadFileFun(int use, void* opaque, FFMpegReadFun read, FFMpegSeekFun seek);
  int SetSwr(int rate, unsigned channels);
  // The FFMpegDecode_Open result; fills the rate (halved above 96 kHz),
  // channels and duration in ms.
  int Open(const char* filename, unsigned& rate, unsigned& channels, unsigned& total_ms);
  // Up to `samples` 16-bit samples; returns the count, 0 at the end, -1 bad argument.
  int Read(short* buf, unsigned samples, int& cur_ms);
  // Read without the halving.
  int OriginalRead(short* buf, unsigned samples, int& cur_ms);
  int Seek(int ms);
  int SetStreamIndex(int ordinal);
  int Close();

 private:
  FFMpegDecode* m_ctx;
  unsigned m_swr_rate = 0;  // resampling target; 0 = off
  unsigned m_swr_channels = 0;
  unsigned m_rate = 16000;
  unsigned m_channels = 1;
  unsigned m_total_ms = 0;
  unsigned m_streams = 0;
  unsigned m_cur_stream = 0;
  int m_packet_ms = 0;
  short* m_pcm = nullptr;
  int m_pcm_len = 0;
  int m_pcm_off = 0;
  bool m_halve = false;
  unsigned m_phase = 0;  // 1 while the next frame is one the halving drops
  short* m_scratch = nullptr;
  unsigned m_scratch_cap = 0;
};

// Plays a short prompt file synchronously (resampled to rate/channels when
// rate >= 1 and channels is 1 or 2). 0, -1 null path, -2 cannot open,
// -3 the sound card failed.
int PlayAudioAndWaitEnd(const char* path, int rate, int channels);
