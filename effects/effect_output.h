// What every tool's processing shares: the checks on the document it is
// given, the region it works on, the walk over that region with progress and
// cancellation every 8192 bytes, and the steps that turn scratch slot B from
// an empty slot into a finished result (mapped for writing at the region's
// length, then unmapped, given the document's format, mapped for reading,
// with a freshly built peak file mapped for reading).
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/progress.h"
#include "engine/temp_audio_file.h"

class CEditorDoc;

// Bytes between two progress reports and cancel checks.
inline constexpr uint32_t kProgressStepBytes = 8192;

// The refusal for a document whose layout no tool handles.
extern const char* const kUnsupportedFormatMessage;

// True for the four layouts the tools process: 1 or 2 channels of 8 or 16
// bits.
bool EffectFormatSupported(const AudioFormat& format);
// EffectFormatSupported; otherwise shows kUnsupportedFormatMessage and
// returns false.
bool CheckEffectFormat(const AudioFormat& format);

struct EffectRegion {
  uint32_t start = 0;
  uint32_t end = 0;
  uint32_t Length() const { return end - start; }
};

// The part of the working audio a tool applies to: the selection for
// SELECTED_AREA, otherwise the whole working audio in whole frames. Checks
// the document's format too. false after a message when the region cannot be
// processed safely (a selection outside the mapped audio or not made of
// whole frames, audio that is not mapped).
bool ResolveEffectRegion(const CEditorDoc& doc, int applyTo, EffectRegion* region);

// The failure texts of one tool; each takes the path of the file concerned.
struct EffectMessages {
  const char* openWrite;  // mapping B's PCM for writing
  const char* closeMap;   // unmapping it
  const char* openRead;   // mapping B's PCM, then its peak file, for reading
  // The mix paste names B's PCM file also when its peak file fails to map.
  bool peakFailureNamesPcm = false;
};

// B's pcmLength := length and its PCM file mapped for writing (an empty
// region maps nothing). OP_DONE, or OP_FAILED after the tool's message.
OpResult BeginEffectOutput(TempAudioFile* b, uint32_t length, const EffectMessages& messages);

// Unmaps B's PCM, gives B `format`, maps it for reading, builds its peak file
// and maps that for reading. OP_DONE; `peakFailure` when the peak build was
// cancelled; OP_FAILED when it failed, or after the tool's message when a
// mapping failed.
OpResult FinishEffectOutput(TempAudioFile* b, const AudioFormat& format,
                            const EffectMessages& messages, OpResult peakFailure,
                            Progress& progress);

// Walks [first, last) in whole frames of `block` bytes, handing runs of
// frames to run(position, frames). Whenever the position, after a frame,
// is a multiple of 8192 it reports Step((position - origin) / 100) and stops
// with false when the user has cancelled. A run never crosses such a mark,
// so the marks fall exactly where a frame-by-frame walk would see them.
template <class Run>
bool StreamFrames(uint32_t first, uint32_t last, uint32_t block, uint32_t origin,
                  Progress& progress, Run&& run) {
  const uint64_t stop = first + static_cast<uint64_t>((last - first) / block) * block;
  uint64_t position = first;
  while (position < stop) {
    const uint64_t mark = (position / kProgressStepBytes + 1) * kProgressStepBytes;
    // A walk that does not start on a frame boundary of the 8192 grid never
    // meets a mark; it runs to the end in one piece.
    const bool reachesMark = mark <= stop && (mark - position) % block == 0;
    const uint64_t runEnd = reachesMark ? mark : stop;
    run(static_cast<uint32_t>(position), static_cast<uint32_t>((runEnd - position) / block));
    position = runEnd;
    if (reachesMark) {
      progress.Step(static_cast<uint32_t>((position - origin) / 100));
      if (progress.IsCancelled()) return false;
    }
  }
  return true;
}

// The progress counter of the multi-pass effects: it counts every byte that
// any pass steps over, and reports at each multiple of 8192 of the count.
class PassProgress {
 public:
  explicit PassProgress(Progress& progress) : progress_(progress) {}

  // Steps `frames` frames of `block` bytes (a divisor of 8192), handing runs
  // to run(firstFrame, frames) with frame numbers counted from 0. false when
  // the user cancelled at a mark.
  template <class Run>
  bool Walk(uint64_t frames, uint32_t block, Run&& run) {
    uint64_t done = 0;
    while (done < frames) {
      const uint64_t toMark = (kProgressStepBytes - counter_ % kProgressStepBytes) / block;
      const uint64_t count = std::min<uint64_t>(toMark, frames - done);
      run(done, count);
      done += count;
      counter_ += count * block;
      if (counter_ % kProgressStepBytes == 0) {
        progress_.Step(static_cast<uint32_t>(std::min<uint64_t>(counter_ / 100, UINT32_MAX)));
        if (progress_.IsCancelled()) return false;
      }
    }
    return true;
  }

 private:
  Progress& progress_;
  uint64_t counter_ = 0;
};

// Frames a pass steps over: it starts with its write positions at `writeLeft`
// and `writeRight` and goes on while either is below `length`.
uint64_t PassFrames(uint64_t writeLeft, uint64_t writeRight, uint32_t length, uint32_t block);

// Delay in bytes for a delay in milliseconds: bytesPerSecond × ms × the
// single-precision 0.001, truncated, rounded down to whole frames. Negative
// delays count as 0; delays beyond `limit` give `limit` rounded down to whole
// frames (every echo lands past the region either way).
uint32_t DelayBytes(int64_t bytesPerSecond, int32_t milliseconds, uint32_t block, uint32_t limit);
