// The temporary audio store. Every piece of audio the editor holds (a
// document's working copy, undo and redo steps, the clipboard, scratch
// results) is a slot: a raw PCM file plus a peak file in the run folder,
// read and written through memory-mapped views and committed by renaming.
//
// Lengths are authoritative: a mapping is always exactly `pcmLength` /
// `peakLength` bytes, and a length of 0 means there is no file to map.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "engine/op_codes.h"
#include "platform/mapped_file.h"

namespace platform {
class FileMoves;
}

// The sample rates the editor takes from any source (a WAV header, the raw
// PCM dialog, a new file, a change of quality): every real recording fits,
// and so does every byte rate and time computed from them.
inline constexpr int32_t kMinSampleRate = 1;
inline constexpr int32_t kMaxSampleRate = 768000;

struct AudioFormat {
  int16_t channels = 0;       // 1 or 2
  int16_t bitsPerSample = 0;  // 8 (unsigned, 128 = silence) or 16 (signed LE)
  int32_t sampleRate = 0;     // frames per second

  // Bytes per sample frame, all channels together.
  int BlockSize() const { return channels * (bitsPerSample / 8); }
  // In 64 bits: a header's fields multiply past 32 bits.
  int64_t BytesPerSecond() const { return int64_t{channels} * (bitsPerSample / 8) * sampleRate; }
  // Whole frames that fit a 16-bit block size, at a rate within the limits
  // above. Checked before a format read from outside is used for anything.
  bool IsEditable() const {
    return channels > 0 && bitsPerSample >= 8 &&
           BlockSize() <= std::numeric_limits<int16_t>::max() && sampleRate >= kMinSampleRate &&
           sampleRate <= kMaxSampleRate;
  }
  bool operator==(const AudioFormat&) const = default;
};

struct TempAudioFile {
  int16_t channels = 0;
  int16_t bitsPerSample = 0;
  int32_t sampleRate = 0;

  std::string pcmPath;     // fixed when the slot is created
  uint32_t pcmLength = 0;  // 0: no PCM data
  platform::MappedFile pcmMap;
  uint8_t* pcmData = nullptr;  // base of the mapped view while mapped

  std::string peakPath;
  uint32_t peakLength = 0;
  platform::MappedFile peakMap;
  uint8_t* peakData = nullptr;

  AudioFormat Format() const { return {channels, bitsPerSample, sampleRate}; }
  void SetFormat(const AudioFormat& format);
  int BlockSize() const { return Format().BlockSize(); }
};

// `part` of the mapping routines: the PCM file, the peak file, or both.
enum class SlotPart { PCM_PART, PEAK_PART, BOTH_PARTS };
using enum SlotPart;

// `mode` of the mapping routines: 0 reads, 1 writes.
inline constexpr int MAP_READ = 0;
inline constexpr int MAP_WRITE = 1;

// Reserves the slot's two file names in `folder` ("<base>_<N>.pcm",
// "<base>_<M>.pek", the first numbers whose files do not exist yet) and
// creates both files empty. OP_DONE, or OP_FAILED after a message.
OpResult CreateTempAudioFile(TempAudioFile* slot, const std::string& folder, const char* baseName);

// Maps the requested files at their recorded lengths. OP_DONE or OP_FAILED.
OpResult DocMemMapFile(TempAudioFile* slot, SlotPart part, int mode);

// Unmaps the requested files. OP_DONE or OP_FAILED.
OpResult CloseMemMapFile(TempAudioFile* slot, SlotPart part);

// Unmaps; unless keepFiles, deletes both files and clears the lengths.
// OP_DONE, or OP_FAILED after a message when a file could not be unmapped
// or emptied.
OpResult CleanupTempAudioFile(TempAudioFile* slot, int keepFiles);

// Renames the source's files over the destination's and hands over lengths
// and format; the source is left empty. Both files move or neither does.
// With `moves`, the renames join that group and the destination's old files
// stay until it commits (or come back when it rolls back); without, they go
// at once. OP_DONE, or OP_FAILED after a message with nothing changed.
OpResult MoveAudioFile(TempAudioFile* source, TempAudioFile* destination,
                       platform::FileMoves* moves = nullptr);

bool SameAudioFormat(const TempAudioFile* a, const TempAudioFile* b);
