// Measurements the benchmarks share.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

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
