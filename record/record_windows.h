// The recorder's windows. Loop thread only.
#pragma once

// Starts a recording at once and pushes the recorder window when it
// started. 0 (a failure has been spoken), -1 when no window could be pushed.
int CreateRecordMenu();
// The recording settings; pushes the window and speaks its first item. 0 or -1.
int CreateRecordingSettingsMenu();
