#include "speech/engine_protocol.h"

#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>

namespace ttsproto {

bool SendAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool RecvAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = recv(fd, p, size, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool SendMsg2(int fd, uint32_t type, uint32_t id, const void* a, uint32_t alen, const void* b,
              uint32_t blen) {
  Header h{type, id, alen + blen};
  // One send for header and payload keeps small messages in one segment.
  iovec iov[3] = {{&h, sizeof h}, {const_cast<void*>(a), alen}, {const_cast<void*>(b), blen}};
  msghdr m{};
  m.msg_iov = iov;
  m.msg_iovlen = 3;
  size_t total = sizeof h + alen + blen;
  size_t sent = 0;
  while (sent < total) {
    ssize_t n = sendmsg(fd, &m, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(n);
    // Advance the vector past what went out.
    size_t skip = static_cast<size_t>(n);
    while (m.msg_iovlen > 0 && skip >= m.msg_iov[0].iov_len) {
      skip -= m.msg_iov[0].iov_len;
      ++m.msg_iov;
      --m.msg_iovlen;
    }
    if (m.msg_iovlen > 0) {
      m.msg_iov[0].iov_base = static_cast<char*>(m.msg_iov[0].iov_base) + skip;
      m.msg_iov[0].iov_len -= skip;
    }
  }
  return true;
}

bool SendMsg(int fd, uint32_t type, uint32_t id, const void* payload, uint32_t length) {
  return SendMsg2(fd, type, id, payload, length, nullptr, 0);
}

}  // namespace ttsproto
