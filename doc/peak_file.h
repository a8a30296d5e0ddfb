// Peak files: the waveform summary the view draws from without touching the
// samples. Per 32 sample frames and per channel one byte of maximum and one
// byte of negative magnitude, on the 8-bit signed scale. The first entry
// covers frames 0..32, every further one the next 32 frames; frames after the
// last whole block are not summarised, so F frames give (F - 1) / 32 entries.
#pragma once

#include <cstdint>

#include "doc/progress.h"
#include "doc/temp_audio_file.h"

// Number of peak bytes a slot of `pcmLength` bytes in `format` gets; 0 for
// formats that have no peak data.
uint32_t PeakLengthFor(const AudioFormat& format, uint32_t pcmLength);

// Builds the slot's peak file from its PCM data, which must be mapped for
// reading; the peak file must not be mapped. Sets `peakLength` to what was
// written, also when cancelled. OP_DONE, OP_CANCELLED or OP_FAILED.
int DrawPeakFile(TempAudioFile* slot, Progress& progress);

// After a result has been committed over the working slot (PCM mapped for
// reading): builds a missing peak file, and rebuilds one whose length has
// drifted from what the PCM length implies. Cancel is disabled meanwhile.
// OP_DONE, OP_CANCELLED when a build did not finish, OP_FAILED when the new
// peak file could not be mapped.
int RebuildPeakFileIfNeeded(TempAudioFile* work, Progress& progress);
