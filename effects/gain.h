// The sample arithmetic every tool and effect shares.
//
// Gains are whole percentages applied through the single-precision value
// nearest to 0.01, which is slightly below 0.01: a gain of 100% therefore
// moves every non-zero amplitude one step toward zero. The double-precision
// product amplitude × percent × F is exact for |amplitude| <= 32768 and
// percent <= 300 (16 + 9 + 24 significant bits), so it does not matter in
// which order the factors are multiplied; loops multiply by a precomputed
// GainFactor(percent), which gives the same truncated result.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "16-bit samples are accessed in place as little-endian values");

// Exactly 0.00999999977648258209228515625.
inline constexpr double kPercentStep = static_cast<double>(0.01f);

// percent × F, exact in double for percent up to 2^29.
inline constexpr double GainFactor(int32_t percent) {
  return percent * kPercentStep;
}

// amplitude × factor truncated toward zero; the factor comes from GainFactor.
inline int32_t ScaleSample(int32_t amplitude, double factor) {
  return static_cast<int32_t>(static_cast<double>(amplitude) * factor);
}

// The percentage rule: amplitude × percent × F truncated toward zero.
// Callers keep |amplitude| <= 32768 and 0 <= percent <= 300.
inline int32_t GainScale(int32_t amplitude, int32_t percent) {
  return ScaleSample(amplitude, GainFactor(percent));
}

// Saturation of the effects that add signals: -127..127 around 8-bit silence
// and -32000..32000 for 16-bit samples (deliberately short of the full range).
inline constexpr int32_t ClampSample8(int32_t x) {
  return x > 127 ? 127 : x < -127 ? -127 : x;
}
inline constexpr int32_t ClampSample16(int32_t x) {
  return x > 32000 ? 32000 : x < -32000 ? -32000 : x;
}

// 16-bit samples at any byte offset of a mapped view.
inline int32_t LoadSample16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
// Stores the low 16 bits of `value` (two's complement wrap-around).
inline void StoreSample16(uint8_t* p, int32_t value) {
  const auto v = static_cast<int16_t>(static_cast<uint16_t>(value));
  std::memcpy(p, &v, sizeof v);
}
