// libav_export.so: writes 16-bit PCM as a FLAC, Ogg Vorbis or Opus file with
// Vorbis comments, and resamples 16-bit PCM for the encoders that need
// another rate.
//
// The editor loads this library at run time by file name and looks its
// functions up by name, so they have C linkage and the typedefs below are the
// types the editor casts the looked-up symbols to. FFmpeg's own error codes
// never cross this boundary.
//
// One writer per output file; writers are independent. The caller owns the
// output path: a writer creates or truncates it, and never removes it, so
// that the caller (who writes into a temporary file of its own) decides what
// becomes of a failed one.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// File name of the library as the editor loads it ("AVExport.dll").
#define AV_EXPORT_LIBRARY_FILE "libav_export.so"

// The file types.
#define AV_EXPORT_FLAC 1  // FLAC, lossless, at the input's rate
#define AV_EXPORT_OGG 2   // Vorbis in Ogg, at the input's rate
#define AV_EXPORT_OPUS 3  // Opus in Ogg, always 48000 Hz: other rates are resampled

// Results.
#define AV_EXPORT_OK 0
#define AV_EXPORT_ERROR_ARGUMENT -1  // a null pointer, or a setting out of its range
#define AV_EXPORT_ERROR_CODEC -2     // FFmpeg has no encoder for the type, or it refused the format
#define AV_EXPORT_ERROR_OPEN -3      // the output cannot be created
#define AV_EXPORT_ERROR_WRITE -4     // writing the output failed (a full disk, say)
#define AV_EXPORT_ERROR_MEMORY -5    // out of memory
#define AV_EXPORT_ERROR_INTERNAL -6  // an unexpected library failure

#if defined(__GNUC__)
#define AV_EXPORT_EXPORT __attribute__((visibility("default")))
#else
#define AV_EXPORT_EXPORT
#endif

typedef struct AvExportWriter AvExportWriter;

typedef struct AvExportSettings {
  int32_t type;        // AV_EXPORT_FLAC, AV_EXPORT_OGG or AV_EXPORT_OPUS
  int32_t channels;    // 1 or 2
  int32_t sampleRate;  // of the input, Hz
  int32_t flacLevel;   // FLAC compression level 0..8 (5 is the usual)
  int32_t oggQuality;  // Vorbis quality 0..10 (5 is the usual)
  int32_t opusKbps;    // Opus bit rate 64..256 kbit/s (128 is the usual)
  // Vorbis comments (UTF-8; null or empty: not written).
  const char* title;
  const char* artist;
  const char* album;
  const char* date;
  const char* comment;
  const char* genre;
} AvExportSettings;

// Creates `path` and writes the file's header. AV_EXPORT_OK with *writer set,
// or an error with *writer null.
AV_EXPORT_EXPORT int32_t AvExportOpen(const char* path, const AvExportSettings* settings,
                                      AvExportWriter** writer);

// Encodes `frames` frames of interleaved signed 16-bit samples.
AV_EXPORT_EXPORT int32_t AvExportWrite(AvExportWriter* writer, const int16_t* samples,
                                       int32_t frames);

// Encodes what is held back, writes the trailer and closes the file. The
// writer must still be freed with AvExportClose.
AV_EXPORT_EXPORT int32_t AvExportFinish(AvExportWriter* writer);

// Frees the writer, closing the file if Finish did not; null is allowed.
AV_EXPORT_EXPORT void AvExportClose(AvExportWriter* writer);

typedef struct AvResampler AvResampler;

// A resampler of interleaved signed 16-bit samples of `channels` (1 or 2)
// from `inRate` to `outRate` Hz (1..768000) with libswresample's filter.
AV_EXPORT_EXPORT int32_t AvResamplerOpen(int32_t channels, int32_t inRate, int32_t outRate,
                                         AvResampler** resampler);

// Resamples `frames` input frames; null `samples` with 0 frames flushes what
// the filter still holds. *out points at *outFrames frames (possibly 0)
// owned by the resampler and valid until the next call.
AV_EXPORT_EXPORT int32_t AvResamplerRun(AvResampler* resampler, const int16_t* samples,
                                        int32_t frames, const int16_t** out, int32_t* outFrames);

// Frees the resampler; null is allowed.
AV_EXPORT_EXPORT void AvResamplerClose(AvResampler* resampler);

typedef int32_t (*AvExportOpenFn)(const char* path, const AvExportSettings* settings,
                                  AvExportWriter** writer);
typedef int32_t (*AvExportWriteFn)(AvExportWriter* writer, const int16_t* samples, int32_t frames);
typedef int32_t (*AvExportFinishFn)(AvExportWriter* writer);
typedef void (*AvExportCloseFn)(AvExportWriter* writer);
typedef int32_t (*AvResamplerOpenFn)(int32_t channels, int32_t inRate, int32_t outRate,
                                     AvResampler** resampler);
typedef int32_t (*AvResamplerRunFn)(AvResampler* resampler, const int16_t* samples, int32_t frames,
                                    const int16_t** out, int32_t* outFrames);
typedef void (*AvResamplerCloseFn)(AvResampler* resampler);

#ifdef __cplusplus
}
#endif
