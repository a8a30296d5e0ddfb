// Saving a 10-minute 44100 Hz 16-bit stereo document as MP3 and as WMA,
// each measured side by side with the command-line encoder doing the same
// work on the same PCM (lame -b 128; ffmpeg -c:a wmav2 at 64 kbit/s), in the
// same iterations, so the ratio holds on a noisy machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "bench/bench_support.h"
#include "engine/document_dialogs.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/wave_file.h"

namespace {

using bench::Clock;
const auto Seconds = bench::SecondsSince;

constexpr int kRate = 44100;
constexpr int kMinutes = 10;

// A started application with a document holding ten minutes of music-like
// audio (two detuned tones with a slow tremolo and a little noise), and the
// same samples as a headerless file for the peers.
class ExportBench {
 public:
  ExportBench() {
    bench::StartAppIn(app, folder.Path());
    app.SetOperationHost(&host);
    app.SetDocumentDialogs(&dialogs);

    const size_t frames = static_cast<size_t>(kRate) * 60 * kMinutes;
    std::vector<int16_t> pcm(frames * 2);
    uint32_t noise = 1;
    for (size_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double tremolo = 0.6 + 0.4 * std::sin(2 * M_PI * 0.3 * t);
      noise = noise * 1664525u + 1013904223u;
      const double n = (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 0.02;
      pcm[2 * i] = static_cast<int16_t>(12000 * tremolo * std::sin(2 * M_PI * 440 * t) + n * 32767);
      pcm[2 * i + 1] =
          static_cast<int16_t>(12000 * tremolo * std::sin(2 * M_PI * 554.4 * t) + n * 32767);
    }
    raw = folder.Path() + "/source.raw";
    wav = folder.Path() + "/source.wav";
    const uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
    FILE* r = std::fopen(raw.c_str(), "wb");
    std::fwrite(pcm.data(), 2, pcm.size(), r);
    std::fclose(r);
    FILE* w = std::fopen(wav.c_str(), "wb");
    const std::string header = MakeWaveHeader({2, 16, kRate}, bytes);
    std::fwrite(header.data(), 1, header.size(), w);
    std::fwrite(pcm.data(), 2, pcm.size(), w);
    std::fclose(w);
  }

  bench::ScratchFolder folder;
  CEditorApp app;
  SilentOperationHost host;
  PresetDocumentDialogs dialogs;
  std::string raw, wav;
};

double RunPeer(const std::string& command) {
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return Seconds(start);
}

// The peer's command line for encoding `raw` into `target`.
using PeerCommand = std::string (*)(const std::string& raw, const std::string& target);

void SideBySide(benchmark::State& state, OpCode code, const std::string& extension,
                PeerCommand peerCommand) {
  ExportBench bench;
  CEditorDoc doc(bench.app);
  if (!doc.OnOpenDocument(bench.wav)) {
    state.SkipWithError("open failed");
    return;
  }
  const std::string target = bench.folder.Path() + "/out." + extension;
  const std::string peerTarget = bench.folder.Path() + "/peer." + extension;
  double ours = 0, peer = 0;
  for (auto _ : state) {
    const double p = RunPeer(peerCommand(bench.raw, peerTarget));
    if (p < 0) {
      state.SkipWithError("the peer encoder failed");
      return;
    }
    peer += p;
    doc.SetPath(target);
    const auto start = Clock::now();
    doc.DocRunOperation(code);
    const double seconds = Seconds(start);
    if (doc.LastResult() != OP_DONE) {
      state.SkipWithError("export failed");
      return;
    }
    ours += seconds;
    state.SetIterationTime(seconds);
    ::unlink(target.c_str());
    ::unlink(peerTarget.c_str());
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_s"] = ours / n;
  state.counters["peer_s"] = peer / n;
  state.counters["ratio"] = ours / peer;
}

std::string LameCommand(const std::string& raw, const std::string& target) {
  return "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -b 128 '" + raw + "' '" +
         target + "' 2>/dev/null";
}

// The document's default WMA quality, "64 Kbps - CD Quality".
std::string FfmpegCommand(const std::string& raw, const std::string& target) {
  return "ffmpeg -v error -y -f s16le -ar 44100 -ac 2 -i '" + raw + "' -c:a wmav2 -b:a 64k '" +
         target + "'";
}

void BM_Mp3ExportVsLame(benchmark::State& state) {
  SideBySide(state, WRITE_MP3_FILE, "mp3", LameCommand);
}

void BM_WmaExportVsFfmpeg(benchmark::State& state) {
  SideBySide(state, WRITE_WMA_FILE, "wma", FfmpegCommand);
}

}  // namespace

BENCHMARK(BM_Mp3ExportVsLame)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
BENCHMARK(BM_WmaExportVsFfmpeg)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
