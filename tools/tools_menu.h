// The tools menu (voice reminders, calculator, countdown, compass, disk
// management) and the disk-formatting window. Loop thread.
#pragma once

// Pushes the tools menu and speaks its first item. 0 or -1.
int CreateToolsMenu();
// Pushes the disk-formatting window and speaks its first choice. 0 or -1.
int CreateDiskFormat();

// What the tools reach in their peers, registered at start-up: the voice
// reminders' menu, and their reload after the settings partition was
// formatted. Either may be null: the menu then says "error".
void RegisterToolsVoiceReminder(int (*openMenu)(), int (*reload)());
