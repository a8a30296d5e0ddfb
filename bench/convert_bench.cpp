// Audio format conversion over a long slot: 44100 Hz 16-bit stereo to
// 22050 Hz 8-bit mono, the change of audio quality that touches every step
// of the conversion (bit depth, channel mix, dropped frames). The source is
// a real slot in the platform temp folder, filled and mapped before timing;
// each iteration times one ConvertAudioFile into a fresh destination slot,
// which is then cleaned up outside the timed part.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/convert.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "engine/temp_audio_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// Two detuned tones with a little deterministic noise, loud enough that the
// channel mix clamps now and then. One second of each tone is tabulated so
// that filling half a gigabyte takes no longer than converting it.
void FillStereo16(uint8_t* data, size_t length) {
  std::vector<int16_t> left(44100), right(44100);
  for (size_t f = 0; f < left.size(); ++f) {
    const double t = static_cast<double>(f) / 44100.0;
    left[f] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 440 * t));
    right[f] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 443 * t));
  }
  uint32_t noise = 12345;
  const size_t frames = length / 4;
  for (size_t f = 0; f < frames; ++f) {
    noise = noise * 1664525u + 1013904223u;
    const int jitter = static_cast<int>(noise >> 24) - 128;
    const auto l = static_cast<int16_t>(left[f % 44100] + jitter);
    const auto r = static_cast<int16_t>(right[f % 44100] - jitter);
    uint8_t* at = data + f * 4;
    at[0] = static_cast<uint8_t>(l & 0xff);
    at[1] = static_cast<uint8_t>((l >> 8) & 0xff);
    at[2] = static_cast<uint8_t>(r & 0xff);
    at[3] = static_cast<uint8_t>((r >> 8) & 0xff);
  }
}

void BM_Convert44100Stereo16To22050Mono8(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0)) << 20;
  const int buildPeak = static_cast<int>(state.range(1));
  bench::ScratchFolder folder;
  TempAudioFile source, destination;
  if (folder.Path().empty() || CreateTempAudioFile(&source, folder.Path(), "work") != OP_DONE ||
      CreateTempAudioFile(&destination, folder.Path(), "temp_c") != OP_DONE) {
    state.SkipWithError("cannot create slots");
    return;
  }
  source.SetFormat({2, 16, 44100});
  source.pcmLength = static_cast<uint32_t>(length);
  if (DocMemMapFile(&source, PCM_PART, MAP_WRITE) != OP_DONE) {
    state.SkipWithError("cannot map the source");
    return;
  }
  FillStereo16(source.pcmData, length);
  if (CloseMemMapFile(&source, PCM_PART) != OP_DONE ||
      DocMemMapFile(&source, PCM_PART, MAP_READ) != OP_DONE) {
    state.SkipWithError("cannot remap the source");
    CleanupTempAudioFile(&source, 0);
    return;
  }
  // A document's audio has long been written out; without this the write
  // back of the fresh source would compete with the first iterations.
  ::sync();

  SilentOperationHost progress;
  uint32_t produced = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    const auto result = ConvertAudioFile(&source, &destination, 8, 1, 22050, buildPeak, progress);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    produced = destination.pcmLength;
    CleanupTempAudioFile(&destination, 0);
    if (result != OP_DONE) {
      state.SkipWithError("conversion failed");
      break;
    }
    state.SetIterationTime(seconds);
  }
  CleanupTempAudioFile(&source, 0);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
  state.counters["destination_bytes"] = static_cast<double>(produced);
  state.counters["rss_anon_kib"] = static_cast<double>(bench::RssAnonKiB());
}

}  // namespace

// Arguments: source MiB, build the peak file (0/1).
BENCHMARK(BM_Convert44100Stereo16To22050Mono8)
    ->Args({16, 0})
    ->Args({512, 0})
    ->Args({512, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);
