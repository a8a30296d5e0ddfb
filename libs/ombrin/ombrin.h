/* The WMA decoder library. The editor loads libombrin.so at run time, looks up
 * "WMADecode" by name and decodes a WMA file straight into the working PCM
 * file of a new document.
 *
 * Contract of WMADecode:
 * - inputPath: the WMA (ASF) file. outputPath: the PCM file to create or
 *   truncate; it receives headerless interleaved little-endian PCM frames in
 *   the format written to the out-parameters: 16-bit signed, or 8-bit unsigned
 *   when the stream declares 8 bits per sample. The channel count and sample
 *   rate are the stream's own; more than two channels (WMA Pro 5.1, say) are
 *   kept as they are and the caller decides whether it can use them.
 * - channels, bitsPerSample, sampleRate are written only once the stream
 *   format has been read; on the earlier failures they keep the caller's
 *   values. A declared bit depth other than 8 or 16 is reported as 16 after a
 *   message. Any of the three may be null.
 * - progress (may be null) is called on the caller's thread: once with 0 when
 *   the decode starts (what it writes to keepGoing then is ignored), then after
 *   every wait of at most 50 ms while a worker thread decodes, with even,
 *   never decreasing percentages ending at 100 when the whole file was decoded.
 *   Writing 0 to *keepGoing stops the decoding; the output keeps what was
 *   written so far and the call returns 0, so the caller notices the
 *   cancellation itself.
 * - One call at a time per process. A call made while another is running
 *   (from another thread, or from inside the progress callback) returns
 *   OMBRIN_E_BUSY at once without touching its output file.
 * - Failures are reported with the decoder's fixed message texts through the
 *   editor's message sink, on the caller's thread. The output file, once
 *   created, is left to the caller (empty or holding what was decoded).
 *
 * Result: 0 on success, otherwise negative:
 * - OMBRIN_E_INVALIDARG: null inputPath or outputPath, or a file without a
 *   known duration;
 * - OMBRIN_E_OUTOFMEMORY: memory ran out;
 * - OMBRIN_E_BUSY: another call is running;
 * - OMBRIN_E_UNEXPECTED: an internal failure that has no better code;
 * - OMBRIN_ERRNO_CODE(e) = 0x80070000 | e for a failing system call with errno
 *   e (0x80070002 for a missing input file, for example), including system
 *   errors that FFmpeg reports;
 * - FFmpeg's own negative AVERROR codes, unchanged, for FFmpeg failures that
 *   are not system errors (AVERROR_INVALIDDATA, AVERROR_STREAM_NOT_FOUND,
 *   AVERROR_DECODER_NOT_FOUND, ...); av_strerror() describes them. They never
 *   collide with the codes above, whose low 16 bits are below 0x1000.
 */
#ifndef OMBRIN_OMBRIN_H_
#define OMBRIN_OMBRIN_H_

#include <stdint.h>

#if defined(__GNUC__)
#define OMBRIN_EXPORT __attribute__((visibility("default")))
#else
#define OMBRIN_EXPORT
#endif

#define OMBRIN_E_UNEXPECTED ((int32_t)0x8000FFFF)
#define OMBRIN_E_OUTOFMEMORY ((int32_t)0x8007000E)
#define OMBRIN_E_INVALIDARG ((int32_t)0x80070057)
#define OMBRIN_E_BUSY ((int32_t)0x800700AA)
#define OMBRIN_ERRNO_CODE(e) ((int32_t)(0x80070000u | ((uint32_t)(e)&0xFFFFu)))

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*DecodeProgressCallback)(int percent, int* keepGoing);

OMBRIN_EXPORT int32_t WMADecode(const char* inputPath, const char* outputPath, int16_t* channels,
                                int16_t* bitsPerSample, int32_t* sampleRate,
                                DecodeProgressCallback progress);

/* The type of WMADecode for callers that look it up with dlsym. */
typedef int32_t (*WMADecodeFunction)(const char* inputPath, const char* outputPath,
                                     int16_t* channels, int16_t* bitsPerSample, int32_t* sampleRate,
                                     DecodeProgressCallback progress);

#ifdef __cplusplus
}
#endif

#endif /* OMBRIN_OMBRIN_H_ */
