// What a lower layer runs of the layers above it without including them;
// they register at start-up.
#pragma once

// Hooks that close or stop what a higher layer runs (the radio's
// transmitter, a recording) before power-off or an upgrade.
void RegisterCloseHook(void (*hook)());
void RunCloseHooks();

// What must follow a change of the wall clock (passed alarms off, the
// ringing one stopped, reminders due anew); the clock layer registers it.
void RegisterClockSetHook(void (*hook)());
void RunClockSetHooks();
