#include "codecs/mp3_decoder.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "codecs/mp3_frame_header.h"
#include "codecs/mp3_frame_reader.h"
#include "codecs/mp3_payload.h"
#include "codecs/mp3_second_half.h"
#include "engine/op_codes.h"
#include "platform/background_writer.h"
#include "platform/fault_injection.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

using mp3::DecodeFrame;
using mp3::FrameDecode;
using mp3::FrameReader;
using mp3::kEndOfData;
using mp3::kNoFrame;
using mp3::kReadError;
using mp3::Mpg123Handle;
using mp3::OpenPayloadDecoder;
using mp3::SecondHalfDecoder;

namespace {

constexpr uint64_t kStereoFrameBytes = 4;
// The second part goes to the writer in blocks of this size; with the
// writer's queue full that is 4 MiB in memory at most.
constexpr uint64_t kPartBlock = 64 << 10;
// Samples a Layer III decoder lags behind; a gapless decoder cuts them too.
constexpr long kLayer3DecoderDelay = 529;
// The encoder's end padding is less than two frames of the largest kind.
constexpr uint64_t kMostTrimmedBytes = 2 * 1152 * kStereoFrameBytes;

// The output bytes a gapless decoder yields from the frames before `frame`
// when every one decodes whole: all but the Info frame, less the encoder
// delay and the decoder's own delay that it cuts from the start.
uint64_t FullFramesBefore(uint32_t frame, uint32_t firstDecoded, const FrameHeader& first,
                          mpg123_handle* decoder) {
  if (frame <= firstDecoded) return 0;
  long delay = -1;
  if (first.layer != 3 ||
      mpg123_getstate(decoder, MPG123_ENC_DELAY, &delay, nullptr) != MPG123_OK || delay < 0) {
    delay = -kLayer3DecoderDelay;
  }
  const uint64_t samples =
      static_cast<uint64_t>(frame - firstDecoded) * static_cast<uint64_t>(SamplesPerFrame(first));
  const uint64_t cut = static_cast<uint64_t>(delay + kLayer3DecoderDelay);
  return samples > cut ? (samples - cut) * kStereoFrameBytes : 0;
}

enum class JoinResult { Joined, DecodeOn, Cancelled, WriteFailed };

// The import has decoded the first frames of the second part into `out`
// (which holds nothing else), behind `written` bytes of output. When the
// second thread's samples for those frames are the same, its part is
// written in place of decoding on.
JoinResult JoinSecondHalf(SecondHalfDecoder& second, mpg123_handle* decoder, uint64_t written,
                          std::vector<uint8_t>& out, platform::BackgroundWriter& writer,
                          Progress& progress) {
  // The second thread ends about when this one reaches the middle; while it
  // is waited for, the interface stays alive and Cancel works.
  while (!second.Finished()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    progress.Step(progress.GetCurrent());
    if (progress.IsCancelled()) {
      (void)writer.Finish();
      return JoinResult::Cancelled;
    }
  }
  second.Join();
  if (!second.Usable() || second.Head() != out) return JoinResult::DecodeOn;

  // Decoding on, the decoder would cut the encoder's end padding when it
  // reached the end, at the length the Info frame states. Without padding
  // it cuts nothing. A stated end that is not within the last frames, which
  // decoding on may treat in its own way, is left to decoding on.
  uint64_t take = second.PartBytes();
  long padding = -1;
  if (mpg123_getstate(decoder, MPG123_ENC_PADDING, &padding, nullptr) != MPG123_OK) {
    return JoinResult::DecodeOn;
  }
  if (padding >= 0) {
    const off_t length = mpg123_length(decoder);
    const uint64_t end = length > 0 ? static_cast<uint64_t>(length) * kStereoFrameBytes : 0;
    if (end > written + take || end + kMostTrimmedBytes < written + take) {
      return JoinResult::DecodeOn;
    }
    take = end - written;
  }
  out.clear();
  std::vector<uint8_t> block;
  for (uint64_t at = 0; at < take;) {
    block.resize(static_cast<size_t>(std::min<uint64_t>(take - at, kPartBlock)));
    size_t got = 0;
    while (got < block.size()) {
      const ssize_t n = ::pread(second.PartFd(), block.data() + got, block.size() - got,
                                static_cast<off_t>(at + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return JoinResult::WriteFailed;
      got += static_cast<size_t>(n);
    }
    at += got;
    if (!writer.Write(block)) return JoinResult::WriteFailed;
  }
  return JoinResult::Joined;
}

}  // namespace

int Mp3Decoder::DecodeToPcm(const std::string& sourcePath, const std::string& outputPath,
                            int16_t& channels, int16_t& bits, int32_t& rate, Progress& progress,
                            platform::BackgroundWriter::Observer written) {
  params_.sourcePath = sourcePath;
  params_.outputPath = outputPath;
  params_.frameCounter = 0;
  params_.damaged = false;
  params_.secondHalfJoined = false;
  params_.readableBytes = 0;
  params_.streamRate = 44100;
  params_.outputRate = 44100;

  platform::UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (source.Get() < 0 || ::fstat(source.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    platform::ShowMessageF("Could not open %s for reading - the MP3 file cannot be imported.",
                           sourcePath.c_str());
    return 0;
  }
  const uint64_t sourceSize = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;

  std::vector<uint8_t> out;
  const size_t bufferSize = static_cast<size_t>(std::max<int32_t>(params_.outputBufferSize, 1));
  try {
    // Room for one more decoded frame (at most 1152 stereo 16-bit samples)
    // past the write threshold, so appending never reallocates.
    out.reserve(bufferSize + 1152 * 4);
  } catch (const std::bad_alloc&) {
    platform::ShowMessage("MP3 import: not enough memory for the output buffer.");
    return 0;
  }

  progress.SetTotal(static_cast<uint32_t>(std::min<uint64_t>(sourceSize / 100, UINT32_MAX)));
  progress.Step(0);

  platform::UniqueFd output(
      ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (output.Get() < 0) {
    platform::ShowMessageF("Could not open %s - it may be in exclusive use by another program.",
                           outputPath.c_str());
    return 0;
  }

  // The decoded audio is written on a second thread while the next frames
  // decode; decoding is the import's whole cost, and it never waits for the
  // disk.
  platform::BackgroundWriter writer(output.Get(), std::move(written));
  FrameReader reader(source.Get(), sourceSize, params_.fixedStreamParameters);
  Mpg123Handle payload;
  bool writeFailed = false;
  bool setupFailed = false;
  bool decoderFailed = false;
  int setupError = MPG123_OK;
  uint64_t flushed = 0;  // decoded bytes already in the output file
  auto markDamaged = [&](uint64_t readable) {
    if (params_.damaged) return;
    params_.damaged = true;
    params_.readableBytes = readable;
  };
  std::unique_ptr<SecondHalfDecoder> second;
  uint32_t compared = 0;  // frames decoded past the middle for the comparison
  bool comparing = false;
  uint32_t firstDecoded = 1;  // number of the first frame that is decoded, not read as Info

  for (;;) {
    const int read = reader.Read(progress);
    if (read == ToInt(OP_CANCELLED)) {
      (void)writer.Finish();  // what was written before the cancel stays as it was
      return ToInt(OP_CANCELLED);
    }
    if (read == kEndOfData || read == kReadError) break;
    if (read == kNoFrame) continue;
    ++params_.frameCounter;

    if (params_.frameCounter == 1) {
      params_.streamRate = reader.First().sampleRate;
      params_.outputRate = params_.streamRate;
      payload = OpenPayloadDecoder(params_.outputRate, setupError);
      if (!payload) {
        setupFailed = true;
        break;
      }
      if (IsInfoFrame(reader.Frame().data(), reader.Frame().size(), reader.First())) {
        firstDecoded = 2;
      }
      if (params_.secondThread && sourceSize >= params_.secondThreadFromBytes) {
        second = std::make_unique<SecondHalfDecoder>(sourcePath, platform::FolderOf(outputPath),
                                                     sourceSize, params_.fixedStreamParameters,
                                                     params_.outputRate);
      }
    }
    if (second && !comparing) {
      uint32_t middle = second->FirstFrame();
      if (middle == 0 && 2 * reader.Position() >= sourceSize) {
        // The second part may begin with this frame; the second thread,
        // which only reads up to there, is about to say so.
        while (second->FirstFrame() == 0 && !second->Finished()) {
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        middle = second->FirstFrame();
      }
      if (middle == params_.frameCounter &&
          flushed + out.size() ==
              FullFramesBefore(middle, firstDecoded, reader.First(), payload.get())) {
        // The second part would begin with this frame, and every frame
        // before it was decoded whole (so the synthesis ring stands where
        // the second thread took it to stand): what came before is written,
        // and the next frames are decoded here for the comparison.
        flushed += out.size();
        if (!out.empty() && !writer.Write(out)) {
          writeFailed = true;
          break;
        }
        comparing = true;
      } else if ((middle != 0 && middle <= params_.frameCounter) ||
                 (middle == 0 && second->Finished())) {
        second.reset();  // passed or never found: no use any more
      }
    }

    const uint64_t decodedBefore = flushed + out.size();
    if (reader.FrameWasCut()) markDamaged(decodedBefore);
    // Running out of memory is not the end of the audio: the import fails
    // rather than open a document cut short without a word.
    FrameDecode decoded = FrameDecode::Failed;
    try {
      decoded = DecodeFrame(payload.get(), reader.Frame(), params_.outputRate, out);
    } catch (const std::bad_alloc&) {
      platform::ShowMessage("MP3 import: not enough memory to decode the file.");
      return 0;
    }
    if (decoded == FrameDecode::Failed) {
      decoderFailed = true;
      break;
    }
    if (decoded == FrameDecode::Unusable) {
      markDamaged(decodedBefore);
      break;
    }

    if (comparing && ++compared == SecondHalfDecoder::kCompareFrames) {
      const JoinResult join =
          JoinSecondHalf(*second, payload.get(), flushed, out, writer, progress);
      if (join == JoinResult::Cancelled) return ToInt(OP_CANCELLED);
      if (join == JoinResult::WriteFailed) writeFailed = true;
      if (join != JoinResult::DecodeOn) {
        params_.frameCounter = second->Frames();
        params_.secondHalfJoined = join == JoinResult::Joined;
        progress.Step(static_cast<uint32_t>(std::min<uint64_t>(sourceSize / 100, UINT32_MAX)));
        break;
      }
      second.reset();
      comparing = false;
    }
    if (!comparing && out.size() >= bufferSize) {
      flushed += out.size();
      if (!writer.Write(out)) {
        writeFailed = true;
        break;
      }
    }
  }

  if (!writeFailed && !out.empty()) writeFailed = !writer.Write(out);
  if (!writer.Finish()) writeFailed = true;
  if (output.Close() != 0) writeFailed = true;

  if (writeFailed) {
    platform::ShowMessageF("Could not write to %s - the disk may be full.", outputPath.c_str());
    return 0;
  }
  if (decoderFailed) {
    platform::ShowMessageF("MP3 import: the MP3 decoding library failed while decoding %s.",
                           sourcePath.c_str());
    return 0;
  }
  if (setupFailed) {
    platform::ShowMessageF("MP3 import: the MP3 decoding library could not be set up (%s).",
                           mpg123_plain_strerror(setupError));
    return 0;
  }
  if (params_.frameCounter == 0) {
    platform::ShowMessageF("No MPEG audio frames were found in %s.", sourcePath.c_str());
    return 0;
  }
  channels = params_.outputChannels;
  bits = params_.outputBits;
  rate = params_.outputRate;
  return 1;
}
