// The file-management menu over the entry selected in the browser: delete,
// cut, copy, paste and send to the other disk. Copies and moves run on one
// worker thread while the menu says "Copying"; back cancels them. Loop
// thread, except the worker.
#pragma once

#include <string>

// The one-entry clipboard: 0 empty, 1 cut, 2 copy, and the entry's path.
extern int g_FileOperationFlag;
extern std::string g_FileOperationFilename;

// Pushes the menu (the root refreshes it). 0, or -1 when the stack is full.
int CreateFileOperationMenu();

// The worker: starts one copy (move = false) or move of the clipboard entry
// to `destination`. 0, or -1 when one is still running or no thread starts.
int CopyThread(const std::string& destination);
int MoveThread(const std::string& destination);
// True while the worker runs; its result once it stopped.
bool FileOperationRunning();
int FileOperationResult();
// Asks the worker to stop and waits (polling every 100 ms) until it has.
void CancelFileOperation();
