#include "platform/file_discard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// One worker for the whole program, started with the first large file and
// joined when the program ends.
class Discarder {
 public:
  ~Discarder() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
  }

  // A file to delete by name, or one to let go of by closing its descriptor.
  struct Job {
    std::string path;
    UniqueFd held;
  };

  void Add(Job job) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
    ++pending_;
    if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    wake_.notify_all();
  }

  void WaitUntilEmpty() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return pending_ == 0; });
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      // Files still queued at the end are deleted before the worker leaves.
      if (queue_.empty()) return;
      Job job = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      if (!job.path.empty()) ::unlink(job.path.c_str());
      job.held.Reset();
      lock.lock();
      if (--pending_ == 0) idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> queue_;
  size_t pending_ = 0;
  bool stopping_ = false;
  std::thread worker_;
};

Discarder& TheDiscarder() {
  static Discarder discarder;
  return discarder;
}

std::atomic<unsigned long> asideCounter{0};

}  // namespace

std::string MoveAside(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size < kDiscardInBackgroundBytes) {
    return {};
  }
  const std::string aside = path + ".discard-" + std::to_string(::getpid()) + "-" +
                            std::to_string(asideCounter.fetch_add(1));
  return ::rename(path.c_str(), aside.c_str()) == 0 ? aside : std::string();
}

void Discard(const std::string& asidePath) {
  if (!asidePath.empty()) TheDiscarder().Add({asidePath, UniqueFd()});
}

void ReleaseInBackground(UniqueFd held) {
  if (held.Valid()) TheDiscarder().Add({std::string(), std::move(held)});
}

bool Restore(const std::string& asidePath, const std::string& path) {
  return asidePath.empty() || ::rename(asidePath.c_str(), path.c_str()) == 0;
}

bool DiscardFile(const std::string& path) {
  const std::string aside = MoveAside(path);
  if (!aside.empty()) {
    Discard(aside);
    return true;
  }
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

void WaitForDiscards() {
  TheDiscarder().WaitUntilEmpty();
}

}  // namespace platform
