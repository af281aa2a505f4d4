// The copy and move worker. The window and the worker share only the
// cancel request, the result and the running flag.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "browser/file_copy.h"
#include "browser/file_operation.h"
#include "core/base/no_destructor.h"

int g_FileOperationFlag = 0;
std::string g_FileOperationFilename;

namespace {

struct WorkerState {
  std::mutex mutex;
  bool running = false;
  int result = FOP_DONE;
  CopyControl control;
};

WorkerState& State() {
  static NoDestructor<WorkerState> state;
  return *state;
}

int Start(const std::string& source, const std::string& destination, bool move) {
  WorkerState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.running) return -1;
    s.running = true;
    s.result = FOP_DONE;
    s.control.cancel = false;
  }
  try {
    std::thread([source, destination, move] {
      WorkerState& w = State();
      fprintf(stderr, "CopyFileThread start\n");
      int r = move ? MoveEntry(source.c_str(), destination.c_str(), &w.control)
                   : CopyEntry(source.c_str(), destination.c_str(), &w.control);
      std::lock_guard<std::mutex> lock(w.mutex);
      w.result = r;
      w.running = false;
      fprintf(stderr, "CopyFileThread end\n");
    }).detach();
  } catch (...) {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.running = false;
    return -1;
  }
  return 0;
}

}  // namespace

int CopyThread(const std::string& destination) {
  return Start(g_FileOperationFilename, destination, false);
}

int MoveThread(const std::string& destination) {
  return Start(g_FileOperationFilename, destination, true);
}

bool FileOperationRunning() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().running;
}

int FileOperationResult() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().result;
}

void CancelFileOperation() {
  State().control.cancel = true;
  while (FileOperationRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}
