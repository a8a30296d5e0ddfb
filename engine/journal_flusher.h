// The journal's second step, off the interface thread: the files a manifest
// names are flushed to disk, and then the same manifest is written as the
// document's durable manifest (flushed, renamed into place, folder
// flushed). Until that has happened the durable manifest on disk still
// describes an earlier state whose files are on disk.
//
// Only the newest request counts: one that arrives while another waits
// replaces it. The flusher calls the system directly, not through the
// platform's fault seam, so a test's armed fault always meets the
// operation it was armed for.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

class JournalFlusher {
 public:
  JournalFlusher(std::string folder, std::string manifestName);
  // Waits for the request being worked on; drops one still waiting.
  ~JournalFlusher();
  JournalFlusher(const JournalFlusher&) = delete;
  JournalFlusher& operator=(const JournalFlusher&) = delete;

  // Flush `files` (names in the folder), then write `body` as the durable
  // manifest.
  void Request(std::vector<std::string> files, std::string body);
  // Returns once no request waits or runs.
  void WaitUntilIdle();
  // Names some request still needs, or the durable manifest on disk names:
  // they must not be deleted yet.
  std::set<std::string> NamesInUse() const;
  // Whether a flush or write failed since the last call.
  bool TakeFailure();

 private:
  struct Job {
    std::vector<std::string> files;
    std::string body;
  };
  void Loop();
  bool Flush(const Job& job) const;

  const std::string folder_;
  const std::string manifestName_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::optional<Job> pending_;
  std::optional<Job> running_;
  std::vector<std::string> durable_;  // what the durable manifest on disk names
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};
