// AudioDecode: sample-oriented reads over the packet decoder, and the
// synchronous prompt player built on it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/decoder.h"
#include "audio/soundcard.h"

AudioDecode::AudioDecode() : m_ctx(nullptr) {
  FFMpegDecode_Register();
  m_ctx = FFMpegDecode_New();
}

AudioDecode::~AudioDecode() {
  FFMpegDecode_Delete(m_ctx);
  free(m_scratch);
}

int AudioDecode::SetUserReadFileFun(int use, void* opaque, FFMpegReadFun read, FFMpegSeekFun seek) {
  return FFMpegDecode_SetUserReadFileFun(m_ctx, use, opaque, read, seek);
}

int AudioDecode::SetSwr(int rate, unsigned channels) {
  bool on = rate > 0 && (channels == 1 || channels == 2);
  m_swr_rate = on ? (unsigned)rate : 0;
  m_swr_channels = on ? channels : 0;
  return FFMpegDecode_SetSwr(m_ctx, rate, channels);
}

int AudioDecode::Open(const char* filename, unsigned& rate, unsigned& channels, unsigned& total_ms) {
  int r = FFMpegDecode_Open(m_ctx, filename, -1, 1);
  if (r < 0) {
    printf("FFMpegDecode_Open(%s) = %d\n", filename ? filename : "(null)", r);
    return r;
  }
  int src_rate = 0, src_channels = 0;
  int64_t duration_us = 0;
  FFMpegDecode_GetInfo(m_ctx, &src_rate, &src_channels, &duration_us, &m_streams, &m_cur_stream);
  // What Read delivers: the resampling target when one is set.
  m_rate = m_swr_rate ? m_swr_rate : (unsigned)src_rate;
  m_channels = m_swr_channels ? m_swr_channels : (unsigned)src_channels;
  m_total_ms = (unsigned)(duration_us / 1000);
  m_halve = m_rate > 96000;
  if (m_halve) m_rate /= 2;
  m_pcm = nullptr;
  m_pcm_len = m_pcm_off = 0;
  m_packet_ms = 0;
  m_phase = 0;
  rate = m_rate;
  channels = m_channels;
  total_ms = m_total_ms;
  return 0;
}

int AudioDecode::OriginalRead(short* buf, unsigned samples, int& cur_ms) {
  if (!buf || samples == 0) return -1;
  unsigned copied = 0;
  bool timed = false;
  while (copied < samples) {
    if (m_pcm_off >= m_pcm_len) {
      int len = 0, ms = 0;
      short* pcm = nullptr;
      int r = FFMpegDecode_DecodeOnePacket(m_ctx, &pcm, &len, &ms);
      if (r < 0) {
        if (r == -3) {
          m_packet_ms = (int)m_total_ms;  // at the end the time is the duration
          m_pcm_len = m_pcm_off = 0;
          if (!timed) cur_ms = m_packet_ms;
        }
        if (copied > 0 || r == -3) return (int)copied;
        return r;
      }
      m_pcm = pcm;
      m_pcm_len = len;
      m_pcm_off = 0;
      m_packet_ms = ms;
      continue;
    }
    if (!timed) {
      unsigned per_second = (m_halve ? m_rate * 2 : m_rate) * m_channels;
      cur_ms = (int)((long long)m_pcm_off * 1000 / (per_second ? per_second : 1)) + m_packet_ms;
      timed = true;
    }
    unsigned n = (unsigned)(m_pcm_len - m_pcm_off);
    if (n > samples - copied) n = samples - copied;
    memcpy(buf + copied, m_pcm + m_pcm_off, n * sizeof(short));
    m_pcm_off += (int)n;
    copied += n;
  }
  return (int)copied;
}

int AudioDecode::Read(short* buf, unsigned samples, int& cur_ms) {
  if (!buf || samples == 0) return -1;
  if (!m_halve) return OriginalRead(buf, samples, cur_ms);
  // Above 96 kHz: read twice as much and keep every second frame.
  unsigned need = samples * 2;
  if (need > m_scratch_cap) {
    auto* grown = static_cast<short*>(realloc(m_scratch, need * sizeof(short)));
    if (!grown) return -2;
    m_scratch = grown;
    m_scratch_cap = need;
  }
  int n = OriginalRead(m_scratch, need, cur_ms);
  if (n <= 0) return n;
  unsigned ch = m_channels ? m_channels : 1;
  unsigned frames = (unsigned)n / ch, out = 0;
  for (unsigned f = 0; f < frames; f++, m_phase ^= 1) {
    if (m_phase) continue;
    for (unsigned c = 0; c < ch; c++) buf[out++] = m_scratch[f * ch + c];
  }
  return (int)out;
}

int AudioDecode::Seek(int ms) {
  m_pcm_len = m_pcm_off = 0;
  m_phase = 0;
  return FFMpegDecode_Seek(m_ctx, ms);
}

int AudioDecode::SetStreamIndex(int ordinal) {
  m_pcm_len = m_pcm_off = 0;
  m_phase = 0;
  int r = FFMpegDecode_SetStreamIndex(m_ctx, ordinal);
  if (r == 0) FFMpegDecode_GetInfo(m_ctx, nullptr, nullptr, nullptr, &m_streams, &m_cur_stream);
  return r;
}

int AudioDecode::Close() { return FFMpegDecode_Close(m_ctx); }

int PlayAudioAndWaitEnd(const char* path, int rate, int channels) {
  if (!path) return -1;
  AudioDecode decode;
  if (rate >= 1 && (channels == 1 || channels == 2)) decode.SetSwr(rate, (unsigned)channels);
  unsigned r = 0, c = 0, total = 0;
  int err = decode.Open(path, r, c, total);
  if (err < 0) {
    fprintf(stderr, "decode->Open(%s) = %d", path, err);
    return -2;
  }
  unsigned ch = c == 1 ? 1 : 2;
  if (SoundCard_Init(false, ch, r, 500000) < 0) return -3;
  short buf[2048];
  int cur_ms = 0, n;
  while ((n = decode.Read(buf, 2048, cur_ms)) > 0) {
    // The card already retried and recovered what it could: the rest of
    // the prompt would be lost the same way.
    if (SoundCard_PutSamples(buf, n / (int)ch) < 0) {
      fprintf(stderr, "%s: the sound card refused the prompt\n", path);
      return -3;
    }
  }
  decode.Close();
  if (SoundCard_Flush() < 0) fprintf(stderr, "%s: the prompt's tail may be cut short\n", path);
  SoundCard_WaitBufferFinished();
  return 0;
}
