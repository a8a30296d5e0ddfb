// libsarvik.so: WMA encoding of 16-bit PCM into an ASF file.
//
// The editor loads this library at run time by file name and looks its three
// functions up by name, so they have C linkage and the typedefs below are the
// types the editor casts the looked-up symbols to.
//
// One encoding session at a time, module-wide (the calls carry no handle):
//   WMAEncodeInit(path, quality, 2, 16, rate)   starts it,
//   WMAEncodeBuffer(samples, byteCount) ...     feeds interleaved samples,
//   WMAEncodeDeInit()                           finishes the file.
// The stream is Windows Media Audio 2 in an ASF container at the sample rate
// given (the encoder accepts up to 48000 Hz), bit rate by quality index:
// 0 = 128, 1 = 96, 2 = 64, 3 = 48 kbit/s.
//
// A failed session never leaves a partial file: when Init, a Buffer call or
// DeInit fails, the output file is removed by the DeInit that ends the
// session (or by Init itself). An Init while a session is still open (the
// previous one was abandoned, e.g. after a cancel) drops that session without
// touching its file and starts the new one.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// File name of the library as the editor loads it ("Sarvik.dll").
#define SARVIK_LIBRARY_FILE "libsarvik.so"

// Results of the three calls.
#define SARVIK_OK 0
#define SARVIK_ERROR_ARGUMENT -1  // null path or buffer, bad quality, channels, bits or count
#define SARVIK_ERROR_STATE -2     // Buffer or DeInit without a started session
#define SARVIK_ERROR_OPEN -3      // output not writable, or the encoder refused the format
#define SARVIK_ERROR_ENCODE -4    // encoding or writing failed; the session is void
#define SARVIK_ERROR_INTERNAL -5  // out of memory or an unexpected library failure

#if defined(__GNUC__)
#define SARVIK_EXPORT __attribute__((visibility("default")))
#else
#define SARVIK_EXPORT
#endif

// Starts encoding into `outputPath` (created or truncated). `quality` is 0..3,
// `channels` 1 or 2, `bitsPerSample` 16, `sampleRate` in Hz.
SARVIK_EXPORT int32_t WMAEncodeInit(const char* outputPath, int32_t quality, int32_t channels,
                                    int32_t bitsPerSample, int32_t sampleRate);

// Encodes the next `byteCount` bytes of signed 16-bit little-endian
// interleaved samples. Blocks may be of any size, even splitting a sample
// frame; what does not fill an encoder frame is kept for the next call.
SARVIK_EXPORT int32_t WMAEncodeBuffer(const void* buffer, int32_t byteCount);

// Encodes what is left, writes the file's index and header data and closes
// it. Decoded (by FFmpeg), the file gives the input from its first sample on,
// followed by one to two encoder frames of silence (an encoder frame is 2048
// samples above 22050 Hz, 1024 above 16000 Hz, else 512): the encoder is fed
// one frame of silence in front and one behind, so that neither the first nor
// the last frame of the audio is lost to the codec's frame overlap.
SARVIK_EXPORT int32_t WMAEncodeDeInit(void);

typedef int32_t (*WMAEncodeInitFn)(const char* outputPath, int32_t quality, int32_t channels,
                                   int32_t bitsPerSample, int32_t sampleRate);
typedef int32_t (*WMAEncodeBufferFn)(const void* buffer, int32_t byteCount);
typedef int32_t (*WMAEncodeDeInitFn)(void);

#ifdef __cplusplus
}
#endif
