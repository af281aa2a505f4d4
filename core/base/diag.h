// Diagnostics: one line to standard error framed by the terminal colour
// sequences, so a developer watching the console sees failures in red.
#pragma once

#include <cstdarg>

// Prints "\e[30;41m", the formatted message, "\e[0m\n" to standard error.
void DiagPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// The same with "<file> L <line>: " in front.
#define DIAG(fmt, ...) DiagPrintf("%s L %d: " fmt, __FILE__, __LINE__, ##__VA_ARGS__)

// "\e[37;40m" with the foreground digit replaced by a and the background by b.
void StdoutSetColor(char a, char b);
void StderrSetColor(char a, char b);
// "\e[0m\n".
void StdoutSetToDefault();
void StderrSetToDefault();
