#include "sim/random_follow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

// Samples quieter than this are the silence padding and dither, not an answer.
constexpr int kLoud = 300;

// Offset of the samples of a WAV file, or -1 while its header is incomplete.
long long DataOffset(int fd) {
  unsigned char buf[512];
  ssize_t n = pread(fd, buf, sizeof buf, 0);
  for (ssize_t i = 12; i + 8 <= n; ++i)
    if (!memcmp(buf + i, "data", 4)) return i + 8;
  return -1;
}

}  // namespace

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Follower::Follower(const std::string& transcript, const std::string& wav) : wav_(wav), tail_(transcript) {}

Follower::~Follower() { Stop(); }

void Follower::Start() {
  // Only what comes from now on.
  tail_.SkipToEnd();
  t_ = std::thread([this] { Run(); });
}

void Follower::Stop() {
  stop_ = true;
  if (t_.joinable()) t_.join();
}

void Follower::Run() {
  while (!stop_) {
    PollTranscript();
    PollAudio();
    usleep(4000);
  }
}

void Follower::PollTranscript() {
  std::vector<TranscriptLine> lines = tail_.Read();
  if (lines.empty()) return;
  double now = NowSeconds();
  std::lock_guard<std::mutex> lock(m_);
  for (TranscriptLine& l : lines) {
    Heard h{now, std::move(l.channel), std::move(l.text)};
    (h.channel == "window" ? windows_ : heard_).push_back(h);
    if (getenv("DTB_RANDOM_DEBUG")) printf("%.3f heard %s %s\n", now, h.channel.c_str(), h.text.c_str());
  }
}

void Follower::PollAudio() {
  int fd = open(wav_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st;
  // A new stream starts the file again.
  if (fstat(fd, &st) == 0 && st.st_size < apos_) apos_ = -1;
  if (apos_ < 0) apos_ = DataOffset(fd);
  bool any = false, loud = false;
  static int16_t s[8192];
  ssize_t n;
  while (apos_ >= 0 && (n = pread(fd, s, sizeof s, apos_)) >= 2) {
    n &= ~static_cast<ssize_t>(1);
    any = true;
    for (ssize_t i = 0; i < n / 2 && !loud; ++i) loud = abs(s[i]) > kLoud;
    apos_ += n;
  }
  close(fd);
  if (!any) return;
  std::lock_guard<std::mutex> lock(m_);
  audio_.emplace_back(NowSeconds(), loud);
}

bool Follower::FirstAnswer(double from, double to, Heard* out) {
  std::lock_guard<std::mutex> lock(m_);
  auto i = std::upper_bound(heard_.begin(), heard_.end(), from,
                            [](double t, const Heard& h) { return t < h.at; });
  if (i == heard_.end() || i->at > to) return false;
  *out = *i;
  return true;
}

double Follower::FirstLoud(double from, double to) {
  std::lock_guard<std::mutex> lock(m_);
  auto i = std::lower_bound(audio_.begin(), audio_.end(), std::make_pair(from, false));
  for (; i != audio_.end() && i->first <= to; ++i)
    if (i->second) return i->first;
  return -1;
}

std::string Follower::WindowAt(double at) {
  std::lock_guard<std::mutex> lock(m_);
  auto i = std::upper_bound(windows_.begin(), windows_.end(), at,
                            [](double t, const Heard& h) { return t < h.at; });
  return i == windows_.begin() ? std::string() : (i - 1)->text;
}

std::vector<std::string> Follower::WindowsBetween(double from, double to) {
  std::vector<std::string> out{WindowAt(from)};
  std::lock_guard<std::mutex> lock(m_);
  auto i = std::upper_bound(windows_.begin(), windows_.end(), from,
                            [](double t, const Heard& h) { return t < h.at; });
  for (; i != windows_.end() && i->at <= to; ++i) out.push_back(i->text);
  return out;
}

bool Follower::SpokeSince(double from) {
  std::lock_guard<std::mutex> lock(m_);
  return !heard_.empty() && heard_.back().at > from;
}

std::vector<Heard> Follower::HeardBetween(double from, double to) {
  std::lock_guard<std::mutex> lock(m_);
  std::vector<Heard> out;
  for (const Heard& h : heard_)
    if (h.at > from && h.at <= to) out.push_back(h);
  return out;
}

}  // namespace sim
