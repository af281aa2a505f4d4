// The real board: device paths are what they say, requests go to the
// kernel drivers and commands to the system shell.
#pragma once

#include <memory>

#include "platform/board.h"

namespace board {

std::unique_ptr<Board> MakeAm335xBoard();

}  // namespace board
