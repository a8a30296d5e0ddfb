// The temporary audio store against the plainest thing it could be: a
// memcpy into a freshly mapped file. Both fill the same number of bytes from
// the same 1 MiB source block, so the difference is the slot's own cost
// (exclusive open, block reservation, the rename that commits it).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/op_codes.h"
#include "engine/temp_audio_file.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBlock = 1 << 20;

const std::vector<uint8_t>& SourceBlock() {
  static const std::vector<uint8_t> block = [] {
    std::vector<uint8_t> bytes(kBlock);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    return bytes;
  }();
  return block;
}

void FillFromBlocks(uint8_t* destination, size_t length) {
  const auto& block = SourceBlock();
  for (size_t offset = 0; offset < length; offset += kBlock) {
    std::memcpy(destination + offset, block.data(), std::min(kBlock, length - offset));
  }
}

// One fill of a fresh file through a plain shared mapping. Returns seconds.
double PlainMmapMemcpy(const std::string& path, size_t length, long* peakAnon) {
  const auto start = Clock::now();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(length)) != 0) return -1;
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) return -1;
  FillFromBlocks(static_cast<uint8_t*>(base), length);
  *peakAnon = std::max(*peakAnon, bench::RssAnonKiB());
  ::munmap(base, length);
  ::close(fd);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::unlink(path.c_str());
  return seconds;
}

// One fill of a scratch slot and the move that commits it over the working
// slot. Returns seconds.
double SlotFillAndMove(TempAudioFile* scratch, TempAudioFile* work, size_t length, long* peakAnon) {
  const auto start = Clock::now();
  scratch->pcmLength = static_cast<uint32_t>(length);
  scratch->SetFormat({2, 16, 44100});
  if (DocMemMapFile(scratch, PCM_PART, MAP_WRITE) != OP_DONE) return -1;
  FillFromBlocks(scratch->pcmData, length);
  *peakAnon = std::max(*peakAnon, bench::RssAnonKiB());
  CloseMemMapFile(scratch, PCM_PART);
  if (MoveAudioFile(scratch, work) != OP_DONE) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs both side by side in every iteration, so that they see the same state
// of the page cache and of write-back; the reported time is the slot's, and
// `ratio` is slot time over plain time summed over all iterations.
void BM_SlotFillAndMoveVsPlainMmap(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0)) << 20;
  bench::ScratchFolder folder;
  TempAudioFile scratch, work;
  if (CreateTempAudioFile(&scratch, folder.Path(), "temp_c") != OP_DONE ||
      CreateTempAudioFile(&work, folder.Path(), "work") != OP_DONE) {
    state.SkipWithError("cannot create slots");
    return;
  }
  const std::string plainPath = folder.Path() + "/plain.pcm";
  double plainTotal = 0, slotTotal = 0;
  long plainAnon = 0, slotAnon = 0;
  for (auto _ : state) {
    const double plain = PlainMmapMemcpy(plainPath, length, &plainAnon);
    const double slot = SlotFillAndMove(&scratch, &work, length, &slotAnon);
    if (plain < 0 || slot < 0) {
      state.SkipWithError("file operation failed");
      break;
    }
    plainTotal += plain;
    slotTotal += slot;
    state.SetIterationTime(slot);
  }
  CleanupTempAudioFile(&scratch, 0);
  CleanupTempAudioFile(&work, 0);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * length));
  state.counters["plain_ms"] = plainTotal * 1000 / static_cast<double>(state.iterations());
  state.counters["ratio"] = plainTotal > 0 ? slotTotal / plainTotal : 0;
  state.counters["slot_rss_anon_kib"] = static_cast<double>(slotAnon);
  state.counters["plain_rss_anon_kib"] = static_cast<double>(plainAnon);
}

}  // namespace

BENCHMARK(BM_SlotFillAndMoveVsPlainMmap)
    ->Arg(16)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2.0);
