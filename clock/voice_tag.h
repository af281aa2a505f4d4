// The reminders' voice tags: the user's voice from the microphone, noise
// suppressed and encoded to MP3 (16000 Hz, 32 kbit/s) by the recording
// engine, at most one minute. Loop thread.
#pragma once

constexpr int kVoiceTagRate = 16000;
constexpr int kVoiceTagMaxSamples = 960000;  // one minute
constexpr int kVoiceTagMinSamples = 8000;    // half a second: a key tapped, not held

// Plays the start prompt and starts recording. 0, or -1 when the settings
// partition is not mounted or the engine cannot start (another recording).
int VoiceTag_Record();
bool VoiceTag_IsRecording();
// Samples recorded so far; *full once the minute is reached.
int VoiceTag_GetRecordLength(bool* full);
// Ends the recording and keeps it as `path` (replacing that file). 0; -1
// nothing or too little was recorded ("len = %d, too small"); -2 the file
// could not be written. Nothing is left behind on failure.
int VoiceTag_EndRecordingAndSave(int samples, const char* path);
// Ends the recording and throws it away.
void VoiceTag_CancelRecording();
