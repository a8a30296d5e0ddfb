// Measurements the benchmarks share.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

class CEditorApp;

namespace bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts `app` with its configuration and run folder inside `folder`, the way
// a program without first-run dialogs does.
bool StartAppIn(CEditorApp& app, const std::string& folder);

// Resident anonymous memory of this process (heap, stacks), in KiB, from
// /proc/self/status; mapped files are not counted.
long RssAnonKiB();

// A fresh folder under the platform temp path, removed by the destructor.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace bench
