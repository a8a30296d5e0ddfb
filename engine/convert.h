// Audio format conversion between slots: bits per sample (8 <-> 16),
// channels (1 <-> 2) and sample rate, in one pass over the source's mapped
// PCM data. The resampler has no filter: lowering the rate drops source
// frames, raising it inserts frames interpolated toward the next source
// frame. Undo entries, the clipboard and documents converted by earlier
// runs hold audio made by exactly this arithmetic, so it is reproduced
// sample for sample rather than improved:
//
// - The destination length is estimated before any sample is read: from the
//   source length, one floating-point step (double) per differing property,
//   bits, then channels, then rate (target / source x length), each
//   truncated toward zero; then rounded up to whole target frames (which is
//   length + (length mod target block size) except where that left half a
//   stereo 16-bit frame).
//   Output beyond the estimate is dropped, missing output stays zero bytes.
// - 8 -> 16 bits multiplies by 256; 16 -> 8 bits shifts right arithmetically
//   for a mono source but divides truncating toward zero for a stereo one.
// - Stereo -> mono adds both channels and clamps to -127..127 (8-bit target)
//   or -32000..32000 (16-bit target); mono -> stereo duplicates.
// - The drop and insert decisions compare sample counts against ratios that
//   are computed in long double and stored as float, with the count being
//   tested rounded to float and the quotient formed in double.
#pragma once

#include <cstdint>

#include "engine/progress.h"
#include "engine/temp_audio_file.h"

// Converts the source slot's PCM data (mapped for reading) into the
// destination slot (unmapped) in the target format. On OP_DONE the
// destination holds the converted data and its format, its PCM file mapped
// for reading and, when `buildPeak` is not 0, its peak file built and mapped
// for reading. After OP_CANCELLED or OP_FAILED the destination may be left
// mapped and partly written; the caller cleans it up.
//
// Formats other than 1 or 2 channels of 8 or 16 bits at a positive rate, on
// either side, and destinations that would exceed 4 GiB are refused with a
// "Sorry, ..." message. A trailing partial source frame is ignored.
OpResult ConvertAudioFile(TempAudioFile* source, TempAudioFile* destination, int16_t bitsPerSample,
                          int16_t channels, int32_t sampleRate, int buildPeak, Progress& progress);

// The destination length the conversion reserves for `sourceLength` bytes of
// `from` converted to `to`; false when it would not fit in 32 bits. Both
// formats must be convertible.
bool ConvertedLength(const AudioFormat& from, const AudioFormat& to, uint32_t sourceLength,
                     uint32_t* length);
