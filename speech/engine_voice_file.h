// The small data file of each voice: which synthesiser voice and variant it
// speaks with. Lines "key = value"; '#' starts a comment.
//   voice = pl
//   variant = f3
#pragma once

#include <string>

// The synthesiser's voice name ("pl+f3") from the file's text; "" when the
// file names no voice or a name with characters a voice name cannot have.
std::string ParseVoiceFile(const std::string& text);
