// The batch tool adds nothing to an operation: one volume pass over the whole
// of a 256 MiB document, run by the engine in this process, against the same
// pass run by vellmore-batch (its run with the pass minus its run that opens
// the file and makes its working copy), in the same iterations. The batch
// tool makes the working copy when a command first needs it; the run without
// the pass asks for it with export-peaks, whose few megabytes of peak data
// are all it adds.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/editor_app.h"
#include "bench/bench_support.h"
#include "effects/document_tools.h"
#include "effects/volume.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/wave_file.h"
#include "platform/paths.h"

namespace {

using bench::Clock;

std::string MakeWav(const std::string& folder, size_t mib) {
  const std::string path = folder + "/source.wav";
  const auto length = static_cast<uint32_t>(mib << 20);
  FILE* file = std::fopen(path.c_str(), "wb");
  const std::string header = MakeWaveHeader({2, 16, 44100}, length);
  std::fwrite(header.data(), 1, header.size(), file);
  std::vector<int16_t> block(1 << 19);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<int16_t>((i * 37) % 60000 - 30000);
  for (uint32_t done = 0; done < length; done += block.size() * 2) {
    std::fwrite(block.data(), 2, block.size(), file);
  }
  std::fclose(file);
  return path;
}

double RunBatch(const std::string& home, const std::string& commands) {
  const std::string command = "'" + platform::ExecutableFolder() + "/vellmore-batch' --home '" +
                              home + "' " + commands + " > /dev/null 2>&1";
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return bench::SecondsSince(start);
}

void BM_VolumePassBatchVsEngine(benchmark::State& state) {
  bench::ScratchFolder folder;
  const std::string source = MakeWav(folder.Path(), static_cast<size_t>(state.range(0)));
  CEditorApp app;
  bench::StartAppIn(app, folder.Path());
  app.installTools = InstallDocumentTools;
  CEditorDoc doc(app);
  if (!doc.OnOpenDocument(source)) {
    state.SkipWithError("open failed");
    return;
  }
  VolumeOf(doc)->settings.leftGain = VolumeOf(doc)->settings.rightGain = 50;
  VolumeOf(doc)->settings.applyTo = ENTIRE_FILE;
  const std::string open = "-e 'open " + source + "'";
  double engine = 0, tool = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    doc.DocRunOperation(OP_VOLUME);
    const double pass = bench::SecondsSince(start);
    if (doc.LastResult() != OP_DONE) state.SkipWithError("volume failed");
    doc.DocRunOperation(OP_UNDO);
    engine += pass;
    const double withPass = RunBatch(folder.Path(), open + " -e 'volume 50 50 entire'");
    const double openOnly =
        RunBatch(folder.Path(), open + " -e 'export-peaks " + folder.Path() + "/peaks.pek'");
    if (withPass < 0 || openOnly < 0) state.SkipWithError("vellmore-batch failed");
    tool += withPass - openOnly;
    state.SetIterationTime(withPass - openOnly);
  }
  state.counters["engine_ms"] = engine * 1000 / static_cast<double>(state.iterations());
  state.counters["ratio"] = tool / engine;
}

}  // namespace

BENCHMARK(BM_VolumePassBatchVsEngine)
    ->Arg(256)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
