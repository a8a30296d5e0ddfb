// The journal's second step, off the interface thread: the files a manifest
// names are flushed to disk, and then the same manifest is written as the
// document's durable manifest (flushed, renamed into place, folder
// flushed). Until that has happened the durable manifest on disk still
// describes an earlier state whose files are on disk.
//
// The flush waits for a quiet moment. Flushing a working copy writes
// hundreds of megabytes, and doing that while the next operation or a save
// needs the same disk would slow the work the user waits for. So while the
// document holds the flusher (an operation runs), no flush starts and one
// under way stops at its next chunk and starts over later; a request is
// taken up once nothing has held the flusher for a short settling time.
// What a power cut can lose is therefore the operations since the editor
// was last idle, never audio a durable manifest names.
//
// Only the newest request counts: one that arrives while another waits
// replaces it. The flusher calls the system directly, not through the
// platform's fault seam, so a test's armed fault always meets the
// operation it was armed for.
#pragma once

#include <chrono>
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
  // Stops the request being worked on at its next chunk; drops any other.
  ~JournalFlusher();
  JournalFlusher(const JournalFlusher&) = delete;
  JournalFlusher& operator=(const JournalFlusher&) = delete;

  // Flush `files` (names in the folder), then write `body` as the durable
  // manifest.
  void Request(std::vector<std::string> files, std::string body);
  // While held, no flush runs (see above).
  void SetHeld(bool held);
  // Returns once no request waits or runs; the request waiting is taken up
  // at once, held or not.
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
  enum class FlushResult { Done, Interrupted, Failed };
  void Loop();
  FlushResult Flush(const Job& job) const;
  FlushResult FlushFile(const std::string& path) const;
  bool MayRun() const;  // with mutex_ held
  bool Interrupted() const;

  const std::string folder_;
  const std::string manifestName_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::optional<Job> pending_;
  std::optional<Job> running_;
  std::vector<std::string> durable_;  // what the durable manifest on disk names
  std::chrono::steady_clock::time_point quietSince_;
  bool held_ = false;
  bool urgent_ = false;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};
