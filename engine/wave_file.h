// WAV headers and the two uncompressed writers (WAV and headerless PCM).
#pragma once

#include <cstdint>
#include <string>

#include "engine/temp_audio_file.h"

class BorrowedAudio;
class Progress;

struct WaveHeader {
  int16_t bitsPerSample = 0;
  int16_t channels = 0;
  int32_t sampleRate = 0;
  int64_t bytesPerSecond = 0;
  uint32_t dataOffset = 0;  // file position of the first sample byte
  uint32_t fileLength = 0;
  uint32_t dataLength = 0;  // as the header states it
};

// Reads the RIFF/WAVE/fmt markers, the format fields at their fixed offsets,
// and finds "data" on a 4-byte boundary from offset 36 (the samples begin at
// 46 when there is none). 1, or 0 after its message.
int ReadWaveHeader(const std::string& path, WaveHeader* header);

// What a writer saves: the working audio (mapped for reading), its format,
// and where it goes.
struct AudioWriteJob {
  const TempAudioFile* work = nullptr;
  AudioFormat format;
  uint32_t dataLength = 0;
  std::string target;      // the user's file
  std::string tempFolder;  // the run folder, for the file being written
  // When set, the samples are read from here rather than from `work`.
  const BorrowedAudio* borrowed = nullptr;
};

// Write a WAV file (44-byte header) or the bare PCM bytes into a new file in
// the run folder, then put it in place of the target. OP_DONE, OP_CANCELLED,
// or OP_FAILED after a message (also when no temporary name could be
// reserved).
OpResult WriteWaveFile(const AudioWriteJob& job, Progress& progress);
OpResult WriteRawPcmFile(const AudioWriteJob& job, Progress& progress);

// The 44-byte header WriteWaveFile puts in front of the samples.
std::string MakeWaveHeader(const AudioFormat& format, uint32_t dataLength);
