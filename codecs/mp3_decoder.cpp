#include "codecs/mp3_decoder.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "codecs/mp3_frame_header.h"
#include "codecs/mp3_frame_reader.h"
#include "codecs/mp3_payload.h"
#include "engine/op_codes.h"
#include "platform/background_writer.h"
#include "platform/fault_injection.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using mp3::DecodeFrame;
using mp3::FrameDecode;
using mp3::FrameReader;
using mp3::kEndOfData;
using mp3::kNoFrame;
using mp3::kReadError;
using mp3::Mpg123Handle;
using mp3::OpenPayloadDecoder;

int Mp3Decoder::DecodeToPcm(const std::string& sourcePath, const std::string& outputPath,
                            int16_t& channels, int16_t& bits, int32_t& rate, Progress& progress,
                            platform::BackgroundWriter::Observer written) {
  params_.sourcePath = sourcePath;
  params_.outputPath = outputPath;
  params_.frameCounter = 0;
  params_.damaged = false;
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

    if (out.size() >= bufferSize) {
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
