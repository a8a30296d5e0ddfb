#include "engine/borrowed_audio.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "engine/peak_file.h"
#include "engine/progress.h"
#include "engine/sample_copy.h"
#include "platform/file_copy.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

void ShowSourceChanged(const std::string& path) {
  platform::ShowMessageF(
      "%s was changed by another program while it was open, so the audio as it was opened can "
      "no longer be read.",
      path.c_str());
}

std::unique_ptr<BorrowedAudio> BorrowedAudio::Borrow(const std::string& path, uint64_t offset,
                                                     uint32_t length, uint32_t block,
                                                     const TempAudioFile& work) {
  platform::UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!source.Valid()) return nullptr;
  std::unique_ptr<BorrowedAudio> audio(new BorrowedAudio(path, std::move(source), offset, work));
  BorrowedAudio* raw = audio.get();
  // A break that comes the moment the lease is granted waits for the length.
  std::unique_lock lock(audio->mutex_);
  audio->lease_ =
      platform::ReadLease::Take(raw->source_.Get(), [raw] { (void)raw->MakeWorkingCopy(nullptr); });
  if (audio->lease_ == nullptr || ::fstat(raw->source_.Get(), &raw->opened_) != 0) {
    lock.unlock();
    return nullptr;
  }
  // What the file holds of what its header promised, in whole frames.
  const uint64_t size = static_cast<uint64_t>(raw->opened_.st_size);
  uint64_t available = size > offset ? std::min<uint64_t>(length, size - offset) : 0;
  if (block > 0) available -= available % block;
  raw->length_ = static_cast<uint32_t>(available);
  lock.unlock();
  return audio;
}

BorrowedAudio::BorrowedAudio(std::string path, platform::UniqueFd source, uint64_t offset,
                             const TempAudioFile& work)
    : path_(std::move(path)),
      source_(std::move(source)),
      offset_(offset),
      workingPath_(work.pcmPath),
      peakPath_(work.peakPath),
      format_(work.Format()) {}

BorrowedAudio::~BorrowedAudio() {
  // The lease is taken out under the lock, which is where a copy on the
  // lease thread reads it; destroying it waits for that copy to end before
  // anything the copy uses goes.
  std::unique_ptr<platform::ReadLease> lease;
  {
    std::unique_lock lock(mutex_);
    lease = std::move(lease_);
  }
  lease.reset();
}

bool BorrowedAudio::SourceUnchanged() const {
  struct stat now {};
  return ::fstat(source_.Get(), &now) == 0 && now.st_size == opened_.st_size &&
         SameTime(now.st_mtim, opened_.st_mtim);
}

BorrowStatus BorrowedAudio::CopyTo(uint32_t from, int out, off_t at, uint32_t size) const {
  std::shared_lock lock(mutex_);
  if (lost_) return BorrowStatus::SourceChanged;
  if (working_.Valid()) {
    return platform::CopyFileRangeFully(working_.Get(), from, out, at, size) ? BorrowStatus::Done
                                                                             : BorrowStatus::Failed;
  }
  if (!platform::CopyFileRangeFully(source_.Get(), static_cast<off_t>(offset_ + from), out, at,
                                    size)) {
    return BorrowStatus::Failed;
  }
  // Only a lease the kernel took back after its break time lets a rewrite
  // through before the copy; the bytes just copied may then be the new ones.
  return SourceUnchanged() ? BorrowStatus::Done : BorrowStatus::SourceChanged;
}

BorrowStatus BorrowedAudio::MakeWorkingCopy(Progress* progress) {
  std::unique_lock lock(mutex_);
  if (working_.Valid()) return BorrowStatus::Done;
  if (lost_) return BorrowStatus::SourceChanged;
  const BorrowStatus status = CopyLocked(progress);
  // The lease thread lets the rewrite go ahead when it returns: what was
  // opened cannot be read any more.
  if (status == BorrowStatus::SourceChanged ||
      (status != BorrowStatus::Done && progress == nullptr)) {
    lost_ = true;
  }
  if ((working_.Valid() || lost_) && lease_ != nullptr) lease_->LetGo();
  return lost_ ? BorrowStatus::SourceChanged : status;
}

BorrowStatus BorrowedAudio::CopyLocked(Progress* progress) {
  platform::UniqueFd out = platform::CreateFreshFile(workingPath_, O_RDWR);
  if (!out.Valid()) return BorrowStatus::Failed;
  // Without a peak file the document builds its waveform from the copy.
  platform::UniqueFd peaks = platform::CreateFreshFile(peakPath_, O_WRONLY);
  PeakBuilder builder(format_, peaks.Get());
  // Whatever stops the copy leaves the working files empty.
  const auto fail = [&](BorrowStatus status) {
    (void)::ftruncate(out.Get(), 0);
    if (peaks.Valid()) (void)::ftruncate(peaks.Get(), 0);
    return status;
  };
  if (progress != nullptr) {
    progress->SetTotal(length_ / 100);
    progress->SetCaption("Creating a working version of the audio.");
  }
  uint32_t copied = 0;
  switch (CopySamples(source_.Get(), offset_, length_, out.Get(),
                      peaks.Valid() ? &builder : nullptr, progress, &copied)) {
    case SampleCopyStatus::Done:
      break;
    case SampleCopyStatus::Cancelled:
      return fail(BorrowStatus::Cancelled);
    case SampleCopyStatus::ReadFailed:
    case SampleCopyStatus::WriteFailed:
      return fail(BorrowStatus::Failed);
  }
  // A file cut short or rewritten under the copy is not what was opened.
  if (copied != length_ || !SourceUnchanged()) return fail(BorrowStatus::SourceChanged);
  peaksWritten_ = peaks.Valid() && builder.Finish() ? builder.Written() : 0;
  working_ = std::move(out);
  return BorrowStatus::Done;
}
