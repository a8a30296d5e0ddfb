#include "platform/file_moves.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/fault_injection.h"
#include "platform/file_discard.h"

namespace platform {

namespace {

std::atomic<unsigned> keptCounter{0};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Moves an existing `path` to a fresh name beside it; "" when there is
// nothing at `path`. `moved` is false when a file is there but could not be
// moved.
std::string KeepAside(const std::string& path, bool* moved) {
  *moved = true;
  if (!Exists(path)) return {};
  std::string kept = path + ".kept-" + std::to_string(::getpid()) + "-" +
                     std::to_string(keptCounter.fetch_add(1, std::memory_order_relaxed));
  if (!RenameFile(path.c_str(), kept.c_str())) {
    *moved = false;
    return {};
  }
  return kept;
}

}  // namespace

FileMoves::~FileMoves() {
  (void)RollBackTo(0);
}

bool FileMoves::Move(const std::string& from, const std::string& to) {
  bool kept = false;
  std::string aside = KeepAside(to, &kept);
  if (!kept) return false;
  if (!RenameFile(from.c_str(), to.c_str())) {
    const int error = errno;
    if (!aside.empty()) (void)RenameFile(aside.c_str(), to.c_str());
    errno = error;
    return false;
  }
  steps_.push_back({from, to, std::move(aside)});
  return true;
}

bool FileMoves::Remove(const std::string& path) {
  bool kept = false;
  std::string aside = KeepAside(path, &kept);
  if (!kept) return false;
  if (!aside.empty()) steps_.push_back({{}, path, std::move(aside)});
  return true;
}

void FileMoves::Commit() {
  for (const Step& step : steps_) {
    if (step.aside.empty()) continue;
    // Only freeing a large file's blocks takes long enough to hand it to
    // the background; a small one goes now, so no kept file outlives the
    // commit that made it.
    struct stat st {};
    if (::lstat(step.aside.c_str(), &st) == 0 && st.st_size >= kDiscardInBackgroundBytes) {
      Discard(step.aside);
    } else {
      (void)::unlink(step.aside.c_str());
    }
  }
  steps_.clear();
}

bool FileMoves::RollBackTo(size_t mark) {
  bool whole = true;
  while (steps_.size() > mark) {
    const Step& step = steps_.back();
    if (!step.from.empty() && !RenameFile(step.to.c_str(), step.from.c_str())) {
      whole = false;  // the new file still sits at `to`; the kept one stays aside
    } else if (!step.aside.empty() && !RenameFile(step.aside.c_str(), step.to.c_str())) {
      whole = false;
    }
    steps_.pop_back();
  }
  return whole;
}

}  // namespace platform
