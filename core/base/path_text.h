// Paths and links as text: what the book readers and the upgrade installer
// take apart alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `text` with every "%XY" (two hexadecimal digits) replaced by that byte; a
// "%" without two digits after it stays as it is. Stops once `max` bytes are out.
std::string PercentDecoded(std::string_view text, size_t max = std::string::npos);
// The names between the slashes of `path`, in order, without the empty ones
// and ".": "a//./b/../c" gives a, b, .., c.
std::vector<std::string> PathParts(std::string_view path);
