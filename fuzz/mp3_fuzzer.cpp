// An MP3 file of any bytes through the MP3 import: the frame reader with its
// ID3v2 skipping and resynchronisation, libmpg123 decoding the frames it is
// handed, and the ID3v1 tag reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/id3v1.h"
#include "codecs/mp3_decoder.h"
#include "codecs/mp3_frame_header.h"
#include "engine/progress.h"
#include "fuzz/support/fuzz_sandbox.h"
#include "platform/message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzSandbox& sandbox = FuzzSandbox::Get();
  const std::string source = sandbox.WriteInput("input.mp3", data, size);
  const std::string output = sandbox.Folder() + "/inputs/decoded.pcm";

  // The header rules on the first word, as the reader applies them.
  if (size >= 4) {
    const uint32_t word =
        uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3];
    FrameHeader header;
    if (HeaderIsValid(word) && ParseHeader(word, header)) {
      FuzzCheck(header.channels == 1 || header.channels == 2, "a frame has one or two channels");
      FuzzCheck(header.frameBodySize >= 0, "a frame's size is not negative");
    }
  }

  Mp3Decoder decoder;
  SilentOperationHost progress;
  int16_t channels = 0, bits = 0;
  int32_t rate = 0;
  const int result = decoder.DecodeToPcm(source, output, channels, bits, rate, progress);
  if (result == 1) {
    FuzzCheck(channels == 2 && bits == 16, "the import writes 16-bit stereo");
    FuzzCheck(rate > 0, "the import writes at a positive rate");
  }
  (void)ReadId3v1Tag(source);
  return 0;
}
