// What the microphones, the line input and the FM tuner hear.
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/host/host_board.h"
#include "sim/simulator.h"

namespace sim {
namespace {

std::string AbsolutePath(const std::string& p) {
  if (p.empty() || p[0] == '/') return p;
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + p : p;
}

// Stations by kHz, each "strength [file]".
std::map<long, std::string> ReadStations(const board::HostState& st) {
  std::map<long, std::string> out;
  std::istringstream lines(st.GetText(board::state::kFmStations));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream w(line);
    long khz;
    std::string rest;
    if (w >> khz && std::getline(w, rest)) out[khz] = rest;
  }
  return out;
}

}  // namespace

int Simulator::SourceCommand(const std::vector<std::string>& w) {
  board::HostState st(o_.root);
  auto bad = [&](const std::string& why) {
    Print("sim: bad command \"" + w[0] + "...\": " + why);
    return -1;
  };
  if (w[0] == "mic") {
    if (w.size() != 2 || (w[1] != "in" && w[1] != "out")) return bad("use: mic in|out");
    st.Set(board::state::kExternalMic, w[1] == "in" ? "1" : "0");
    Print(w[1] == "in" ? "sim: external microphone in" : "sim: external microphone out");
    return 0;
  }
  if (w[0] == "input") {
    if (w.size() != 3 || (w[1] != "mic" && w[1] != "line")) return bad("use: input mic|line FILE.wav|none");
    std::string file = w[2] == "none" ? "" : AbsolutePath(w[2]);
    if (!file.empty() && access(file.c_str(), R_OK) != 0) return bad("cannot read " + file);
    st.Set(w[1] == "mic" ? board::state::kMicIn : board::state::kLineIn, file);
    Print("sim: the " + std::string(w[1] == "mic" ? "microphones hear " : "line input hears ") +
          (file.empty() ? "the default input" : file));
    return 0;
  }
  // station MHZ STRENGTH [FILE.wav] | station MHZ none | station clear
  std::map<long, std::string> stations = ReadStations(st);
  if (w.size() == 2 && w[1] == "clear") {
    stations.clear();
  } else {
    char* end = nullptr;
    double mhz = w.size() >= 3 ? strtod(w[1].c_str(), &end) : 0;
    if (!end || *end || mhz < 76 || mhz > 108.5) return bad("use: station MHZ STRENGTH [FILE.wav] | station MHZ none | station clear");
    long khz = std::lround(mhz * 10) * 100;
    if (w[2] == "none") {
      stations.erase(khz);
    } else {
      long strength = strtol(w[2].c_str(), &end, 10);
      if (*end || strength < 0 || strength > 127 || w.size() > 4) return bad("strength 0-127");
      std::string file = w.size() == 4 ? AbsolutePath(w[3]) : "";
      if (!file.empty() && access(file.c_str(), R_OK) != 0) return bad("cannot read " + file);
      stations[khz] = " " + std::to_string(strength) + (file.empty() ? "" : " " + file);
    }
  }
  std::string text;
  for (const auto& s : stations) text += std::to_string(s.first) + s.second + "\n";
  st.Set(board::state::kFmStations, text);
  Print("sim: " + std::to_string(stations.size()) + " FM station(s) on the air");
  return 0;
}

}  // namespace sim
