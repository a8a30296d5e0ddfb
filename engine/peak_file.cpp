#include "engine/peak_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

#include "engine/op_codes.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

namespace {

constexpr uint32_t kFramesPerEntry = PeakBuilder::kFramesPerEntry;
constexpr uint32_t kStepBytes = 8192;
// DrawPeakFile feeds the builder this much at a time between progress reports.
constexpr uint32_t kPieceBytes = 16384;

bool HasPeakData(const AudioFormat& format) {
  return (format.channels == 1 || format.channels == 2) &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16);
}

// The 8-bit signed scale of the peak data.
inline int Amplitude(const uint8_t* sample, int bits) {
  if (bits == 8) return static_cast<int>(sample[0]) - 128;
  const auto value = static_cast<int16_t>(static_cast<uint16_t>(sample[0] | (sample[1] << 8)));
  return value / 256;  // truncates toward zero: -255..255 give 0
}

// Appends one entry summarising `frames` frames starting at `data`: per
// channel the largest positive amplitude and the most negative one's
// magnitude. Only the extremes matter, and truncating a 16-bit sample to the
// 8-bit scale preserves order, so the raw extremes are found first.
template <int Channels, int Bits>
inline void SummariseBlock(const uint8_t* data, uint32_t frames, uint8_t* entry) {
  constexpr int kBlock = Channels * Bits / 8;
  for (int channel = 0; channel < Channels; ++channel) {
    int high = 0, low = 0;
    if constexpr (Bits == 8) {
      uint8_t maxRaw = 0, minRaw = 255;
      for (uint32_t f = 0; f < frames; ++f) {
        const uint8_t v = data[f * kBlock + channel];
        maxRaw = std::max(maxRaw, v);
        minRaw = std::min(minRaw, v);
      }
      high = maxRaw - 128;
      low = minRaw - 128;
    } else {
      int16_t maxRaw = -32768, minRaw = 32767;
      for (uint32_t f = 0; f < frames; ++f) {
        const uint8_t* s = data + f * kBlock + channel * 2;
        const auto v = static_cast<int16_t>(static_cast<uint16_t>(s[0] | (s[1] << 8)));
        maxRaw = std::max(maxRaw, v);
        minRaw = std::min(minRaw, v);
      }
      high = maxRaw / 256;
      low = minRaw / 256;
    }
    entry[channel * 2] = static_cast<uint8_t>(std::max(high, 0));
    entry[channel * 2 + 1] = static_cast<uint8_t>(std::max(-low, 0));
  }
}

#if defined(__SSE2__)
// 16-bit audio eight samples at a time: the extremes of each lane first, then
// of the lanes that hold the same channel. Frames past a multiple of eight
// samples go through the plain loop.
template <int Channels>
inline void SummariseBlock16Sse2(const uint8_t* data, uint32_t frames, uint8_t* entry) {
  constexpr uint32_t kFramesPerVector = 8 / Channels;
  const uint32_t vectorFrames = frames - frames % kFramesPerVector;
  __m128i high = _mm_set1_epi16(-32768);
  __m128i low = _mm_set1_epi16(32767);
  for (uint32_t f = 0; f < vectorFrames; f += kFramesPerVector) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + f * 2 * Channels));
    high = _mm_max_epi16(high, v);
    low = _mm_min_epi16(low, v);
  }
  // Fold the eight lanes: halves, then pairs; for mono also neighbours.
  high = _mm_max_epi16(high, _mm_shuffle_epi32(high, 0x4E));
  low = _mm_min_epi16(low, _mm_shuffle_epi32(low, 0x4E));
  high = _mm_max_epi16(high, _mm_shuffle_epi32(high, 0xB1));
  low = _mm_min_epi16(low, _mm_shuffle_epi32(low, 0xB1));
  if constexpr (Channels == 1) {
    high = _mm_max_epi16(high, _mm_srli_epi32(high, 16));
    low = _mm_min_epi16(low, _mm_srli_epi32(low, 16));
  }
  alignas(16) int16_t highs[8], lows[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
  _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
  for (int channel = 0; channel < Channels; ++channel) {
    int16_t maxRaw = highs[channel];
    int16_t minRaw = lows[channel];
    for (uint32_t f = vectorFrames; f < frames; ++f) {
      const uint8_t* s = data + (f * Channels + channel) * 2;
      const auto v = static_cast<int16_t>(static_cast<uint16_t>(s[0] | (s[1] << 8)));
      maxRaw = std::max(maxRaw, v);
      minRaw = std::min(minRaw, v);
    }
    entry[channel * 2] = static_cast<uint8_t>(std::max(maxRaw / 256, 0));
    entry[channel * 2 + 1] = static_cast<uint8_t>(std::max(-(minRaw / 256), 0));
  }
}
#endif

// Summarises `entries` consecutive entries of `frames` frames each into
// `out`. A run of entries per call keeps the per-entry work inlined; calling
// once per entry cost more than the summary itself.
using Summariser = void (*)(const uint8_t* data, uint32_t frames, uint32_t entries, uint8_t* out);

template <int Channels, int Bits>
void SummariseRun(const uint8_t* data, uint32_t frames, uint32_t entries, uint8_t* out) {
  constexpr uint32_t kBlock = Channels * Bits / 8;
  for (uint32_t e = 0; e < entries; ++e) {
#if defined(__SSE2__)
    if constexpr (Bits == 16) {
      SummariseBlock16Sse2<Channels>(data, frames, out);
    } else {
      SummariseBlock<Channels, Bits>(data, frames, out);
    }
#else
    SummariseBlock<Channels, Bits>(data, frames, out);
#endif
    data += frames * kBlock;
    out += 2 * Channels;
  }
}

Summariser SummariserFor(const AudioFormat& format) {
  if (format.channels == 1) {
    return format.bitsPerSample == 8 ? SummariseRun<1, 8> : SummariseRun<1, 16>;
  }
  return format.bitsPerSample == 8 ? SummariseRun<2, 8> : SummariseRun<2, 16>;
}

// The PCM data of a slot, read in large sequential blocks through the
// descriptor behind its view. One pass over a freshly written file is several
// times faster this way than through page faults on the view, and the block
// is small and fixed whatever the file's length.
class SampleWindow {
 public:
  explicit SampleWindow(const TempAudioFile& slot) : slot_(slot) {}

  // `size` bytes from `offset` on, or null when they cannot be read.
  const uint8_t* At(uint32_t offset, uint32_t size) {
    if (slot_.pcmMap.Fd() < 0) return slot_.pcmData + offset;
    if (offset < start_ || offset + size > start_ + filled_) {
      if (buffer_.empty()) buffer_.resize(kCapacity);
      const size_t want = std::min<size_t>(kCapacity, slot_.pcmLength - offset);
      size_t got = 0;
      while (got < want) {
        const ssize_t n = ::pread(slot_.pcmMap.Fd(), buffer_.data() + got, want - got,
                                  static_cast<off_t>(offset + got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      start_ = offset;
      filled_ = static_cast<uint32_t>(got);
      if (size > filled_) return nullptr;
    }
    return buffer_.data() + (offset - start_);
  }

 private:
  static constexpr size_t kCapacity = 1 << 20;
  const TempAudioFile& slot_;
  std::vector<uint8_t> buffer_;
  uint32_t start_ = 0;
  uint32_t filled_ = 0;
};

}  // namespace

PeakBuilder::PeakBuilder(const AudioFormat& format, int fd)
    : fd_(fd),
      enabled_(HasPeakData(format)),
      block_(enabled_ ? static_cast<uint32_t>(format.BlockSize()) : 1),
      entrySize_(2 * format.channels),
      summarise_(enabled_ ? SummariserFor(format) : nullptr) {
  if (!enabled_) return;
  runEntries_ = std::max<uint32_t>(1, kRunBytes / (kFramesPerEntry * block_));
  run_.resize(static_cast<size_t>(runEntries_) * entrySize_);
  pending_.reserve((kFramesPerEntry + 1) * block_);
  out_.reserve(kOutCapacity);
}

void PeakBuilder::Feed(const uint8_t* data, size_t size) {
  if (!enabled_) return;
  // Complete an entry started by an earlier piece.
  if (!pending_.empty()) {
    const size_t take = std::min(size, EntryBytes() - pending_.size());
    pending_.insert(pending_.end(), data, data + take);
    data += take;
    size -= take;
    if (pending_.size() < EntryBytes()) return;
    Summarise(pending_.data(), 1);
    pending_.clear();
  }
  if (entryFrames_ != kFramesPerEntry && size >= EntryBytes()) {
    const size_t first = EntryBytes();  // the entry length changes once summarised
    Summarise(data, 1);
    data += first;
    size -= first;
  }
  if (entryFrames_ == kFramesPerEntry) {
    while (size >= EntryBytes()) {
      const uint32_t entries =
          static_cast<uint32_t>(std::min<size_t>(runEntries_, size / EntryBytes()));
      Summarise(data, entries);
      data += entries * EntryBytes();
      size -= entries * EntryBytes();
    }
  }
  pending_.insert(pending_.end(), data, data + size);
}

void PeakBuilder::Summarise(const uint8_t* data, uint32_t entries) {
  summarise_(data, entryFrames_, entries, run_.data());
  const size_t bytes = static_cast<size_t>(entries) * entrySize_;
  out_.insert(out_.end(), run_.begin(), run_.begin() + static_cast<std::ptrdiff_t>(bytes));
  if (out_.size() >= kOutCapacity) Flush();
  entryFrames_ = kFramesPerEntry;
}

bool PeakBuilder::Flush() {
  // After a failed write the file no longer lines up with the entries;
  // nothing more is written and the length counts what came before.
  if (!failed_ && !platform::WriteFully(fd_, out_.data(), out_.size())) failed_ = true;
  if (!failed_) written_ += static_cast<uint32_t>(out_.size());
  out_.clear();
  return !failed_;
}

bool PeakBuilder::Finish() {
  return Flush();
}

uint32_t PeakLengthFor(const AudioFormat& format, uint32_t pcmLength) {
  if (!HasPeakData(format)) return 0;
  const uint32_t frames = pcmLength / static_cast<uint32_t>(format.BlockSize());
  if (frames == 0) return 0;
  return (frames - 1) / kFramesPerEntry * 2 * static_cast<uint32_t>(format.channels);
}

OpResult DrawPeakFile(TempAudioFile* slot, Progress& progress) {
  platform::UniqueFd fd;
  if (!slot->peakMap.IsOpen()) {
    fd = platform::CreateFreshFile(slot->peakPath, O_WRONLY);
  }
  if (!fd.Valid()) {
    platform::ShowMessageF("DrawPeakFile: Failed to open peak file %s", slot->peakPath.c_str());
    return OP_FAILED;
  }
  slot->peakLength = 0;
  progress.SetCaption("Creating waveform file.");
  progress.SetTotal(slot->pcmLength / 100);

  const AudioFormat format = slot->Format();
  if (!HasPeakData(format) || slot->pcmLength == 0 || slot->pcmData == nullptr) return OP_DONE;

  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint32_t end = slot->pcmLength - slot->pcmLength % block;
  PeakBuilder builder(format, fd.Get());
  auto stop = [&](OpResult result) {
    builder.Finish();
    slot->peakLength = builder.Written();
    return result;
  };

  uint32_t nextStep = kStepBytes;
  // Reports every 8192-byte mark that the data consumed so far has passed.
  auto reportUpTo = [&](uint32_t consumed) {
    while (nextStep <= consumed) {
      progress.Step(nextStep / 100);
      nextStep += kStepBytes;
      if (progress.IsCancelled()) return false;
    }
    return true;
  };

  SampleWindow samples(*slot);
  for (uint32_t offset = 0; offset < end;) {
    const uint32_t piece = std::min(kPieceBytes, end - offset);
    const uint8_t* data = samples.At(offset, piece);
    if (data == nullptr) {
      platform::ShowMessageF("DrawPeakFile: Failed to read %s", slot->pcmPath.c_str());
      return stop(OP_FAILED);
    }
    builder.Feed(data, piece);
    offset += piece;
    if (!reportUpTo(offset)) return stop(OP_CANCELLED);
  }
  const bool complete = builder.Finish();
  slot->peakLength = builder.Written();
  if (!complete) {
    platform::ShowMessageF("DrawPeakFile: Failed to open peak file %s", slot->peakPath.c_str());
    return OP_FAILED;
  }
  return OP_DONE;
}

OpResult RebuildPeakFileIfNeeded(TempAudioFile* work, Progress& progress) {
  const auto block = work->BlockSize();
  if (block != 1 && block != 2 && block != 4) return OP_DONE;  // no peak data for such formats
  const uint32_t length = work->pcmLength;

  if (work->peakLength == 0 && length > static_cast<uint32_t>(128 / (4 / block))) {
    progress.DisableCancel();
    if (DrawPeakFile(work, progress) != OP_DONE) return OP_CANCELLED;
    if (DocMemMapFile(work, PEAK_PART, MAP_READ) != OP_DONE) return OP_FAILED;
  }
  if (length > 70000) {
    // Exact only for 16-bit stereo; other formats always differ by more than
    // the tolerance here and are rebuilt every time.
    const int64_t expected = length / static_cast<uint32_t>(128 / block);
    const int64_t drift = expected - static_cast<int64_t>(work->peakLength);
    if (drift > -8 && drift < 8) return OP_DONE;
    progress.DisableCancel();
    if (CloseMemMapFile(work, PEAK_PART) != OP_DONE) return OP_FAILED;
    if (DrawPeakFile(work, progress) != OP_DONE) return OP_CANCELLED;
    if (DocMemMapFile(work, PEAK_PART, MAP_READ) != OP_DONE) return OP_FAILED;
  }
  return OP_DONE;
}
