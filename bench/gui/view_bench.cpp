// A full repaint of a 1600 x 1000 waveform view of a one-hour 16-bit stereo
// document, at the four zoom levels a user meets: the whole file, one
// minute, one second and 100 samples. Long ranges are drawn from the peak
// data; the samples are only read for the close view.
//
// The document's audio is an anonymous mapping of the full hour (pages that
// are never read cost nothing) and a peak table of the real length filled
// with a varying pattern, so the view reads exactly what it would read from
// the files.

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <QApplication>
#include <QScrollBar>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "bench/bench_support.h"
#include "engine/editor_doc.h"
#include "engine/peak_file.h"
#include "gui/view/editor_view.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kBytesPerSecond = kRate * 4;
constexpr uint32_t kHour = 3600u * kBytesPerSecond;

struct Fixture {
  bench::ScratchFolder folder;
  std::unique_ptr<CEditorApp> app;
  std::unique_ptr<CEditorDoc> doc;
  std::unique_ptr<CEditorView> view;
  std::vector<uint8_t> peaks;
  uint8_t* pcm = nullptr;

  Fixture() {
    setenv("VELLMORE_HOME", folder.Path().c_str(), 1);
    app = std::make_unique<CEditorApp>();
    DefaultFirstRunDialogs dialogs;
    StartUpOptions options;
    options.firstRunDialogs = false;
    options.ownsRunFolderRecord = false;
    app->StartUp(dialogs, options);
    doc = std::make_unique<CEditorDoc>(*app);
    pcm = static_cast<uint8_t*>(::mmap(nullptr, kHour, PROT_READ | PROT_WRITE,
                                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
    const AudioFormat format{2, 16, static_cast<int32_t>(kRate)};
    peaks.resize(PeakLengthFor(format, kHour));
    for (size_t i = 0; i < peaks.size(); ++i) peaks[i] = static_cast<uint8_t>((i * 7919) % 120);
    // The close view's samples: a sawtooth in both channels.
    for (uint32_t i = 0; i < 4096; i += 2) {
      const auto s = static_cast<int16_t>((i % 512) * 100 - 25000);
      pcm[i] = static_cast<uint8_t>(s & 0xFF);
      pcm[i + 1] = static_cast<uint8_t>((s >> 8) & 0xFF);
    }
    doc->channels = 2;
    doc->bitsPerSample = 16;
    doc->sampleRate = kRate;
    doc->bytesPerSecond = kBytesPerSecond;
    doc->blockAlign = 4;
    doc->work.SetFormat(format);
    doc->work.pcmData = pcm;
    doc->work.pcmLength = kHour;
    doc->work.peakData = peaks.data();
    doc->work.peakLength = static_cast<uint32_t>(peaks.size());
    doc->dataLength = kHour;
    doc->peakLength = doc->work.peakLength;
    doc->hasAudio = 1;
    view = std::make_unique<CEditorView>(*app, *doc);
    view->resize(1600, 1000 + view->horizontalScrollBar()->sizeHint().height());
    view->show();
    QApplication::processEvents();
  }
  ~Fixture() {
    view.reset();
    // The mappings are the bench's own, not the slot's files.
    doc->work.pcmData = nullptr;
    doc->work.peakData = nullptr;
    doc->work.pcmLength = doc->work.peakLength = 0;
    doc.reset();
    ::munmap(pcm, kHour);
    app->Shutdown();
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_FullRepaint(benchmark::State& state) {
  Fixture& f = Shared();
  const auto length = static_cast<uint32_t>(state.range(0));
  // The view starts a third into the file (the close view at its start).
  const uint32_t start = length >= kHour ? 0 : length < 4096 ? 0 : (kHour / 3) & ~3u;
  f.doc->SetView(start, start + length);
  f.doc->SetSelection(start + length / 4, start + length / 2);
  for (auto _ : state) {
    f.view->Invalidate();
    f.view->Render();
    benchmark::DoNotOptimize(f.view->Picture().constBits());
  }
  state.counters["P"] = f.view->LastLayout().P;
  state.counters["F"] = f.view->LastLayout().F;
}

}  // namespace

BENCHMARK(BM_FullRepaint)
    ->ArgName("viewBytes")
    ->Arg(kHour)
    ->Arg(60 * kBytesPerSecond)
    ->Arg(kBytesPerSecond)
    ->Arg(100 * 4)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
