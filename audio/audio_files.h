// Which files the music and audio book players take: audio files by
// extension, and M3U play lists.
#pragma once

// 1 when the extension (without the dot, any case) names an audio or video
// container the decoder plays, else 0. Null gives 0.
int CheckIsAudioFile_FromExtName(const char* ext);
// 1 for a play list extension ("m3u", "m3u8"; any case), else 0.
int CheckIsAudioPlayList(const char* ext);
// 1 when the file name ends in a play list extension.
int IsPlayListName(const char* name);
