// Process-wide state of the sound card, shared by its own files (and read
// by its tests). Nobody else touches these.
#pragma once

#include <alsa/asoundlib.h>

extern snd_pcm_t* g_soundcard_handle;
extern bool g_soundcard_capturing;
extern unsigned g_soundcard_channels;
extern int g_soundcard_samplerate;
extern int g_soundcard_latency;
extern int g_soundcard_buf_avail;
// Playback and mixer device name.
static const char device[] = "default";
extern snd_pcm_t* g_record_handle;
extern bool g_bSpeakerOn;
