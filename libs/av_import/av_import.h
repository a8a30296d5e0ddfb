// libav_import.so: reads any audio file FFmpeg can decode as 16-bit signed
// samples at the file's own rate, for the editor's import of the formats it
// has no reader of its own for (FLAC, Ogg Vorbis, Opus, AAC/M4A, ALAC,
// AIFF/AIFC, CAF, and WAV files of more than 16 bits, in floating point or
// with more than two channels).
//
// The editor loads this library at run time by file name and looks its
// functions up by name, so they have C linkage and the typedefs below are the
// types the editor casts the looked-up symbols to. FFmpeg's own error codes
// never cross this boundary: every call answers with one of the results
// below.
//
// What comes out:
// - mono stays mono, stereo stays stereo; more channels are mixed down to
//   stereo with libswresample's default matrix (centre and surround at
//   -3 dB, LFE left out), scaled so that the mix cannot clip;
// - samples of 8 or 16 bits are converted exactly; wider or floating-point
//   samples are rounded to the nearest 16-bit value and clipped, without
//   dither;
// - the rate is the stream's first one; a stream whose rate changes part-way
//   (chained Ogg) is resampled to it.
//
// A reader is used by one thread at a time; separate readers are independent.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// File name of the library as the editor loads it ("AVImport.dll").
#define AV_IMPORT_LIBRARY_FILE "libav_import.so"

// Results.
#define AV_IMPORT_OK 0
#define AV_IMPORT_END 1              // AvImportRead: every sample has been handed out
#define AV_IMPORT_ERROR_ARGUMENT -1  // a null pointer
#define AV_IMPORT_ERROR_OPEN -2      // the file cannot be opened for reading
#define AV_IMPORT_ERROR_FORMAT -3    // not a file format FFmpeg recognises
#define AV_IMPORT_ERROR_NO_AUDIO -4  // recognised, but holds no audio stream
#define AV_IMPORT_ERROR_CODEC -5     // no decoder for the audio, or it refused the stream
#define AV_IMPORT_ERROR_STREAM -6    // no usable sample rate (1..768000 Hz) or channel count
#define AV_IMPORT_ERROR_DAMAGED -7   // AvImportRead: the data breaks off or is corrupt here
#define AV_IMPORT_ERROR_MEMORY -8    // out of memory
#define AV_IMPORT_ERROR_INTERNAL -9  // an unexpected library failure

#if defined(__GNUC__)
#define AV_IMPORT_EXPORT __attribute__((visibility("default")))
#else
#define AV_IMPORT_EXPORT
#endif

typedef struct AvImportReader AvImportReader;

// What AvImportOpen found. Texts are NUL-terminated and may be cut.
typedef struct AvImportInfo {
  int32_t sampleRate;      // Hz, of the output and (first) of the stream
  int32_t sourceChannels;  // channels in the file
  int32_t channels;        // channels handed out: 1 or 2
  // Precision of the source samples when the codec stores them exactly
  // (PCM and lossless codecs): 8, 16, 24, 32 or 64; 0 for lossy codecs,
  // whose decoded precision says nothing about the file.
  int32_t sourceBits;
  int32_t sourceIsFloat;  // 1 when those exact samples are floating point
  int64_t fileSize;       // bytes, for progress
  char codecName[64];     // FFmpeg's long codec name: "FLAC (Free Lossless Audio Codec)"
  char detail[128];       // on a failed open: what FFmpeg said, else empty
} AvImportInfo;

// Opens `path` and prepares its best audio stream. AV_IMPORT_OK with
// *reader set (close it with AvImportClose), or an error with *reader null;
// `info` is filled as far as the file was understood.
AV_IMPORT_EXPORT int32_t AvImportOpen(const char* path, AvImportReader** reader,
                                      AvImportInfo* info);

// The next block of interleaved samples (info.channels per frame). On
// AV_IMPORT_OK, *samples points at *frames frames (possibly 0) owned by the
// reader and valid until the next call; *position is the byte offset read so
// far. AV_IMPORT_END once all was handed out; AV_IMPORT_ERROR_DAMAGED when
// the rest of the file cannot be decoded (everything handed out before is
// sound) — also when the stream ends well before the length its header
// states.
AV_IMPORT_EXPORT int32_t AvImportRead(AvImportReader* reader, const int16_t** samples,
                                      int32_t* frames, int64_t* position);

// Frees the reader; null is allowed.
AV_IMPORT_EXPORT void AvImportClose(AvImportReader* reader);

typedef int32_t (*AvImportOpenFn)(const char* path, AvImportReader** reader, AvImportInfo* info);
typedef int32_t (*AvImportReadFn)(AvImportReader* reader, const int16_t** samples, int32_t* frames,
                                  int64_t* position);
typedef void (*AvImportCloseFn)(AvImportReader* reader);

#ifdef __cplusplus
}
#endif
