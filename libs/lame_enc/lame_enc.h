// The MP3 encoder-stream interface of liblame_enc.so: five C functions that
// encode interleaved 16-bit PCM into constant-bit-rate MPEG audio layer III
// frames, one chunk at a time.
//
// The editor loads the library at run time and looks the functions up by
// name, so it relies only on the typedefs below; the declarations are for the
// library itself and for programs that link it directly.
//
// A session:
//   beInitStream(&config, &samplesPerChunk, &outputBufferSize, &stream);
//   for each chunk of at most samplesPerChunk samples:
//     beEncodeChunk(stream, count, samples, output, &outputLength);
//   beDeinitStream(stream, output, &outputLength);   // the last frames
//   beCloseStream(stream);
// where output is a buffer of outputBufferSize bytes. Every call returns
// BE_ERR_SUCCESSFUL (0) or one of the non-zero codes below.
//
// The output is bare MP3 frames: no ID3 tag at either end and no Xing/Info
// frame, so the bytes can be appended to a file that is never revisited and
// the caller may add a tag of its own after the last frame.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define BE_EXPORT __attribute__((visibility("default")))
#else
#define BE_EXPORT
#endif

#ifdef __cplusplus
#define BE_STATIC_ASSERT(condition, text) static_assert(condition, text)
#else
#define BE_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

// ---- Result codes -------------------------------------------------------

typedef uint32_t BeErr;

#define BE_ERR_SUCCESSFUL 0u
// The configuration kind is not BE_CONFIG_MP3.
#define BE_ERR_INVALID_FORMAT 1u
// Sample rate, bit rate (not in the MPEG table for that rate) or mode not
// supported.
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2u
// No stream could be created (out of memory, or the encoder could not start).
#define BE_ERR_NO_MORE_HANDLES 3u
// The stream handle is 0, already closed, or was never issued.
#define BE_ERR_INVALID_HANDLE 4u
// More samples than samplesPerChunk: the output might not fit the buffer size
// the stream promised, so nothing is encoded.
#define BE_ERR_BUFFER_TOO_SMALL 5u
// A required pointer is null, or the sample count splits a stereo frame.
#define BE_ERR_INVALID_PARAMETER 6u
// The encoder reported an error while encoding or flushing.
#define BE_ERR_ENCODER_FAILED 7u
// beDeinitStream has already flushed this stream; only beCloseStream remains.
#define BE_ERR_STREAM_FLUSHED 8u

// ---- Encoder configuration ----------------------------------------------

#define BE_CONFIG_MP3 0u

// Channel modes. Stereo and joint stereo take interleaved left/right samples;
// mono takes one channel. The values are the MPEG header's mode numbers.
#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_MONO 3

// Packed and little-endian, in exactly this order (27 bytes). Supported
// sample rates: 32000, 44100, 48000 Hz with 32..320 kbit/s; 16000, 22050,
// 24000 Hz with 8..160 kbit/s; 8000, 11025, 12000 Hz with 8..64 kbit/s; the
// bit rate must be one of MPEG's table values for the rate. Any non-zero flag
// sets the matching header bit.
#pragma pack(push, 1)
typedef struct BeMp3Config {
  uint32_t configKind;     // BE_CONFIG_MP3
  uint32_t sampleRate;     // Hz, of both input and output
  uint8_t mode;            // BE_MP3_MODE_*
  uint16_t bitRate;        // kbit/s, constant
  uint32_t privateFlag;    // header's private bit
  uint32_t crcFlag;        // protect each frame with a CRC
  uint32_t copyrightFlag;  // header's copyright bit
  uint32_t originalFlag;   // header's original bit
} BeMp3Config;
#pragma pack(pop)

BE_STATIC_ASSERT(sizeof(BeMp3Config) == 27, "configuration record is 27 packed bytes");
BE_STATIC_ASSERT(offsetof(BeMp3Config, configKind) == 0, "configKind at 0");
BE_STATIC_ASSERT(offsetof(BeMp3Config, sampleRate) == 4, "sampleRate at 4");
BE_STATIC_ASSERT(offsetof(BeMp3Config, mode) == 8, "mode at 8");
BE_STATIC_ASSERT(offsetof(BeMp3Config, bitRate) == 9, "bitRate at 9");
BE_STATIC_ASSERT(offsetof(BeMp3Config, privateFlag) == 11, "privateFlag at 11");
BE_STATIC_ASSERT(offsetof(BeMp3Config, crcFlag) == 15, "crcFlag at 15");
BE_STATIC_ASSERT(offsetof(BeMp3Config, copyrightFlag) == 19, "copyrightFlag at 19");
BE_STATIC_ASSERT(offsetof(BeMp3Config, originalFlag) == 23, "originalFlag at 23");

// ---- Stream handle ------------------------------------------------------

// An opaque number naming one open stream. Numbers are never reused, so a
// closed handle stays invalid instead of reaching a later stream.
typedef uint64_t BeStream;
#define BE_NO_STREAM ((BeStream)0)

// ---- Version record -----------------------------------------------------

#define BE_HOMEPAGE_SIZE 129

typedef struct BeVersionInfo {
  uint8_t adapterMajor;  // this library
  uint8_t adapterMinor;
  uint8_t engineMajor;  // libmp3lame
  uint8_t engineMinor;
  uint8_t releaseDay;    // of this library, 1..31
  uint8_t releaseMonth;  // 1..12
  uint16_t releaseYear;
  char homepage[BE_HOMEPAGE_SIZE];  // the encoder's home page, zero-terminated
} BeVersionInfo;

BE_STATIC_ASSERT(offsetof(BeVersionInfo, releaseYear) == 6, "releaseYear at 6");
BE_STATIC_ASSERT(offsetof(BeVersionInfo, homepage) == 8, "homepage at 8");
BE_STATIC_ASSERT(sizeof(BeVersionInfo) == 138, "version record is 138 bytes");

// ---- Functions ----------------------------------------------------------

// Opens a stream. samplesPerChunk receives the largest sample count one
// beEncodeChunk call accepts, counting the samples of all channels (1152
// frames x 2 channels = 2304 for stereo at 32..48 kHz); outputBufferSize the
// byte size of the output buffer that every beEncodeChunk and beDeinitStream
// call must provide. On failure the stream is BE_NO_STREAM.
typedef BeErr (*BeInitStreamFn)(const BeMp3Config* config, uint32_t* samplesPerChunk,
                                uint32_t* outputBufferSize, BeStream* stream);
// Encodes sampleCount samples (interleaved left/right for stereo modes) and
// stores the MP3 bytes ready so far, possibly none, in output.
typedef BeErr (*BeEncodeChunkFn)(BeStream stream, uint32_t sampleCount, const int16_t* samples,
                                 uint8_t* output, uint32_t* outputLength);
// Encodes what is still buffered, padding the last frame with silence.
typedef BeErr (*BeDeinitStreamFn)(BeStream stream, uint8_t* output, uint32_t* outputLength);
// Releases the stream, flushed or not.
typedef BeErr (*BeCloseStreamFn)(BeStream stream);
typedef BeErr (*BeVersionFn)(BeVersionInfo* version);

BE_EXPORT BeErr beInitStream(const BeMp3Config* config, uint32_t* samplesPerChunk,
                             uint32_t* outputBufferSize, BeStream* stream);
BE_EXPORT BeErr beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples,
                              uint8_t* output, uint32_t* outputLength);
BE_EXPORT BeErr beDeinitStream(BeStream stream, uint8_t* output, uint32_t* outputLength);
BE_EXPORT BeErr beCloseStream(BeStream stream);
BE_EXPORT BeErr beVersion(BeVersionInfo* version);

#ifdef __cplusplus
}  // extern "C"
#endif
