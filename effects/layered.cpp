#include "effects/layered.h"

#include <algorithm>
#include <cstring>

#include "effects/effect_output.h"
#include "effects/gain.h"

namespace {

// The contribution of one source sample: 8-bit amplitudes as they are,
// 16-bit samples first limited to ±32000; the scaled value saturated.
template <int Bits>
inline int32_t Contribution(const uint8_t* in, double factor) {
  if constexpr (Bits == 8) {
    return ClampSample8(ScaleSample(in[0] - 128, factor));
  } else {
    return ClampSample16(ScaleSample(ClampSample16(LoadSample16(in)), factor));
  }
}

template <int Bits>
inline void SetSample(uint8_t* out, int32_t value) {
  if constexpr (Bits == 8) {
    out[0] = static_cast<uint8_t>(value + 128);
  } else {
    StoreSample16(out, value);
  }
}

template <int Bits>
inline void AddSample(uint8_t* out, int32_t value) {
  if constexpr (Bits == 8) {
    out[0] = static_cast<uint8_t>(ClampSample8((out[0] - 128) + value) + 128);
  } else {
    StoreSample16(out, ClampSample16(ClampSample16(LoadSample16(out)) + value));
  }
}

// One channel of a run of frames. `in` and `out` may overlap (a pass that
// reads the result); frames are handled strictly in order, so a read sees
// every write made before it.
template <int Bits, int Block, LayerPass::Mode M>
void ChannelRun(const uint8_t* in, uint8_t* out, uint64_t frames, double factor) {
  for (uint64_t f = 0; f < frames; ++f) {
    const int32_t value = Contribution<Bits>(in + f * Block, factor);
    if constexpr (M == LayerPass::Mode::kSet) {
      SetSample<Bits>(out + f * Block, value);
    } else {
      AddSample<Bits>(out + f * Block, value);
    }
  }
}

using ChannelFn = void (*)(const uint8_t*, uint8_t*, uint64_t, double);

template <int Bits, int Block>
ChannelFn ChannelFor(LayerPass::Mode mode) {
  return mode == LayerPass::Mode::kSet ? ChannelRun<Bits, Block, LayerPass::Mode::kSet>
                                       : ChannelRun<Bits, Block, LayerPass::Mode::kAdd>;
}

ChannelFn ChannelFor(const AudioFormat& format, LayerPass::Mode mode) {
  if (format.bitsPerSample == 8) {
    return format.channels == 1 ? ChannelFor<8, 1>(mode) : ChannelFor<8, 2>(mode);
  }
  return format.channels == 1 ? ChannelFor<16, 2>(mode) : ChannelFor<16, 4>(mode);
}

}  // namespace

int32_t ClampPercent(int32_t value, int32_t low, int32_t high) {
  return std::clamp(value, low, high);
}

bool RunLayerPasses(const uint8_t* source, uint8_t* result, uint32_t length,
                    const AudioFormat& format, const std::vector<LayerPass>& passes,
                    Progress& progress) {
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint32_t sample = static_cast<uint32_t>(format.bitsPerSample / 8);
  const int channels = format.channels;
  auto writeRight = [&](const LayerPass& pass) {
    return channels == 2 ? pass.write[1] : pass.write[0];
  };

  uint64_t total = 0;
  for (const LayerPass& pass : passes) {
    total += PassFrames(pass.write[0], writeRight(pass), length, block) * block;
  }
  progress.SetTotal(static_cast<uint32_t>(std::min<uint64_t>(total / 100, UINT32_MAX)));
  progress.Step(0);

  PassProgress counter(progress);
  for (const LayerPass& pass : passes) {
    const uint64_t frames = PassFrames(pass.write[0], writeRight(pass), length, block);
    const uint8_t* in = pass.readsResult ? result : source;
    const ChannelFn channelRun = ChannelFor(format, pass.mode);
    // Frames of this pass whose write position for a channel is still
    // inside the region.
    uint64_t inside[2] = {0, 0};
    double factor[2] = {0, 0};
    for (int c = 0; c < channels; ++c) {
      inside[c] = PassFrames(pass.write[c], pass.write[c], length, block);
      factor[c] = GainFactor(pass.level[c]);
    }
    const bool finished = counter.Walk(frames, block, [&](uint64_t first, uint64_t count) {
      if (pass.mode == LayerPass::Mode::kCopy) {
        std::memcpy(result + first * block, in + first * block, count * block);
        return;
      }
      for (int c = 0; c < channels; ++c) {
        if (first >= inside[c]) continue;
        const uint64_t n = std::min(count, inside[c] - first);
        const uint64_t offset = first * block + c * sample;
        channelRun(in + offset, result + pass.write[c] + offset, n, factor[c]);
      }
    });
    if (!finished) return false;
  }
  return true;
}
