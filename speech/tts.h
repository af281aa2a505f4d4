// System speech (channel 0): one background thread speaks prompts and plays
// the confirmation beep. Player speech (channel 1): book text synthesised on
// the caller's thread and handed to the caller's data callback. Every call
// returns 0 on success and -1 when the engine is not available, unless its
// comment says otherwise. Text is NUL-terminated UTF-8.
#pragma once

#include <cstdint>

enum { TTS_CHANNEL_SYSTEM = 0, TTS_CHANNEL_PLAYER = 1 };

// Creates the engine, loads every voice twice and starts the speech thread.
// 0 (also when already done), -1 no engine, -3 a voice failed to load.
int SysTts_Init();
// Speaks the first `length` bytes of text (length <= 0: up to the NUL),
// after any pending composition. Returns once the speech thread took it.
int SysTts_Play(const char* text, int length);
// Composes without speaking: the first Add after an utterance stops speech and
// starts a new composition, later ones append. No separator is inserted.
int SysTts_Add(const char* text);
// Stops speech or a beep; returns when the speech thread is idle.
int SysTts_Stop();
// Stops speech and plays "/home/beep/beep16_<number>.pcm".
int SysTts_Beep(int number);
// 1 while speaking or beeping, else 0.
int SysTts_CheckRunning();
// Waits (polling every 10 ms) until the speech thread is idle; 0.
int SysTts_WaitFinish();
// Speaks fixed phrase `phraseId` of the current catalogue.
int SysTts_SynchFmtStr(int phraseId);

// Data callback of player speech: samples (signed 16-bit mono, 16 kHz), their
// count and the user pointer; 0 to go on, non-zero to cancel. It must not
// call back into player speech.
typedef int (*PlayTtsOutputCallback)(short* samples, int count, void* user);

// Stores the callback (always); -1 with "g_pTtsEngine == NULL" without engine.
int PlayTts_Init(PlayTtsOutputCallback callback, void* user);
// Synthesises on the calling thread. 0 finished, -2 cancelled by the
// callback (or no memory for the copy), -1 synthesis could not start.
int PlayTts_Play(const char* text, int length);
// UTF-16 form: `count` code units. 0 finished, -2 cancelled, -1 failure.
int PlayTts_Play(const uint16_t* text16, int count);
// Nothing to flush; 0.
int PlayTts_Flush();

// Records the code page of a channel (not consulted); 0 or -1 for no channel.
int Tts_SetCodePage(int channel, int codePage);
// Voice of a channel (index outside 0..6 means 0); -1 for another channel.
int Tts_SetRole(int channel, int voiceIndex);
// Rate of every voice of a channel (see Tts_SpeedToDurStretch); -1 otherwise.
int Tts_SetSpeed(int channel, int speed);
// Pitch step -5..5 (clamped) of every voice of a channel; -1 otherwise.
int Tts_SetPitch(int channel, int value);
// The engine's "set:pitch" value (10..90, 50 normal) for a pitch step.
int Tts_PitchToEngine(int step);
// Accepted and ignored; 0.
int Tts_SetEffect(int channel, int value);
int Tts_SetReadWordMode(int channel, int value);

// The engine's "set:dur_stretch:" value (1..99) for a speed value: the
// settings' level L gives 60 - 3L (1 at level 20).
int Tts_SpeedToDurStretch(int speed);

// Voice table queries (index outside 0..6 means 0).
int Tts_GetTotalRoles();
int Tts_GetSex(int index);
const char* Tts_GetRoleDes(int index);
int Tts_GetTotalEffects();
const char* Tts_GetEffectDes(int index, int flag);
// Languages: 0 Polish, 1 English. Out of range: "" / 0 voices / start 0.
int Tts_GetTotalLanguages();
const char* Tts_GetLanguageDes(int language);
int Tts_GetVoiceCnt(int language);
int Tts_GetLanguageStartVoiceIndex(int language);
