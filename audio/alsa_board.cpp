#include "audio/alsa_board.h"

#include "platform/board.h"

std::string AlsaBoardConfigText() { return board::Current().AlsaConfigText(); }
