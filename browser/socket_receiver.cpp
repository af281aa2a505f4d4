#include "browser/socket_receiver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "browser/copy_journal.h"
#include "browser/file_browser.h"
#include "core/base/activity.h"
#include "core/ui/window.h"
#include "platform/board.h"

namespace {

constexpr const char* kLun1 = "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun1/file";
constexpr size_t kMaxMessage = 1024;

struct Receiver {
  int listenFd = -1;
  int pipeFds[2] = {-1, -1};
  GIOChannel* channel = nullptr;
  guint watch = 0;
  std::thread worker;
  std::atomic<bool> stopping{false};
};

Receiver* g_Receiver = nullptr;

bool Exists(const char* devicePath) { return BAccess(devicePath, F_OK) == 0; }

void Release(Receiver* r) {
  if (r->watch) g_source_remove(r->watch);
  if (r->channel) g_io_channel_unref(r->channel);
  if (r->listenFd >= 0) close(r->listenFd);
  for (int fd : r->pipeFds)
    if (fd >= 0) close(fd);
  delete r;
}

void Worker(Receiver* r) {
  char buf[kMaxMessage + 1];
  while (!r->stopping) {
    int c = accept(r->listenFd, nullptr, nullptr);
    if (c < 0) {
      if (r->stopping) break;
      fprintf(stderr, "accept a error socket\n");
      usleep(10000);  // out of descriptors, say: do not spin
      continue;
    }
    // A client that connects and never writes must not stop the receiver.
    struct timeval tv = {2, 0};
    setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ssize_t n = read(c, buf, kMaxMessage);
    close(c);
    if (n < 0) {
      fprintf(stderr, "read socket error\n");
      continue;
    }
    buf[n] = 0;
    printf("socket received: %s\n", buf);
    fflush(stdout);
    unsigned char code = static_cast<unsigned char>(HotplugMessageCode(buf, static_cast<size_t>(n)));
    if (write(r->pipeFds[1], &code, 1) != 1) fprintf(stderr, "hotplug pipe write error\n");
  }
}

gboolean PipeCallBack(GIOChannel* channel, GIOCondition, gpointer) {
  unsigned char code;
  ssize_t n = read(g_io_channel_unix_get_fd(channel), &code, 1);
  if (n < 0) {
    if (errno != EAGAIN) fprintf(stderr, "%s %s %d error\n", __FILE__, __func__, __LINE__);
    return TRUE;
  }
  if (n == 0) return TRUE;
  printf("byteread = %d\n", code);
  HandleHotplugCode(code);
  return TRUE;
}

void CardInserted(int code) {
  if (g_UsbState == 1 || g_UsbState == 2) {
    // The computer owns the disks: give it the card as its second disk.
    if (g_UsbMicroSdState == 0 && g_UsbLun == 2) {
      sleep(1);
      if (Exists("/dev/mmcblk1p1")) {
        board::System(std::string("echo /dev/mmcblk1p1 > ") + kLun1);
        g_UsbMicroSdState = 2;
      } else {
        board::System(std::string("echo /dev/mmcblk1 > ") + kLun1);
        g_UsbMicroSdState = 1;
      }
      printf("g_UsbMicroSdState = %d\n", g_UsbMicroSdState);
    }
    return;
  }
  if (IsMountDir("/mnt/microsd") == 1) {
    CloseAllChildWindow();
    board::System("umount /mnt/microsd");
  }
  board::System(code == HOTPLUG_PARTITION_IN
                    ? "mount -t vfat -o utf8 /var/volatile/mmcblk1p1 /mnt/microsd"
                    : "mount -t vfat -o utf8 /var/volatile/mmcblk1 /mnt/microsd");
  if (IsMountDir("/mnt/microsd") == 1) {
    ClearCutOffCopies("/mnt/microsd");
    CloseAllChildWindow();
    KeyDown(EV_SD_MOUNTED);
  }
}

void CardRemoved() {
  if (g_UsbState == 1 || g_UsbState == 2) {
    if (g_UsbMicroSdState != 0 && g_UsbLun == 2) {
      board::System(std::string("echo   > ") + kLun1);
      g_UsbMicroSdState = 0;
    }
    return;
  }
  if (IsMountDir("/mnt/microsd") == 1) {
    CloseAllChildWindow();
    KeyDown(EV_SD_REMOVED);
    board::System("umount /mnt/microsd");
  }
}

}  // namespace

int MountMicroSdCard() {
  return board::System(Exists("/dev/mmcblk1p1")
                           ? "mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd"
                           : "mount -t vfat -o utf8 /dev/mmcblk1 /mnt/microsd");
}

int HotplugMessageCode(const char* text, size_t length) {
  if (!text) return HOTPLUG_UNKNOWN;
  size_t n = strnlen(text, length);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) n--;
  static const char* const c_Messages[] = {"mmcblk1_in",    "mmcblk1_out", "mmcblk1p1_in",
                                           "mmcblk1p1_out", "usb_config",  "usb_suspend"};
  for (int i = 0; i < 6; i++) {
    if (strlen(c_Messages[i]) == n && memcmp(c_Messages[i], text, n) == 0) return i;
  }
  return HOTPLUG_UNKNOWN;
}

void HandleHotplugCode(int code) {
  switch (code) {
    case HOTPLUG_CARD_IN:
    case HOTPLUG_PARTITION_IN:
      CardInserted(code);
      break;
    case HOTPLUG_CARD_OUT:
    case HOTPLUG_PARTITION_OUT:
      CardRemoved();
      break;
    case HOTPLUG_USB_CONFIG:
      // Only a gadget that is loaded can be configured; a stray message
      // must not lock the browser in mass-storage mode.
      if (g_UsbState == 1) g_UsbState = 2;
      break;
    case HOTPLUG_USB_SUSPEND:
      if (g_UsbState == 2) KeyDown(EV_USB_SUSPEND);
      break;
    default:
      break;
  }
}

int InitSocketReceiver() {
  if (Exists("/dev/mmcblk1")) {
    printf("tf card in\n");
    if (IsMountDir("/mnt/microsd") != 1) MountMicroSdCard();
  }
  if (g_Receiver) return 0;
  Receiver* r = new (std::nothrow) Receiver;
  if (!r) return -1;
  int port = board::HotplugPort();
  if (pipe(r->pipeFds) != 0) {
    Release(r);
    return -1;
  }
  fcntl(r->pipeFds[0], F_SETFL, O_NONBLOCK);
  r->listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (r->listenFd < 0) {
    fprintf(stderr, "%s %s:create socket error\n", __FILE__, __func__);
    Release(r);
    return -1;
  }
  int on = 1;
  setsockopt(r->listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  struct sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(board::Current().HotplugAddress());
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(r->listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    fprintf(stderr, "%s %s error:Failed to bind port %d\n", __FILE__, __func__, port);
    Release(r);
    return -1;
  }
  if (listen(r->listenFd, 10) != 0) {
    fprintf(stderr, "%s %s:listen socket port %d error\n", __FILE__, __func__, port);
    Release(r);
    return -1;
  }
  r->channel = g_io_channel_unix_new(r->pipeFds[0]);
  g_io_channel_set_encoding(r->channel, nullptr, nullptr);
  r->watch = g_io_add_watch(r->channel, static_cast<GIOCondition>(G_IO_IN | G_IO_ERR | G_IO_HUP),
                            PipeCallBack, nullptr);
  if (r->watch == 0) {
    Release(r);
    return -1;
  }
  // A message box runs a nested loop from inside a handler.
  g_source_set_can_recurse(g_main_context_find_source_by_id(nullptr, r->watch), TRUE);
  try {
    r->worker = std::thread(Worker, r);
  } catch (...) {
    Release(r);
    return -1;
  }
  g_Receiver = r;
  return 0;
}

void StopSocketReceiver() {
  Receiver* r = g_Receiver;
  if (!r) return;
  g_Receiver = nullptr;
  r->stopping = true;
  shutdown(r->listenFd, SHUT_RDWR);  // wakes the worker out of accept
  if (r->worker.joinable()) r->worker.join();
  Release(r);
}
