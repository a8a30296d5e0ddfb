// The exported entry point; the decoding is DecodeFile's, with the defaults.
#include "libs/ombrin/ombrin.h"
#include "libs/ombrin/decode_file.h"

extern "C" OMBRIN_EXPORT int32_t WMADecode(const char* inputPath, const char* outputPath,
                                           int16_t* channels, int16_t* bitsPerSample,
                                           int32_t* sampleRate, DecodeProgressCallback progress) {
  return ombrin::DecodeFile(inputPath, outputPath, channels, bitsPerSample, sampleRate, progress,
                            ombrin::DecodeOptions{}, nullptr);
}
