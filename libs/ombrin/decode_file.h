// The whole of one WMADecode call with a choice of how the work may be split;
// the exported function passes the defaults.
#pragma once

#include <cstdint>

#include "libs/ombrin/decode_options.h"
#include "libs/ombrin/ombrin.h"

namespace ombrin {

// WMADecode's contract (ombrin.h); `report` may be null.
int32_t DecodeFile(const char* inputPath, const char* outputPath, int16_t* channels,
                   int16_t* bitsPerSample, int32_t* sampleRate, DecodeProgressCallback progress,
                   const DecodeOptions& options, DecodeReport* report);

}  // namespace ombrin
