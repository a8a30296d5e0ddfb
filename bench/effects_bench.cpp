// The tools' processing over long audio. Each figure is a whole
// PerformAction: the walk over the mapped working audio, slot B written at
// its final size through its mapping, and B's peak file built, as the
// driver runs it. The multi-pass effects are measured per pass against one
// volume pass over the same region, and one volume pass is set beside sox
// doing the same job from file to file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "bench/bench_support.h"
#include "effects/document_tools.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/wave_file.h"
#include "platform/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kLength = 256u << 20;     // 16-bit stereo working audio
constexpr uint32_t kPassRegion = 64u << 20;  // region of the per-pass comparison
const AudioFormat kFormat{2, 16, 44100};

// A started application in a scratch folder with one document whose working
// audio is kLength bytes of a loud, varied signal.
struct BenchDocument {
  bench::ScratchFolder folder;
  std::unique_ptr<CEditorApp> app;
  std::unique_ptr<CEditorDoc> doc;
  SilentOperationHost progress;
  bool ok = false;

  BenchDocument() {
    app = std::make_unique<CEditorApp>();
    ConfigRecord record{};
    record.SetTempFolder(folder.Path());
    app->SetConfigPath(folder.Path() + "/editor.cfg");
    WriteConfigFile(app->ConfigPath(), record);
    DefaultFirstRunDialogs unused;
    StartUpOptions options;
    options.firstRunDialogs = false;
    options.ownsRunFolderRecord = false;
    if (!app->StartUp(unused, options)) return;
    app->installTools = InstallDocumentTools;
    doc = std::make_unique<CEditorDoc>(*app);
    CEditorDoc& d = *doc;
    d.channels = kFormat.channels;
    d.bitsPerSample = kFormat.bitsPerSample;
    d.sampleRate = kFormat.sampleRate;
    d.bytesPerSecond = kFormat.BytesPerSecond();
    d.blockAlign = static_cast<int16_t>(kFormat.BlockSize());
    d.work.SetFormat(kFormat);
    d.work.pcmLength = kLength;
    if (DocMemMapFile(&d.work, PCM_PART, MAP_WRITE) != OP_DONE) return;
    auto* samples = reinterpret_cast<int16_t*>(d.work.pcmData);
    uint32_t x = 12345;
    for (uint32_t i = 0; i < kLength / 2; ++i) {
      x = x * 1664525u + 1013904223u;
      samples[i] = static_cast<int16_t>((x >> 16) & 0xffff);
    }
    if (CloseMemMapFile(&d.work, PCM_PART) != OP_DONE) return;
    if (DocMemMapFile(&d.work, PCM_PART, MAP_READ) != OP_DONE) return;
    d.dataLength = kLength;
    ok = true;
  }
  ~BenchDocument() {
    doc.reset();
    app.reset();
  }
};

BenchDocument& Document() {
  static BenchDocument document;
  return document;
}

// Seconds of one PerformAction, or -1 when it failed; B is cleaned up after.
double TimeTool(EffectTool& tool, BenchDocument& d) {
  const auto start = Clock::now();
  const auto result = tool.PerformAction(*d.doc, d.progress);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  CleanupTempAudioFile(d.doc->tempB, 0);
  return result == OP_DONE ? seconds : -1;
}

template <OpCode Code>
void BM_WholeFile(benchmark::State& state) {
  BenchDocument& d = Document();
  if (!d.ok) {
    state.SkipWithError("cannot set up the document");
    return;
  }
  d.doc->SetSelection(0, 0);
  EffectTool* tool = d.doc->Tool(Code);
  for (auto _ : state) {
    const double seconds = TimeTool(*tool, d);
    if (seconds < 0) {
      state.SkipWithError("tool failed");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLength);
}

// What every tool pays besides its own loop, for scale: slot B mapped for
// writing at 256 MiB, filled with memset, unmapped and mapped for reading
// ("slot"), and its peak file built and mapped ("peaks").
void BM_SlotAndPeakBaseline(benchmark::State& state) {
  BenchDocument& d = Document();
  if (!d.ok) {
    state.SkipWithError("cannot set up the document");
    return;
  }
  TempAudioFile* b = d.doc->tempB;
  double slotTotal = 0, peakTotal = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    b->pcmLength = kLength;
    b->SetFormat(kFormat);
    bool ok = DocMemMapFile(b, PCM_PART, MAP_WRITE) == OP_DONE;
    if (ok) std::memset(b->pcmData, 0x11, kLength);
    ok = ok && CloseMemMapFile(b, PCM_PART) == OP_DONE &&
         DocMemMapFile(b, PCM_PART, MAP_READ) == OP_DONE;
    const auto mapped = Clock::now();
    ok = ok && DrawPeakFile(b, d.progress) == OP_DONE &&
         DocMemMapFile(b, PEAK_PART, MAP_READ) == OP_DONE;
    const auto done = Clock::now();
    CleanupTempAudioFile(b, 0);
    if (!ok) {
      state.SkipWithError("slot operations failed");
      return;
    }
    slotTotal += std::chrono::duration<double>(mapped - start).count();
    peakTotal += std::chrono::duration<double>(done - mapped).count();
    state.SetIterationTime(std::chrono::duration<double>(done - start).count());
  }
  const double n = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLength);
  state.counters["slot_ms"] = slotTotal * 1000 / n;
  state.counters["peaks_ms"] = peakTotal * 1000 / n;
}

// An effect over the first kPassRegion bytes against one volume pass over
// the same region, side by side in every iteration.
template <OpCode Code>
void BM_PerPass(benchmark::State& state) {
  BenchDocument& d = Document();
  if (!d.ok) {
    state.SkipWithError("cannot set up the document");
    return;
  }
  CEditorDoc& doc = *d.doc;
  doc.SetSelection(0, kPassRegion);
  int passes = 0;
  if (auto* echo = EchoOf(doc); Code == OP_ECHO) {
    echo->settings.applyTo = SELECTED_AREA;  // "Canyon Echo"
    passes = EchoPassCount(echo->settings.initialRatioLeft, echo->settings.initialRatioRight,
                           echo->settings.additionalRatioLeft, echo->settings.additionalRatioRight);
  }
  if (auto* reverb = ReverbOf(doc); Code == OP_REVERB) {
    reverb->settings.applyTo = SELECTED_AREA;  // "Large Cathedral"
    passes = ReverbPassCount(reverb->settings.wetLeft, reverb->settings.wetRight);
  }
  if (auto* mv = MultiVoiceOf(doc); Code == OP_MULTI_VOICE) {
    mv->settings.applyTo = SELECTED_AREA;  // "Simple Chorus I"
    passes = mv->settings.voices + 1;
  }
  VolumeTool volume;
  volume.settings.applyTo = SELECTED_AREA;
  double effectTotal = 0, volumeTotal = 0;
  for (auto _ : state) {
    const double v = TimeTool(volume, d);
    const double e = TimeTool(*doc.Tool(Code), d);
    if (v < 0 || e < 0) {
      state.SkipWithError("tool failed");
      return;
    }
    volumeTotal += v;
    effectTotal += e;
    state.SetIterationTime(e);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["passes"] = passes;
  state.counters["per_pass_ms"] = effectTotal * 1000 / n / passes;
  state.counters["volume_ms"] = volumeTotal * 1000 / n;
  state.counters["per_pass_vs_volume"] = effectTotal / passes / volumeTotal;
  doc.SetSelection(0, 0);
}

// One volume pass at 50% beside `sox in.wav out.wav vol 0.5` on the same
// audio written as a WAV file.
void BM_VolumeVsSox(benchmark::State& state) {
  BenchDocument& d = Document();
  if (!d.ok) {
    state.SkipWithError("cannot set up the document");
    return;
  }
  if (std::system("command -v sox >/dev/null 2>&1") != 0) {
    state.SkipWithError("sox is not installed");
    return;
  }
  const std::string in = d.folder.Path() + "/in.wav";
  const std::string out = d.folder.Path() + "/out.wav";
  {
    platform::UniqueFd fd(::open(in.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    const std::string header = MakeWaveHeader(kFormat, kLength);
    if (!fd.Valid() || ::write(fd.Get(), header.data(), header.size()) < 0 ||
        ::write(fd.Get(), d.doc->work.pcmData, kLength) != static_cast<ssize_t>(kLength)) {
      state.SkipWithError("cannot write the input file");
      return;
    }
  }
  d.doc->SetSelection(0, 0);
  VolumeTool volume;
  volume.settings.leftGain = volume.settings.rightGain = 50;
  const std::string command = "sox '" + in + "' '" + out + "' vol 0.5";
  double ours = 0, sox = 0;
  for (auto _ : state) {
    const double v = TimeTool(volume, d);
    const auto start = Clock::now();
    const bool soxOk = std::system(command.c_str()) == 0;
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    if (v < 0 || !soxOk) {
      state.SkipWithError("volume or sox failed");
      break;
    }
    ours += v;
    sox += s;
    state.SetIterationTime(v);
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  const double n = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kLength);
  state.counters["sox_ms"] = sox * 1000 / n;
  state.counters["ours_vs_sox"] = sox > 0 ? ours / sox : 0;
}

}  // namespace

BENCHMARK(BM_SlotAndPeakBaseline)
    ->Name("baseline_slot_and_peaks/256MiB")
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

#define WHOLE_FILE(code, name)  \
  BENCHMARK(BM_WholeFile<code>) \
      ->Name(name)              \
      ->Iterations(3)           \
      ->UseManualTime()         \
      ->Unit(benchmark::kMillisecond)

WHOLE_FILE(OP_VOLUME, "volume/256MiB");
WHOLE_FILE(OP_FADE, "fade/256MiB");
WHOLE_FILE(OP_MUTE, "mute/256MiB");
WHOLE_FILE(OP_REVERSE, "reverse/256MiB");
WHOLE_FILE(OP_SWAP, "swap/256MiB");
WHOLE_FILE(OP_COPY_CHANNEL, "copy_channel/256MiB");

#define PER_PASS(code, name)  \
  BENCHMARK(BM_PerPass<code>) \
      ->Name(name)            \
      ->Iterations(2)         \
      ->UseManualTime()       \
      ->Unit(benchmark::kMillisecond)

PER_PASS(OP_ECHO, "echo_per_pass/64MiB");
PER_PASS(OP_REVERB, "reverb_per_pass/64MiB");
PER_PASS(OP_MULTI_VOICE, "multi_voice_per_pass/64MiB");

BENCHMARK(BM_VolumeVsSox)
    ->Name("volume_vs_sox/256MiB")
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
