// A synthesis worker: a copy of the program started by the engine, running
// the synthesiser with its global state to itself. It enters from a
// constructor before main() when the worker variable is set, serves one
// socket and never returns into the program.
#include <espeak-ng/speak_lib.h>
#include <poll.h>
#include <signal.h>
#include <speex/speex_resampler.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "speech/engine_protocol.h"
#include "speech/engine_worker.h"

namespace {

using namespace ttsproto;

// The synthesiser calls back with blocks of this length.
constexpr int kBlockMs = 40;

struct WorkerState {
  int fd = -1;
  int rate = 0;  // the synthesiser's own sample rate
  SpeexResamplerState* resampler = nullptr;
  std::string voice;
  uint32_t id = 0;
  bool cancelled = false;
  bool broken = false;  // the engine went away
  std::vector<int16_t> out;
};

WorkerState* g_state = nullptr;

bool SendStatus(uint32_t type, uint32_t id, int32_t status, const std::string& text) {
  return SendMsg2(g_state->fd, type, id, &status, sizeof status, text.data(),
                  static_cast<uint32_t>(text.size()));
}

void Drop(uint32_t length) {
  char buf[512];
  while (length > 0) {
    uint32_t n = length < sizeof buf ? length : sizeof buf;
    if (!RecvAll(g_state->fd, buf, n)) {
      g_state->broken = true;
      return;
    }
    length -= n;
  }
}

// Looks for a cancel of the current utterance without blocking.
bool CancelPending() {
  WorkerState& s = *g_state;
  for (;;) {
    pollfd p{s.fd, POLLIN, 0};
    int r = poll(&p, 1, 0);
    if (r <= 0) return s.cancelled;
    if (p.revents & (POLLHUP | POLLERR)) {
      s.broken = true;
      return true;
    }
    Header h;
    if (!RecvAll(s.fd, &h, sizeof h)) {
      s.broken = true;
      return true;
    }
    Drop(h.length);
    if (s.broken) return true;
    if (h.type == kCancel && h.id == s.id) s.cancelled = true;
  }
}

bool SendSamples(const int16_t* samples, size_t count) {
  if (count == 0) return true;
  return SendMsg(g_state->fd, kAudio, g_state->id, samples,
                 static_cast<uint32_t>(count * sizeof(int16_t)));
}

bool SendSilence(int ms) {
  if (ms <= 0) return true;
  std::vector<int16_t> zeros(static_cast<size_t>(ms) * 16, 0);
  return SendSamples(zeros.data(), zeros.size());
}

// Converts a block to 16 kHz and sends it.
bool Emit(const int16_t* in, size_t count) {
  WorkerState& s = *g_state;
  if (!s.resampler) return SendSamples(in, count);
  s.out.resize(count * 16000 / static_cast<size_t>(s.rate) + 64);
  while (count > 0) {
    spx_uint32_t inLen = static_cast<spx_uint32_t>(count);
    spx_uint32_t outLen = static_cast<spx_uint32_t>(s.out.size());
    speex_resampler_process_int(s.resampler, 0, in, &inLen, s.out.data(), &outLen);
    if (!SendSamples(s.out.data(), outLen)) return false;
    if (inLen == 0 && outLen == 0) break;
    in += inLen;
    count -= inLen;
  }
  return true;
}

// Pushes the resampler's delayed tail out.
bool FlushResampler() {
  WorkerState& s = *g_state;
  if (!s.resampler) return true;
  std::vector<int16_t> zeros(static_cast<size_t>(speex_resampler_get_input_latency(s.resampler)), 0);
  bool ok = Emit(zeros.data(), zeros.size());
  speex_resampler_reset_mem(s.resampler);
  speex_resampler_skip_zeros(s.resampler);
  return ok;
}

int OnSynth(short* wav, int count, espeak_EVENT*) {
  WorkerState& s = *g_state;
  if (s.broken || CancelPending()) return 1;
  if (wav && count > 0 && !Emit(wav, static_cast<size_t>(count))) {
    s.broken = true;
    return 1;
  }
  return 0;
}

bool SelectVoice(const char* name, std::string* error) {
  WorkerState& s = *g_state;
  if (s.voice == name) return true;
  if (espeak_SetVoiceByName(name) != EE_OK) {
    s.voice.clear();
    *error = std::string("unknown voice ") + name;
    return false;
  }
  s.voice = name;
  return true;
}

void Speak(uint32_t id, uint32_t length) {
  WorkerState& s = *g_state;
  SpeakParams p;
  if (length < sizeof p) {
    Drop(length);
    SendStatus(kEnd, id, -1, "malformed request");
    return;
  }
  std::vector<char> text(length - sizeof p + 1, '\0');
  if (!RecvAll(s.fd, &p, sizeof p) || !RecvAll(s.fd, text.data(), length - sizeof p)) {
    s.broken = true;
    return;
  }
  p.voice[sizeof p.voice - 1] = '\0';
  s.id = id;
  s.cancelled = false;
  std::string error;
  if (!SelectVoice(p.voice, &error)) {
    SendStatus(kEnd, id, -1, error);
    return;
  }
  espeak_SetParameter(espeakRATE, p.wordsPerMinute, 0);
  espeak_SetParameter(espeakVOLUME, p.volume, 0);
  espeak_SetParameter(espeakPITCH, p.pitch, 0);
  if (!SendSilence(p.leadingMs)) {
    s.broken = true;
    return;
  }
  espeak_ERROR rc = espeak_Synth(text.data(), text.size(), 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                                 nullptr, nullptr);
  if (s.broken) return;
  if (s.cancelled) {
    speex_resampler_reset_mem(s.resampler);
    SendStatus(kEnd, id, 1, "");
    return;
  }
  if (rc != EE_OK) {
    FlushResampler();
    SendStatus(kEnd, id, -1, "synthesis failed");
    return;
  }
  if (!FlushResampler() || !SendSilence(p.trailingMs)) {
    s.broken = true;
    return;
  }
  SendStatus(kEnd, id, 0, "");
}

void Check(uint32_t id, uint32_t length) {
  WorkerState& s = *g_state;
  std::vector<char> name(length + 1, '\0');
  if (!RecvAll(s.fd, name.data(), length)) {
    s.broken = true;
    return;
  }
  std::string error;
  bool ok = SelectVoice(name.data(), &error);
  SendStatus(kChecked, id, ok ? 0 : -1, error);
}

int Serve(int fd) {
  WorkerState state;
  state.fd = fd;
  g_state = &state;
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBlockMs, nullptr,
                               espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) {
    SendStatus(kReady, 0, -1, "speech data not found");
    return 1;
  }
  state.rate = rate;
  if (rate != 16000) {
    int err = 0;
    state.resampler = speex_resampler_init(1, static_cast<spx_uint32_t>(rate), 16000,
                                           SPEEX_RESAMPLER_QUALITY_DEFAULT, &err);
    if (!state.resampler) {
      SendStatus(kReady, 0, -1, "no resampler");
      return 1;
    }
    speex_resampler_skip_zeros(state.resampler);
  }
  espeak_SetSynthCallback(OnSynth);
  if (!SendStatus(kReady, 0, 0, "")) return 1;
  while (!state.broken) {
    Header h;
    if (!RecvAll(fd, &h, sizeof h)) break;
    if (h.length > kMaxPayload) break;
    switch (h.type) {
      case kSpeak: Speak(h.id, h.length); break;
      case kCheck: Check(h.id, h.length); break;
      default: Drop(h.length); break;  // a late cancel of a finished utterance
    }
  }
  espeak_Terminate();
  if (state.resampler) speex_resampler_destroy(state.resampler);
  return 0;
}

// Early, before the program's own static objects are built: a worker needs none.
__attribute__((constructor(101))) void WorkerEntry() {
  const char* v = getenv(kWorkerEnv);
  if (!v || !*v) return;
  int fd = atoi(v);
  // The socket's end tells the worker that the program is gone (a death
  // signal would follow the spawning thread, not the program); a terminal's
  // interrupt is the program's to handle.
  signal(SIGINT, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  _exit(Serve(fd));
}

}  // namespace

const char* TtsWorkerVariable() { return kWorkerEnv; }
