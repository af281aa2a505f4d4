// Messages between the engine and its synthesis workers. Each worker is a
// child process with a synthesiser of its own (the synthesiser keeps global
// state, so a process per concurrent streamer is what lets two streamers run
// at once). One stream socket per worker carries framed messages: a header
// followed by `length` bytes of payload.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ttsproto {

// Environment variable that turns a freshly executed copy of the program into
// a worker; its value is the socket's descriptor number.
constexpr const char* kWorkerEnv = "DTB_TTS_WORKER_FD";

enum MsgType : uint32_t {
  // worker -> engine
  kReady = 1,   // payload: int32 status (0 ok), then an error text when not ok
  kAudio = 2,   // payload: signed 16-bit samples at 16 kHz
  kEnd = 3,     // payload: int32 status (0 done, 1 cancelled, <0 failed), error text
  kChecked = 4, // payload: int32 status (0 voice exists), error text
  // engine -> worker
  kSpeak = 10,  // payload: SpeakParams, then the UTF-8 text
  kCancel = 11, // no payload; ends the utterance with the header's id
  kCheck = 12,  // payload: NUL-terminated voice name; answered by kChecked
};

struct Header {
  uint32_t type;
  uint32_t id;      // utterance number, chosen by the engine
  uint32_t length;  // payload bytes
};

struct SpeakParams {
  char voice[64];         // synthesiser voice and variant, e.g. "pl+f3"
  int32_t wordsPerMinute;
  int32_t volume;         // synthesiser volume, 100 = normal
  int32_t leadingMs;      // silence before the speech
  int32_t trailingMs;     // silence after the speech
  int32_t pitch;          // synthesiser base pitch 0..100, 50 = normal
};

constexpr uint32_t kMaxPayload = 1u << 20;

// Whole-buffer I/O on a blocking socket; false on EOF or error. EINTR is
// retried and a closed peer never raises SIGPIPE.
bool SendAll(int fd, const void* data, size_t size);
bool RecvAll(int fd, void* data, size_t size);
bool SendMsg(int fd, uint32_t type, uint32_t id, const void* payload, uint32_t length);
bool SendMsg2(int fd, uint32_t type, uint32_t id, const void* a, uint32_t alen, const void* b,
              uint32_t blen);

}  // namespace ttsproto
