// What the recovery journal costs an edit: a cut in the middle of a long
// document, timed on its own, and the journal write that follows it before
// the cut reports done (links, the manifest written and renamed), in the
// same iteration. "ratio" is journal / cut. "durable_after_ms" is how long
// after that the journal's thread has the files flushed to disk and the
// durable manifest written, while the editor goes on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/editor_app.h"
#include "bench/bench_support.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/wave_file.h"

namespace {

using bench::Clock;

class BenchApp {
 public:
  BenchApp() {
    bench::StartAppIn(app, folder.Path());
    app.SetOperationHost(&host);
  }
  bench::ScratchFolder folder;
  CEditorApp app;
  SilentOperationHost host;
};

std::string MakeWavFile(const std::string& folder, size_t mib) {
  const std::string path = folder + "/source.wav";
  const auto length = static_cast<uint32_t>(mib << 20);
  FILE* file = std::fopen(path.c_str(), "wb");
  const std::string header = MakeWaveHeader({2, 16, 44100}, length);
  std::fwrite(header.data(), 1, header.size(), file);
  std::vector<int16_t> block(1 << 19);
  for (size_t i = 0; i < block.size(); ++i) {
    block[i] = static_cast<int16_t>((i * 37) % 60000 - 30000);
  }
  for (uint32_t done = 0; done < length; done += static_cast<uint32_t>(block.size() * 2)) {
    std::fwrite(block.data(), 2, block.size(), file);
  }
  std::fclose(file);
  return path;
}

void BM_CutAndJournal(benchmark::State& state) {
  BenchApp bench;
  const std::string source = MakeWavFile(bench.folder.Path(), static_cast<size_t>(state.range(0)));
  CEditorDoc doc(bench.app);
  if (!doc.OnOpenDocument(source)) {
    state.SkipWithError("open failed");
    return;
  }
  const uint32_t middle = doc.dataLength / 2;
  double cut = 0, journal = 0, flush = 0;
  for (auto _ : state) {
    doc.SetSelection(middle, middle + (1 << 20));
    // The operation alone, as the runner dispatches it, then its journal.
    auto start = Clock::now();
    if (doc.DispatchOperation(OP_CUT, bench.host) != OP_DONE) state.SkipWithError("cut failed");
    const double cutSeconds = bench::SecondsSince(start);
    start = Clock::now();
    if (doc.journal.Record(doc) != JournalStatus::Written) state.SkipWithError("journal failed");
    const double journalSeconds = bench::SecondsSince(start);
    cut += cutSeconds;
    journal += journalSeconds;
    state.SetIterationTime(cutSeconds + journalSeconds);
    // The flush to disk and the durable manifest, on the journal's thread
    // while the user goes on; timed from the end of the journal write.
    state.PauseTiming();
    doc.journal.WaitUntilDurable();
    flush += bench::SecondsSince(start);
    // Back to the full length for the next round, journalled like any edit.
    if (doc.DispatchOperation(OP_UNDO, bench.host) != OP_DONE) state.SkipWithError("undo failed");
    (void)doc.journal.Record(doc);
    doc.journal.WaitUntilDurable();
    state.ResumeTiming();
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["cut_ms"] = cut * 1000 / n;
  state.counters["journal_ms"] = journal * 1000 / n;
  state.counters["ratio"] = journal / cut;
  state.counters["durable_after_ms"] = flush * 1000 / n;
}

}  // namespace

BENCHMARK(BM_CutAndJournal)
    ->Arg(64)
    ->Arg(512)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
