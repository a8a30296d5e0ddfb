// The audio of a document that still reads its samples from the user's file.
//
// Opening a WAV or raw PCM file normally copies its samples into the working
// file at once, with the peak file made in the same pass, so that the
// document stays what was opened whatever happens to the file afterwards. A
// run that opens a file only to save it elsewhere (the batch tool's open and
// save) pays for that copy without using it, so the copy can wait until
// something needs it: an edit, a tool, playback, an export that reads the
// samples. Until then a save copies from the file itself, under a read
// lease: a program that opens the file to rewrite it waits until the copy
// has been made, on the lease thread. A file that cannot be leased is copied
// at once, as before.
//
// Threads: the document's thread reads and makes the copy; the lease thread
// makes it when a rewrite is coming. A shared lock guards each read of the
// samples, the exclusive lock the copy, so no read straddles the switch to
// the working file.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>

#include "engine/temp_audio_file.h"
#include "platform/read_lease.h"
#include "platform/unique_fd.h"

class Progress;

enum class BorrowStatus {
  Done,
  Cancelled,
  Failed,         // a read or write error; the samples are still the file's
  SourceChanged,  // the file changed before the copy was whole: the audio is lost
};

// The message when the file changed under borrowed audio.
void ShowSourceChanged(const std::string& path);

class BorrowedAudio {
 public:
  // Borrows the samples of the file at `path` from `offset`: `length`
  // bytes, or as many whole frames of `block` bytes as the file holds when
  // it is shorter, for the document whose working slot is `work` (its files
  // are written when the copy is made). Null when the file cannot be opened
  // or leased.
  static std::unique_ptr<BorrowedAudio> Borrow(const std::string& path, uint64_t offset,
                                               uint32_t length, uint32_t block,
                                               const TempAudioFile& work);
  ~BorrowedAudio();
  BorrowedAudio(const BorrowedAudio&) = delete;
  BorrowedAudio& operator=(const BorrowedAudio&) = delete;

  uint32_t Length() const { return length_; }
  // The file the samples are read from.
  const std::string& Path() const { return path_; }

  // Copies `size` bytes of the audio from `from` into `out` at `at`, by the
  // kernel: from the user's file, or from the working file once it is made.
  // Done, Failed, or SourceChanged when the file changed under the copy.
  BorrowStatus CopyTo(uint32_t from, int out, off_t at, uint32_t size) const;

  // Peak bytes the copy wrote into the working slot's peak file; 0 when it
  // could not be written.
  uint32_t PeaksWritten() const { return peaksWritten_; }

  // Makes the working copy and its peak file in one pass, once: Done when it is (now or before),
  // and then the lease is let go. `progress` shows the copy and may cancel it; a cancelled or
  // failed copy leaves the working file empty and may be tried again. Without `progress` the copy
  // is the lease thread's, and whatever stops it is for good, as is a change of the file under any
  // copy: the rewrite goes ahead once the thread returns.
  BorrowStatus MakeWorkingCopy(Progress* progress);

 private:
  BorrowedAudio(std::string path, platform::UniqueFd source, uint64_t offset,
                const TempAudioFile& work);
  BorrowStatus CopyLocked(Progress* progress);
  // Whether the file still has the size and modification time it had when
  // it was borrowed.
  bool SourceUnchanged() const;

  const std::string path_;
  platform::UniqueFd source_;
  const uint64_t offset_;
  uint32_t length_ = 0;  // set before the lease is taken
  const std::string workingPath_;
  const std::string peakPath_;
  const AudioFormat format_;
  struct stat opened_ {};

  mutable std::shared_mutex mutex_;
  platform::UniqueFd working_;  // open once the copy is made
  uint32_t peaksWritten_ = 0;
  bool lost_ = false;
  // Guarded by the lock; null once the destructor has taken it.
  std::unique_ptr<platform::ReadLease> lease_;
};
