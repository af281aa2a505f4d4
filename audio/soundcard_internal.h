// Process-wide state of the sound card, shared by its own files (and read
// by its tests). Nobody else touches these.
#pragma once

#include "core/lib/alsa/alsa.h"

// The playback stream (or capture, see g_soundcard_capturing) and the
// recorder's capture stream. They outlive static destruction: a play thread
// may still be writing while the process exits.
alsa::Pcm& SoundCardPcm();
alsa::Pcm& RecordPcm();
extern bool g_soundcard_capturing;
extern unsigned g_soundcard_channels;
extern int g_soundcard_samplerate;
extern int g_soundcard_latency;
extern int g_soundcard_buf_avail;
// Playback and mixer device name.
static const char device[] = "default";
extern bool g_bSpeakerOn;
