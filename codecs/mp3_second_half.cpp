#include "codecs/mp3_second_half.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <new>

#include "codecs/mp3_frame_header.h"
#include "codecs/mp3_frame_reader.h"
#include "codecs/mp3_payload.h"
#include "engine/progress.h"

namespace mp3 {
namespace {

// Frames decoded before the middle to bring the decoder's state up. The
// bit reservoir reaches back at most 511 bytes, a few frames even at low
// bit rates; the overlap and the synthesis history need one frame each.
constexpr uint32_t kWarmUpFrames = 16;
// The synthesis filter's ring of 16 buffers turns by a fixed step per frame,
// and where it stands changes how its sums round. The warm-up starts where
// the ring stands as it does at that frame when the file is decoded from the
// start: a whole number of 16 frames after the first decoded frame.
constexpr uint32_t kRingFrames = 16;

// Decoded bytes collected before a write to the temporary file.
constexpr size_t kWriteBlock = 256 << 10;

}  // namespace

SecondHalfDecoder::SecondHalfDecoder(const std::string& sourcePath, const std::string& folder,
                                     uint64_t sourceSize, bool fixedStreamParameters,
                                     long outputRate) {
  try {
    thread_ = std::thread([=, this] {
      Run(sourcePath, folder, sourceSize, fixedStreamParameters, outputRate);
      finished_.store(true, std::memory_order_release);
    });
  } catch (const std::exception&) {
    // No thread: the import decodes the whole file itself.
    finished_ = true;
  }
}

SecondHalfDecoder::~SecondHalfDecoder() {
  stop_ = true;
  Join();
}

void SecondHalfDecoder::Join() {
  if (thread_.joinable()) thread_.join();
}

bool SecondHalfDecoder::WritePart(std::vector<uint8_t>& out) {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t written = ::write(part_.Get(), out.data() + done, out.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  partBytes_ += out.size();
  out.clear();
  return true;
}

void SecondHalfDecoder::Run(const std::string& sourcePath, const std::string& folder,
                            uint64_t sourceSize, bool fixedStreamParameters, long outputRate) {
  platform::UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
  part_ = platform::UniqueFd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (!source.Valid() || !part_.Valid()) return;
  try {
    // Cancel is the import's to notice; this reader only needs somewhere to
    // report to.
    SilentOperationHost unwatched;
    FrameReader reader(source.Get(), sourceSize, fixedStreamParameters);
    std::deque<std::vector<uint8_t>> recent;  // the frames before the current one
    Mpg123Handle decoder;
    std::vector<uint8_t> out;
    out.reserve(kWriteBlock + 1152 * 4);
    uint32_t kept = 0;
    uint32_t firstDecoded = 1;  // number of the first frame a gapless decoder decodes
    for (;;) {
      if (stop_) return;
      const int read = reader.Read(unwatched);
      if (read == kEndOfData) break;
      if (read != kFrameRead && read != kNoFrame) return;
      if (read == kNoFrame) continue;
      ++frames_;
      // A cut frame is damage, which the import reports itself.
      if (reader.FrameWasCut()) return;
      if (frames_ == 1 &&
          IsInfoFrame(reader.Frame().data(), reader.Frame().size(), reader.First())) {
        firstDecoded = 2;
      }
      if (!decoder) {
        const bool middle =
            recent.size() == kWarmUpFrames + kRingFrames - 1 && 2 * reader.Position() >= sourceSize;
        if (!middle) {
          recent.push_back(reader.Frame());
          if (recent.size() > kWarmUpFrames + kRingFrames - 1) recent.pop_front();
          continue;
        }
        // Without gapless mode every frame yields all its samples; the
        // import trims the end as its own decoder would.
        int error = 0;
        decoder = OpenPayloadDecoder(outputRate, error, false);
        if (!decoder) return;
        const uint32_t oldest = frames_ - static_cast<uint32_t>(recent.size());
        const uint32_t skip = (firstDecoded - oldest % kRingFrames + kRingFrames) % kRingFrames;
        for (size_t i = skip; i < recent.size(); ++i) {
          if (DecodeFrame(decoder.get(), recent[i], outputRate, out, false) !=
              FrameDecode::Decoded) {
            return;
          }
        }
        out.clear();
        recent.clear();
        firstFrame_.store(frames_, std::memory_order_release);
      }
      if (DecodeFrame(decoder.get(), reader.Frame(), outputRate, out, false) !=
          FrameDecode::Decoded) {
        return;
      }
      if (++kept == kCompareFrames) head_ = out;
      if (out.size() >= kWriteBlock && kept >= kCompareFrames && !WritePart(out)) return;
    }
    if (kept < kCompareFrames || !WritePart(out)) return;
    usable_ = true;
  } catch (const std::bad_alloc&) {
    // Out of memory here only costs the speed-up.
  }
}

}  // namespace mp3
