// The bookmark menu: the bookmark and history lists by kind, a file's
// bookmarks, opening the right player at one, and deleting one or all.
// Loop thread only.
#pragma once

// Pushes the menu on the remembered list and file (the root refreshes it).
// 0, or -1 when the stack is full.
int CreateBookMarkMenu();

// Remembered between openings (bookmark mode only).
extern int g_BookmarkFunSelectSub;  // list index 0..4
extern int g_BookmarkIndex;         // file index in that list
