// The windows of the settings tree, shared by its files.
#pragma once

#include <string>

#include "core/ui/window.h"

// Queues "Setting done." and marks the system settings for saving.
void SettingDone();

// A menu of the tree: speaks with SysTts_Play.
class SettingsMenu : public Menu {
 protected:
  static void Say(const std::string& text);
};

// Left/right step one value, clamped at both ends; up/down do nothing.
class ValueMenu : public SettingsMenu {
 public:
  int OnKeyPress(int code) override;
  std::string DescribeKey(int code, int held) override;
};

// For the key describer: play keeps what left and right chose.
std::string DescribeSettingKey(int code, int held, Menu* menu);

// Menus reached from the main menu and the time settings. Each pushes its
// window and speaks it; 0 or -1.
int OpenSettingsWindow(iWindow* w);
iWindow* NewTimeSettingsMenu();
iWindow* NewSystemSoundMenu();
iWindow* NewLanguageMenu();
iWindow* NewResumePlaySettingsMenu();
iWindow* NewFmTransmitSettingsMenu();
iWindow* NewVersionInformationMenu();
iWindow* NewDeviceInformationMenu();

// Whole megabytes of `blocks` blocks of `blockSize` bytes (statvfs's fragment
// size), without overflow for any card.
int Megabytes(unsigned long long blocks, unsigned long long blockSize);
