// The speech engine over the synthesis workers: voice handles carry their own
// parameters, a streamer owns one worker for the length of its text.
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "speech/engine_pool.h"
#include "speech/engine_voice_file.h"
#include "speech/tts_engine.h"

using ttsengine::Pool;
using ttsengine::Worker;

struct tts_engine {
  Pool pool;
};

struct tts_voice {
  tts_engine* engine = nullptr;
  std::string synthVoice;
  std::mutex mu;  // parameters may change from another thread than the speaker's
  int volume = 80;
  int durStretch = 60;
  int leadingMs = 0;
  int trailingMs = 0;
  int pitch = 50;
  Worker* last = nullptr;
};

struct tts_streamer {
  tts_voice* voice = nullptr;
  Worker* worker = nullptr;
  uint32_t id = 0;
  std::vector<int16_t> pending;
  size_t pos = 0;
  bool ended = false;
  // Kept so that a worker lost before the first samples can be replaced.
  ttsproto::SpeakParams params{};
  std::string text;
  bool delivered = false;
  bool relaunched = false;
};

namespace {

// Workers started with the engine: one per speech channel.
constexpr int kPrestartedWorkers = 2;
// A worker that does not answer within this time is taken as hung.
constexpr int kAnswerTimeoutMs = 10000;
constexpr int kNormalWordsPerMinute = 175;

thread_local std::string t_error;

void SetError(const std::string& e) { t_error = e; }

// "set:dur_stretch:" to the synthesiser's words per minute: 60 is normal,
// larger values slow down to about 0.6 times, smaller ones speed up to
// three times at 1.
int WordsPerMinute(int durStretch) {
  int d = std::clamp(durStretch, 1, 99);
  double factor = d >= 60 ? 60.0 / d : 1.0 + 2.0 * (60 - d) / 59.0;
  return static_cast<int>(kNormalWordsPerMinute * factor + 0.5);
}

bool ReadPayload(int fd, uint32_t length, std::vector<char>* out) {
  out->resize(length);
  return length == 0 || ttsproto::RecvAll(fd, out->data(), length);
}

// Reads one status message (kEnd, kChecked) payload: status and text.
bool ReadStatus(int fd, uint32_t length, int32_t* status, std::string* text) {
  std::vector<char> p;
  if (length < sizeof(int32_t) || !ReadPayload(fd, length, &p)) return false;
  memcpy(status, p.data(), sizeof *status);
  text->assign(p.data() + sizeof *status, p.size() - sizeof *status);
  return true;
}

// Takes the next message of the streamer's utterance into its buffer.
// 1 samples added, 0 end of text, -1 failure (worker retired).
int Receive(tts_streamer* s, int timeoutMs) {
  int fd = s->worker->fd;
  for (;;) {
    ttsproto::Header h;
    if (!ttsengine::RecvHeader(fd, &h, timeoutMs)) {
      SetError("speech worker stopped answering");
      return -1;
    }
    if (h.id != s->id) {  // nothing else can be on the line; treat as broken
      SetError("speech worker out of step");
      return -1;
    }
    if (h.type == ttsproto::kAudio) {
      if (h.length % 2 != 0) {
        SetError("speech worker sent a broken block");
        return -1;
      }
      size_t old = s->pending.size();
      s->pending.resize(old + h.length / 2);
      if (h.length && !ttsproto::RecvAll(fd, s->pending.data() + old, h.length)) {
        s->pending.resize(old);  // keep only whole blocks
        SetError("speech worker stopped answering");
        return -1;
      }
      if (h.length) return 1;
      continue;
    }
    if (h.type == ttsproto::kEnd) {
      int32_t status = -1;
      std::string text;
      if (!ReadStatus(fd, h.length, &status, &text)) {
        SetError("speech worker stopped answering");
        return -1;
      }
      s->ended = true;
      if (status < 0) {
        SetError(text.empty() ? "synthesis failed" : text);
        return -1;
      }
      return 0;
    }
    SetError("speech worker out of step");
    return -1;
  }
}

bool Readable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

// Lets go of the worker after a failure: back to the pool when it reported
// the failure itself (it is in step), ended otherwise.
void Fail(tts_streamer* s) {
  if (s->worker) {
    if (s->ended)
      s->voice->engine->pool.Release(s->worker, s->voice->synthVoice);
    else
      s->voice->engine->pool.Retire(s->worker);
  }
  s->worker = nullptr;
  s->ended = true;
}

// Hands the text to a worker: the preferred one if idle, else another. A
// worker found dead on the way is replaced once. false with the error set.
bool Launch(tts_streamer* s, Worker* preferred) {
  Pool& pool = s->voice->engine->pool;
  std::string error;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Worker* w = pool.Acquire(attempt == 0 ? preferred : nullptr, s->voice->synthVoice, &error);
    if (!w) continue;
    s->id = pool.NextId();
    if (ttsproto::SendMsg2(w->fd, ttsproto::kSpeak, s->id, &s->params, sizeof s->params,
                           s->text.data(), static_cast<uint32_t>(s->text.size()))) {
      s->worker = w;
      std::lock_guard<std::mutex> lock(s->voice->mu);
      s->voice->last = w;
      return true;
    }
    pool.Retire(w);
    error = "speech worker stopped answering";
  }
  SetError(error);
  return false;
}

// Up to `max` samples of the utterance: waits for the first block, then adds
// what is already waiting. >0 samples, 0 end of text, -1 failure.
int Next(tts_streamer* s, int16_t* out, int max) {
  if (max <= 0) return 0;
  if (s->pos == s->pending.size()) {
    s->pending.clear();
    s->pos = 0;
    while (s->pending.empty()) {
      if (s->ended || !s->worker) return 0;
      int r = Receive(s, kAnswerTimeoutMs);
      if (r < 0 && !s->ended && !s->delivered && !s->relaunched) {
        // The worker went away before saying anything: start over on another.
        s->relaunched = true;
        s->voice->engine->pool.Retire(s->worker);
        s->worker = nullptr;
        s->pending.clear();
        if (Launch(s, nullptr)) continue;
        s->ended = true;
        return -1;
      }
      if (r < 0) {
        Fail(s);
        return -1;
      }
    }
  }
  if (s->pos > 0) {
    s->pending.erase(s->pending.begin(), s->pending.begin() + static_cast<ptrdiff_t>(s->pos));
    s->pos = 0;
  }
  while (s->worker && !s->ended && s->pending.size() - s->pos < static_cast<size_t>(max) &&
         Readable(s->worker->fd)) {
    if (Receive(s, kAnswerTimeoutMs) < 0) {
      // Hand out what arrived; the text ends after it.
      Fail(s);
      break;
    }
  }
  size_t n = std::min(static_cast<size_t>(max), s->pending.size() - s->pos);
  memcpy(out, s->pending.data() + s->pos, n * sizeof(int16_t));
  s->pos += n;
  s->delivered = true;
  return static_cast<int>(n);
}

}  // namespace

tts_engine* tts_create() {
  tts_engine* e = new (std::nothrow) tts_engine;
  if (!e) {
    SetError("out of memory");
    return nullptr;
  }
  std::string error;
  if (!e->pool.Prestart(kPrestartedWorkers, &error)) {
    SetError(error);
    delete e;
    return nullptr;
  }
  // The first worker tells whether the synthesiser works here at all.
  Worker* w = e->pool.Acquire(nullptr, "", &error);
  if (!w) {
    SetError(error);
    delete e;
    return nullptr;
  }
  e->pool.Release(w, "");
  return e;
}

void tts_destroy(tts_engine* engine) { delete engine; }

tts_voice* tts_load_voice(tts_engine* engine, const char* modulePath, const char* dataPath) {
  (void)modulePath;
  if (!engine || !dataPath) {
    SetError("no engine or no voice data");
    return nullptr;
  }
  FILE* f = fopen(dataPath, "rb");
  if (!f) {
    SetError(std::string("cannot open voice data ") + dataPath);
    return nullptr;
  }
  char buf[1024];
  size_t n = fread(buf, 1, sizeof buf, f);
  fclose(f);
  std::string name = ParseVoiceFile(std::string(buf, n));
  if (name.empty()) {
    SetError(std::string("voice data names no voice: ") + dataPath);
    return nullptr;
  }
  std::string error;
  Worker* w = engine->pool.Acquire(nullptr, name, &error);
  if (!w) {
    SetError(error);
    return nullptr;
  }
  uint32_t id = engine->pool.NextId();
  ttsproto::Header h{};
  int32_t status = -1;
  std::string text;
  bool answered = ttsproto::SendMsg(w->fd, ttsproto::kCheck, id, name.c_str(),
                                    static_cast<uint32_t>(name.size())) &&
                  ttsengine::RecvHeader(w->fd, &h, kAnswerTimeoutMs) &&
                  h.type == ttsproto::kChecked && h.id == id &&
                  ReadStatus(w->fd, h.length, &status, &text);
  if (!answered) {
    engine->pool.Retire(w);
    SetError("speech worker stopped answering");
    return nullptr;
  }
  engine->pool.Release(w, status == 0 ? name : "");
  if (status != 0) {
    SetError(text.empty() ? "unknown voice " + name : text);
    return nullptr;
  }
  tts_voice* v = new (std::nothrow) tts_voice;
  if (!v) {
    SetError("out of memory");
    return nullptr;
  }
  v->engine = engine;
  v->synthVoice = name;
  v->last = w;
  return v;
}

void tts_unload_voice(tts_voice* voice) { delete voice; }

int tts_voice_param(tts_voice* voice, const char* name, const void* value) {
  if (!voice || !name || !value) {
    SetError("bad parameter");
    return -1;
  }
  std::lock_guard<std::mutex> lock(voice->mu);
  int v = 0;
  if (strcmp(name, "set:input type") == 0) {
    const char* type = *static_cast<const char* const*>(value);
    if (type && strcmp(type, "text/plain") == 0) return 0;
    SetError("only text/plain input is understood");
    return -1;
  }
  memcpy(&v, value, sizeof v);
  if (strcmp(name, "set:volume") == 0) {
    voice->volume = std::clamp(v, 0, 160);
  } else if (strcmp(name, "set:dur_stretch:") == 0) {
    voice->durStretch = std::clamp(v, 1, 99);
  } else if (strcmp(name, "set:pitch") == 0) {
    voice->pitch = std::clamp(v, 0, 100);
  } else if (strcmp(name, "set:initial_silence") == 0) {
    voice->leadingMs = std::clamp(v, 0, 2000);
  } else if (strcmp(name, "set:final_silence") == 0) {
    voice->trailingMs = std::clamp(v, 0, 2000);
  } else {
    SetError(std::string("unknown parameter ") + name);
    return -1;
  }
  return 0;
}

tts_streamer* tts_streamer_start(tts_voice* voice, const char* text, float) {
  if (!voice || !text) {
    SetError("no voice or no text");
    return nullptr;
  }
  size_t len = strlen(text);
  if (len > ttsproto::kMaxPayload - sizeof(ttsproto::SpeakParams)) {
    SetError("text too long");
    return nullptr;
  }
  tts_streamer* s = new (std::nothrow) tts_streamer;
  if (!s) {
    SetError("out of memory");
    return nullptr;
  }
  Worker* preferred;
  {
    std::lock_guard<std::mutex> lock(voice->mu);
    ttsproto::SpeakParams& p = s->params;
    snprintf(p.voice, sizeof p.voice, "%s", voice->synthVoice.c_str());
    p.wordsPerMinute = WordsPerMinute(voice->durStretch);
    // "set:volume" 80 is the synthesiser's normal loudness.
    p.volume = voice->volume * 100 / 80;
    p.leadingMs = voice->leadingMs;
    p.trailingMs = voice->trailingMs;
    p.pitch = voice->pitch;
    preferred = voice->last;
  }
  s->voice = voice;
  s->text.assign(text, len);
  if (!Launch(s, preferred)) {
    delete s;
    return nullptr;
  }
  return s;
}

tts_wave* tts_streamer_synth(tts_streamer* s, int request) {
  if (!s || request <= 0) return nullptr;
  // Record and samples in one block, freed together.
  size_t bytes = sizeof(tts_wave) + static_cast<size_t>(request) * sizeof(int16_t);
  tts_wave* w = static_cast<tts_wave*>(malloc(bytes));
  if (!w) {
    SetError("out of memory");
    return nullptr;
  }
  w->sample_rate = TTS_SAMPLE_RATE;
  w->samples = reinterpret_cast<int16_t*>(w + 1);
  int n = Next(s, w->samples, request);
  if (n <= 0) {
    free(w);
    return nullptr;
  }
  w->num_samples = n;
  return w;
}

int tts_streamer_synth0(tts_streamer* s, int16_t* buffer, int max) {
  if (!s || !buffer) return -1;
  return Next(s, buffer, max);
}

void tts_wave_delete(tts_wave* wave) { free(wave); }

void tts_streamer_stop(tts_streamer* s) {
  if (!s) return;
  if (s->worker) {
    Pool& pool = s->voice->engine->pool;
    bool clean = true;
    if (!s->ended) {
      // Ask the worker to give up, then take what it already sent until it
      // confirms; draining is what lets a worker blocked on a full socket go on.
      clean = ttsproto::SendMsg(s->worker->fd, ttsproto::kCancel, s->id, nullptr, 0);
      while (clean && !s->ended) {
        s->pending.clear();
        s->pos = 0;
        int r = Receive(s, kAnswerTimeoutMs);
        if (r < 0 && !s->ended) clean = false;
      }
    }
    if (clean)
      pool.Release(s->worker, s->voice->synthVoice);
    else
      pool.Retire(s->worker);
  }
  delete s;
}

const char* tts_errmsg() { return t_error.c_str(); }
