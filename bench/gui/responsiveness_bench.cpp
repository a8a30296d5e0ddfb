// The editor stays responsive while a long operation runs in the progress
// dialog: one volume pass over the whole of a 512 MiB 16-bit stereo document,
// hosted by the real CProgressDialog on the offscreen platform.
//
// - paint_gap_max_ms: the longest stretch of the operation in which the
//   dialog was not repainted (the edges, from the start to the first paint
//   and from the last paint to the end, count as stretches too);
//   commit_tail_max_ms: the last of those stretches, the commit after the
//   final progress step;
// - cancel_ms: from a click on Cancel, 300 ms into the pass, until
//   DocRunOperation returns with the run cancelled;
// - ratio: the pass through the dialog against the same pass through the
//   silent host the batch tool uses, in the same iteration (the order
//   alternates so neither side always finds the caches warm). ratio counts
//   the whole DocRunOperation, the dialog's 100 ms starting delay included;
//   op_ratio only the operation itself; pump_ms is the time spent in the
//   dialog's event pumps (painting included) during one pass, and
//   pump_share that time as a share of the operation. Everything else the
//   pass does is the same code on both sides, so op_ratio should come close
//   to 1 + pump_share; on a shared machine single passes move by a quarter,
//   and pump_share is the figure that does not.
//
// Every applied pass is undone through the silent host, so each iteration
// starts from the same document.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/editor_app.h"
#include "bench/bench_support.h"
#include "effects/document_tools.h"
#include "effects/volume.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/wave_file.h"
#include "gui/progress_dialog.h"
#include "platform/file_discard.h"
#include "resources/control_ids.h"

namespace {

using bench::Clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

std::string MakeWav(const std::string& folder, size_t mib) {
  const std::string path = folder + "/source.wav";
  const auto length = static_cast<uint32_t>(mib << 20);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return {};
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

// Passes the operation to `inner` unchanged, noting when it starts and
// returns inside the host (the dialog starts it from its timer, so the
// moment DocRunOperation is called is not the moment the work begins).
class TimedHost : public OperationHost {
 public:
  explicit TimedHost(OperationHost& inner) : inner_(inner) {}
  OpResult Run(OpCode code, const Operation& operation) override {
    return inner_.Run(code, [&](Progress& progress) {
      began = Clock::now();
      if (onStart) onStart();
      const auto result = operation(progress);
      ended = Clock::now();
      return result;
    });
  }
  std::function<void()> onStart;
  Clock::time_point began, ended;

 private:
  OperationHost& inner_;
};

// The real dialog, also adding up the time its event pumps take.
class MeteredProgressDialog : public CProgressDialog {
 public:
  using CProgressDialog::CProgressDialog;
  double pumpSeconds = 0;

 protected:
  void ProcessPendingEvents() override {
    const auto start = Clock::now();
    CProgressDialog::ProcessPendingEvents();
    pumpSeconds += bench::SecondsSince(start);
  }
};

// Time stamps of the paint events a widget receives.
class PaintClock : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) stamps.push_back(Clock::now());
    return QObject::eventFilter(watched, event);
  }
  std::vector<Clock::time_point> stamps;
};

// The longest stretch of [began, ended] without a stamp; `tail` receives the
// last one, from the last stamp to `ended`.
double LongestGapMs(const std::vector<Clock::time_point>& stamps, Clock::time_point began,
                    Clock::time_point ended, int* paintsInside, double* tail) {
  Clock::time_point last = began;
  double longest = 0;
  int inside = 0;
  for (const auto stamp : stamps) {
    if (stamp < began || stamp > ended) continue;
    longest = std::max(longest, Ms(stamp - last));
    last = stamp;
    ++inside;
  }
  *paintsInside = inside;
  *tail = Ms(ended - last);
  return std::max(longest, *tail);
}

struct Fixture {
  bench::ScratchFolder folder;
  CEditorApp app;
  PresetDocumentDialogs dialogs;
  SilentOperationHost silent;
  std::unique_ptr<MeteredProgressDialog> dialog;
  std::unique_ptr<CEditorDoc> doc;
  bool ready = false;

  Fixture() {
    const std::string source = MakeWav(folder.Path(), 512);
    if (source.empty() || !bench::StartAppIn(app, folder.Path())) return;
    app.installTools = InstallDocumentTools;
    app.SetDocumentDialogs(&dialogs);
    doc = std::make_unique<CEditorDoc>(app);
    if (!doc->OnOpenDocument(source)) return;
    app.SetActiveDocument(doc.get());
    VolumeOf(*doc)->settings.leftGain = VolumeOf(*doc)->settings.rightGain = 50;
    VolumeOf(*doc)->settings.applyTo = ENTIRE_FILE;
    dialog = std::make_unique<MeteredProgressDialog>(app);
    ready = true;
  }
  ~Fixture() {
    app.SetOperationHost(nullptr);
    app.SetActiveDocument(nullptr);
    doc.reset();
    dialog.reset();
    app.Shutdown();
  }

  // One volume pass through `host`; false when it did not end with `expected`.
  bool Pass(TimedHost& host, OpResult expected) {
    app.SetOperationHost(&host);
    doc->DocRunOperation(OP_VOLUME);
    app.SetOperationHost(&silent);
    return doc->LastResult() == expected;
  }
  // Undoes the last pass and lets the machine settle: the files it let go
  // of are deleted in the background and what it wrote is flushed, and a
  // pass that ran beside either would be slowed, whichever host it used.
  bool Undo() {
    app.SetOperationHost(&silent);
    doc->DocRunOperation(OP_UNDO);
    platform::WaitForDiscards();
    ::sync();
    return doc->LastResult() == OP_DONE;
  }
};

std::unique_ptr<Fixture> g_fixture;

Fixture* Shared(benchmark::State& state) {
  if (!g_fixture) g_fixture = std::make_unique<Fixture>();
  if (!g_fixture->ready) {
    state.SkipWithError("could not open the 512 MiB document");
    return nullptr;
  }
  return g_fixture.get();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void BM_VolumePassDialogVsSilent(benchmark::State& state) {
  Fixture* f = Shared(state);
  if (f == nullptr) return;
  TimedHost viaDialog(*f->dialog);
  TimedHost viaSilent(f->silent);
  PaintClock paints;
  f->dialog->installEventFilter(&paints);
  // One unmeasured pass on each side: the first pass after opening pays for
  // faulting in the source and creating the scratch files.
  for (TimedHost* host : {&viaDialog, &viaSilent}) {
    if (!f->Pass(*host, OP_DONE) || !f->Undo()) {
      state.SkipWithError("volume pass failed");
      return;
    }
  }
  std::vector<double> dialogWall, dialogOp, silentWall, silentOp, ratios, opRatios, pumps;
  double gapMax = 0, tailMax = 0;
  int paintsMin = 1 << 30;
  int64_t round = 0;
  for (auto _ : state) {
    double wallOf[2] = {0, 0}, opOf[2] = {0, 0};
    for (int side = 0; side < 2; ++side) {
      const bool dialogSide = (side + round) % 2 == 0;
      TimedHost& host = dialogSide ? viaDialog : viaSilent;
      paints.stamps.clear();
      f->dialog->pumpSeconds = 0;
      const auto start = Clock::now();
      if (!f->Pass(host, OP_DONE)) state.SkipWithError("volume pass failed");
      wallOf[dialogSide] = bench::SecondsSince(start);
      opOf[dialogSide] = std::chrono::duration<double>(host.ended - host.began).count();
      if (dialogSide) {
        int inside = 0;
        double tail = 0;
        gapMax =
            std::max(gapMax, LongestGapMs(paints.stamps, host.began, host.ended, &inside, &tail));
        tailMax = std::max(tailMax, tail);
        paintsMin = std::min(paintsMin, inside);
        pumps.push_back(f->dialog->pumpSeconds * 1000);
        state.SetIterationTime(wallOf[1]);
      }
      if (!f->Undo()) state.SkipWithError("undo failed");
    }
    dialogWall.push_back(wallOf[1] * 1000);
    dialogOp.push_back(opOf[1] * 1000);
    silentWall.push_back(wallOf[0] * 1000);
    silentOp.push_back(opOf[0] * 1000);
    ratios.push_back(wallOf[1] / wallOf[0]);
    opRatios.push_back(opOf[1] / opOf[0]);
    ++round;
  }
  f->dialog->removeEventFilter(&paints);
  // Medians: the machine is shared, and one disturbed pass must not decide.
  state.counters["dialog_ms"] = Median(dialogWall);
  state.counters["dialog_op_ms"] = Median(dialogOp);
  state.counters["silent_ms"] = Median(silentWall);
  state.counters["ratio"] = Median(ratios);
  state.counters["op_ratio"] = Median(opRatios);
  state.counters["pump_ms"] = Median(pumps);
  state.counters["pump_share"] = Median(pumps) / std::max(1e-9, Median(dialogOp));
  state.counters["paint_gap_max_ms"] = gapMax;
  state.counters["commit_tail_max_ms"] = tailMax;
  state.counters["paints_min"] = paintsMin;
}

void BM_CancelLatency(benchmark::State& state) {
  Fixture* f = Shared(state);
  if (f == nullptr) return;
  auto* cancel = f->dialog->findChild<QPushButton*>(QString::number(ids::IDC_PROGRESS_CANCEL));
  if (cancel == nullptr) {
    state.SkipWithError("no Cancel button");
    return;
  }
  TimedHost host(*f->dialog);
  Clock::time_point clicked;
  host.onStart = [&] {
    QTimer::singleShot(300, f->dialog.get(), [&] {
      clicked = Clock::now();
      cancel->click();
    });
  };
  double total = 0, worst = 0;
  for (auto _ : state) {
    clicked = {};
    const bool cancelled = f->Pass(host, OP_CANCELLED);
    const auto returned = Clock::now();
    if (!cancelled || clicked == Clock::time_point{}) {
      state.SkipWithError("the pass was not cancelled by the click");
      if (f->doc->LastResult() == OP_DONE) f->Undo();
      break;
    }
    const double latency = Ms(returned - clicked);
    total += latency;
    worst = std::max(worst, latency);
    state.SetIterationTime(latency / 1000);
  }
  const auto n = static_cast<double>(std::max<int64_t>(1, state.iterations()));
  state.counters["cancel_ms"] = total / n;
  state.counters["cancel_max_ms"] = worst;
}

}  // namespace

BENCHMARK(BM_VolumePassDialogVsSilent)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(12);
BENCHMARK(BM_CancelLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_fixture.reset();  // the dialog goes before the application object
  return 0;
}
