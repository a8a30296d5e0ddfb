// The temporary audio store. Every piece of audio the editor holds (a
// document's working copy, undo and redo steps, the clipboard, scratch
// results) is a slot: a raw PCM file plus a peak file in the run folder,
// read and written through memory-mapped views and committed by renaming.
//
// Lengths are authoritative: a mapping is always exactly `pcmLength` /
// `peakLength` bytes, and a length of 0 means there is no file to map.
#pragma once

#include <cstdint>
#include <string>

#include "platform/mapped_file.h"

struct AudioFormat {
  int16_t channels = 0;       // 1 or 2
  int16_t bitsPerSample = 0;  // 8 (unsigned, 128 = silence) or 16 (signed LE)
  int32_t sampleRate = 0;     // frames per second

  // Bytes per sample frame, all channels together.
  int BlockSize() const { return channels * (bitsPerSample / 8); }
  int BytesPerSecond() const { return channels * (bitsPerSample / 8) * sampleRate; }
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

// `part` of the mapping routines: the PCM file, the peak file, or BOTH
// (op_codes.h). `mode` 0 reads, 1 writes.
inline constexpr int PCM_PART = 0;
inline constexpr int PEAK_PART = 1;
inline constexpr int MAP_READ = 0;
inline constexpr int MAP_WRITE = 1;

// Reserves the slot's two file names in `folder` ("<base>_<N>.pcm",
// "<base>_<M>.pek", the first numbers whose files do not exist yet) and
// creates both files empty. 1 on success, 0 after a message.
int CreateTempAudioFile(TempAudioFile* slot, const std::string& folder, const char* baseName);

// Maps the requested files at their recorded lengths. OP_DONE or OP_FAILED.
int DocMemMapFile(TempAudioFile* slot, int part, int mode);

// Unmaps the requested files. 1 or OP_FAILED.
int CloseMemMapFile(TempAudioFile* slot, int part);

// Unmaps; unless keepFiles, deletes both files and clears the lengths.
// 1, 0 when a file could not be emptied, OP_FAILED when unmapping failed.
int CleanupTempAudioFile(TempAudioFile* slot, int keepFiles);

// Renames the source's files over the destination's and hands over lengths
// and format; the source is left empty. 1 or 0.
int MoveAudioFile(TempAudioFile* source, TempAudioFile* destination);

// Cleans up a scratch slot an unfinished operation step wrote, and passes
// the step's result on; when the clean-up fails, shows `failure` and gives
// OP_FAILED instead.
int ReleaseScratch(TempAudioFile* slot, const char* failure, int result);

bool SameAudioFormat(const TempAudioFile* a, const TempAudioFile* b);
