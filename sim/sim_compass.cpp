// The compass's world: the device's attitude, the hard-iron offset of its
// own iron, and waiting until the magnetometer has measured a new attitude.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"
#include "sim/simulator.h"

namespace sim {
namespace {

namespace cs = board::chips::compass_state;

bool Numbers(const std::vector<std::string>& w, size_t from, double* out) {
  for (size_t i = from; i < w.size(); ++i) {
    char* end = nullptr;
    out[i - from] = strtod(w[i].c_str(), &end);
    if (end == w[i].c_str() || *end) return false;
  }
  return true;
}

std::string Triple(const double* v) {
  char text[96];
  snprintf(text, sizeof text, "%g %g %g", v[0], v[1], v[2]);
  return text;
}

}  // namespace

int Simulator::CompassCommand(const std::vector<std::string>& w, const std::string& line) {
  board::HostState st(o_.root);
  double v[3] = {0, 0, 0};
  if (w.size() == 5 && w[1] == "offset") {
    if (!Numbers(w, 2, v)) return Bad(line, "use: compass offset X Y Z (microtesla)");
    st.Set(cs::kOffset, Triple(v));
    Print("sim: compass offset " + Triple(v) + " uT");
    return 0;
  }
  if ((w.size() == 2 || w.size() == 3) && w[1] == "measured") {
    // Two measurements: the first may have begun before the change.
    double timeout = w.size() == 3 ? ParseSeconds(w[2]) : 5;
    if (timeout < 0) return Bad(line, "use: compass measured [SECONDS]");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long long>(timeout * 1000));
    while (st.GetInt(cs::kMeasurements, 0) < compass_mark_ + 2) {
      if (std::chrono::steady_clock::now() > deadline) {
        {
          std::lock_guard<std::mutex> lock(m_);
          expect_failed_ = true;
        }
        Print("sim: expect failed: the magnetometer measured nothing new within " +
              std::to_string(static_cast<int>(timeout + 0.5)) + " s");
        return 1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
  }
  if ((w.size() != 2 && w.size() != 4) || !Numbers(w, 1, v))
    return Bad(line, "use: compass HEADING [PITCH ROLL] | compass offset X Y Z | compass measured [SECONDS]");
  compass_mark_ = st.GetInt(cs::kMeasurements, 0);
  st.Set(cs::kAttitude, Triple(v));
  Print("sim: heading " + w[1] + (w.size() == 4 ? ", pitch " + w[2] + ", roll " + w[3] : ""));
  return 0;
}

}  // namespace sim
