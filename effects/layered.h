// The engine of the echo, reverb and multi voice effects: a series of passes
// over the region, each reading frames (from the source region or from the
// result built so far) and writing or adding them, per channel at its own
// write position, into the result. Writes at or past the region's end are
// dropped; a pass stops once both write positions have passed it.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/progress.h"
#include "engine/temp_audio_file.h"

struct LayerPass {
  enum class Mode {
    kCopy,  // result := source frame (both write positions must be 0)
    kSet,   // result := saturated scaled source
    kAdd,   // result := saturated (result + saturated scaled source)
  };
  Mode mode = Mode::kCopy;
  bool readsResult = false;    // reads the result from offset 0, as it stands
  uint64_t write[2] = {0, 0};  // left, right write position at the start
  int32_t level[2] = {0, 0};   // left, right percentage
};

// Sets the progress total (every byte any pass steps over, / 100), reports
// Step(0), and runs the passes in order with progress every 8192 bytes of
// that count. Mono audio uses only the left write position and level.
// true when finished, false when the user cancelled.
bool RunLayerPasses(const uint8_t* source, uint8_t* result, uint32_t length,
                    const AudioFormat& format, const std::vector<LayerPass>& passes,
                    Progress& progress);

// Percentages outside what the dialogs offer (a hand-edited preset file, a
// batch setting) are brought into [low, high] before any arithmetic.
int32_t ClampPercent(int32_t value, int32_t low, int32_t high);
