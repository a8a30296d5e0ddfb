#include "engine/journal_flusher.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/unique_fd.h"

namespace {

bool FsyncPath(const std::string& path, int flags) {
  platform::UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
  return fd.Valid() && ::fsync(fd.Get()) == 0;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

JournalFlusher::JournalFlusher(std::string folder, std::string manifestName)
    : folder_(std::move(folder)), manifestName_(std::move(manifestName)) {
  thread_ = std::thread([this] { Loop(); });
}

JournalFlusher::~JournalFlusher() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    pending_.reset();
  }
  wake_.notify_all();
  thread_.join();
}

void JournalFlusher::Request(std::vector<std::string> files, std::string body) {
  {
    const std::lock_guard lock(mutex_);
    pending_ = Job{std::move(files), std::move(body)};
  }
  wake_.notify_all();
}

void JournalFlusher::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !pending_ && !running_; });
}

std::set<std::string> JournalFlusher::NamesInUse() const {
  const std::lock_guard lock(mutex_);
  std::set<std::string> names(durable_.begin(), durable_.end());
  if (pending_) names.insert(pending_->files.begin(), pending_->files.end());
  if (running_) names.insert(running_->files.begin(), running_->files.end());
  return names;
}

bool JournalFlusher::TakeFailure() {
  const std::lock_guard lock(mutex_);
  const bool failed = failed_;
  failed_ = false;
  return failed;
}

bool JournalFlusher::Flush(const Job& job) const {
  for (const std::string& name : job.files) {
    if (!FsyncPath(folder_ + "/" + name, O_RDONLY | O_NOFOLLOW)) return false;
  }
  const std::string target = folder_ + "/" + manifestName_;
  // Named like the journal's other files, so it is known as one of them.
  std::string temporary = folder_ + "/" + manifestName_ + ".XXXXXX";
  platform::UniqueFd fd(::mkstemp(temporary.data()));
  if (!fd.Valid()) return false;
  const bool written = WriteAll(fd.Get(), job.body) && ::fsync(fd.Get()) == 0 && fd.Close() == 0;
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return FsyncPath(folder_, O_RDONLY | O_DIRECTORY);
}

void JournalFlusher::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || pending_.has_value(); });
    if (stop_) break;
    running_ = std::move(pending_);
    pending_.reset();
    lock.unlock();
    const bool flushed = Flush(*running_);
    lock.lock();
    if (flushed) {
      durable_ = running_->files;
    } else {
      failed_ = true;
    }
    running_.reset();
    if (!pending_) idle_.notify_all();
  }
  running_.reset();
  idle_.notify_all();
}
