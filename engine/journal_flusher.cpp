#include "engine/journal_flusher.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/unique_fd.h"

namespace {

// Long enough to span the gap between one operation and the next of a
// script or a quick user; short enough that an idle editor's state is on
// disk a moment later.
constexpr std::chrono::milliseconds kSettle{250};
// Between chunks a flush looks whether it must give way.
constexpr off_t kChunk = off_t{16} << 20;

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
    : folder_(std::move(folder)),
      manifestName_(std::move(manifestName)),
      quietSince_(std::chrono::steady_clock::now()) {
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
    quietSince_ = std::chrono::steady_clock::now();
  }
  wake_.notify_all();
}

void JournalFlusher::SetHeld(bool held) {
  {
    const std::lock_guard lock(mutex_);
    held_ = held;
    quietSince_ = std::chrono::steady_clock::now();
  }
  wake_.notify_all();
}

void JournalFlusher::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  urgent_ = true;
  wake_.notify_all();
  idle_.wait(lock, [this] { return !pending_ && !running_; });
  urgent_ = false;
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

bool JournalFlusher::MayRun() const {
  return urgent_ || !held_;
}

bool JournalFlusher::Interrupted() const {
  const std::lock_guard lock(mutex_);
  return stop_ || !MayRun();
}

JournalFlusher::FlushResult JournalFlusher::FlushFile(const std::string& path) const {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) return FlushResult::Failed;
  // Written out a chunk at a time, so that an operation starting meanwhile
  // waits for one chunk at most; the fsync then finds only the metadata.
  for (off_t offset = 0; offset < info.st_size; offset += kChunk) {
    if (Interrupted()) return FlushResult::Interrupted;
    const unsigned flags =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(fd.Get(), offset, kChunk, flags) != 0) return FlushResult::Failed;
  }
  return ::fsync(fd.Get()) == 0 ? FlushResult::Done : FlushResult::Failed;
}

JournalFlusher::FlushResult JournalFlusher::Flush(const Job& job) const {
  for (const std::string& name : job.files) {
    if (const FlushResult r = FlushFile(folder_ + "/" + name); r != FlushResult::Done) return r;
  }
  const std::string target = folder_ + "/" + manifestName_;
  // Named like the journal's other files, so it is known as one of them.
  std::string temporary = folder_ + "/" + manifestName_ + ".XXXXXX";
  platform::UniqueFd fd(::mkstemp(temporary.data()));
  if (!fd.Valid()) return FlushResult::Failed;
  const bool written = WriteAll(fd.Get(), job.body) && ::fsync(fd.Get()) == 0 && fd.Close() == 0;
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return FlushResult::Failed;
  }
  return FsyncPath(folder_, O_RDONLY | O_DIRECTORY) ? FlushResult::Done : FlushResult::Failed;
}

void JournalFlusher::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stop_ || (pending_.has_value() && MayRun()); });
    if (stop_) break;
    if (!urgent_) {
      // Settle: a new request or hold restarts the wait.
      const auto due = quietSince_ + kSettle;
      if (std::chrono::steady_clock::now() < due) {
        wake_.wait_until(lock, due);
        continue;
      }
    }
    running_ = std::move(pending_);
    pending_.reset();
    lock.unlock();
    const FlushResult result = Flush(*running_);
    lock.lock();
    if (result == FlushResult::Done) {
      durable_ = running_->files;
    } else if (result == FlushResult::Failed) {
      failed_ = true;
    } else if (!pending_) {
      pending_ = std::move(running_);  // taken up again at the next quiet moment
    }
    running_.reset();
    if (!pending_) idle_.notify_all();
  }
  running_.reset();
  idle_.notify_all();
}
