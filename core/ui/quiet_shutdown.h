// Powering off without a word, from any layer.
#pragma once

// The composition root installs the real power-off.
void SetQuietShutDownHandler(void (*handler)());
[[noreturn]] void QuietShutDown();
