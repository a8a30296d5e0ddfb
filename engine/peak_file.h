// Peak files: the waveform summary the view draws from without touching the
// samples. Per 32 sample frames and per channel one byte of maximum and one
// byte of negative magnitude, on the 8-bit signed scale. The first entry
// covers frames 0..32, every further one the next 32 frames; frames after the
// last whole block are not summarised, so F frames give (F - 1) / 32 entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/progress.h"
#include "engine/temp_audio_file.h"

// Number of peak bytes a slot of `pcmLength` bytes in `format` gets; 0 for
// formats that have no peak data.
uint32_t PeakLengthFor(const AudioFormat& format, uint32_t pcmLength);

// Builds peak data from PCM bytes fed in order, in pieces of any size, and
// appends it to `fd`. Frames after the last whole entry are left out; formats
// without peak data give nothing. Lets a single pass over the samples both
// copy them and summarise them.
class PeakBuilder {
 public:
  static constexpr uint32_t kFramesPerEntry = 32;

  PeakBuilder(const AudioFormat& format, int fd);
  void Feed(const uint8_t* data, size_t size);
  // Writes what is still buffered; false when the file did not take
  // everything built so far.
  bool Finish();
  // Peak bytes that reached the file.
  uint32_t Written() const { return written_; }

 private:
  using Summariser = void (*)(const uint8_t*, uint32_t, uint32_t, uint8_t*);
  static constexpr uint32_t kRunBytes = 16384;
  static constexpr size_t kOutCapacity = 64 * 1024;

  size_t EntryBytes() const { return static_cast<size_t>(entryFrames_) * block_; }
  void Summarise(const uint8_t* data, uint32_t entries);
  bool Flush();

  int fd_;
  bool enabled_;
  uint32_t block_;
  int entrySize_;
  Summariser summarise_;
  uint32_t entryFrames_ = kFramesPerEntry + 1;  // the first entry covers one frame more
  uint32_t runEntries_ = 1;
  std::vector<uint8_t> pending_;  // an entry's bytes split across pieces
  std::vector<uint8_t> run_;
  std::vector<uint8_t> out_;
  uint32_t written_ = 0;
  bool failed_ = false;
};

// Builds the slot's peak file from its PCM data, which must be mapped for
// reading; the peak file must not be mapped. Sets `peakLength` to what was
// written, also when cancelled. OP_DONE, OP_CANCELLED or OP_FAILED.
OpResult DrawPeakFile(TempAudioFile* slot, Progress& progress);

// After a result has been committed over the working slot (PCM mapped for
// reading): builds a missing peak file, and rebuilds one whose length has
// drifted from what the PCM length implies. Cancel is disabled meanwhile.
// OP_DONE, OP_CANCELLED when a build did not finish, OP_FAILED when the new
// peak file could not be mapped.
OpResult RebuildPeakFileIfNeeded(TempAudioFile* work, Progress& progress);
