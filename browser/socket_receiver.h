// The card and USB event receiver: the system's hotplug script connects to
// a local TCP port and sends one short message per event; a worker thread
// takes them and hands each one to the event loop through a pipe, where the
// card is mounted, unmounted or exported and the file browser told.
#pragma once

#include <cstddef>

// Message codes carried through the pipe.
enum HotplugCode {
  HOTPLUG_CARD_IN = 0,         // "mmcblk1_in"
  HOTPLUG_CARD_OUT = 1,        // "mmcblk1_out"
  HOTPLUG_PARTITION_IN = 2,    // "mmcblk1p1_in"
  HOTPLUG_PARTITION_OUT = 3,   // "mmcblk1p1_out"
  HOTPLUG_USB_CONFIG = 4,      // "usb_config"
  HOTPLUG_USB_SUSPEND = 5,     // "usb_suspend"
  HOTPLUG_UNKNOWN = 255,
};

// Mounts a card that is present and starts the receiver (port 5020 on the
// device; board::HotplugPort() elsewhere). A second call only mounts the
// card again. 0, or -1 when the receiver cannot be set up (the player then
// runs without card events).
int InitSocketReceiver();
// Stops the worker and frees the receiver; the next InitSocketReceiver
// starts afresh. For tests and orderly shutdown.
void StopSocketReceiver();

// The code of one message as received (the text, with or without a
// terminating zero; trailing line ends ignored).
int HotplugMessageCode(const char* text, size_t length);
// Acts on one code; event-loop thread only.
void HandleHotplugCode(int code);
// Mounts the card at "/mnt/microsd": its first partition when present,
// else the whole device. The shell status.
int MountMicroSdCard();
