// The payload decoder of the MP3 import: libmpg123, handed one whole frame
// at a time by the program's own frame reader.
#pragma once

#include <mpg123.h>

#include <memory>
#include <vector>

namespace mp3 {

struct Mpg123Deleter {
  void operator()(mpg123_handle* mh) const { mpg123_delete(mh); }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// The payload decoder for one stream: 16-bit signed little-endian, always two
// channels, at `outputRate`. Fed whole frames, so read-ahead (which would
// hold back the first frame until a second confirms it) is off. In gapless
// mode it takes the Info/Xing frame as the stream's description (it yields
// no samples) and trims the encoder delay and padding it records; without
// it every frame yields all its samples. Null, with `error` set, when
// libmpg123 cannot be set up.
Mpg123Handle OpenPayloadDecoder(long outputRate, int& error, bool gapless = true);

// What became of one frame.
enum class FrameDecode {
  Decoded,
  Unusable,  // the stream cannot continue after it: the audio ends there
  Failed,    // the library itself failed (memory, say): the import fails
};

// Hands one frame to the payload decoder and appends what it yields. The
// codec fault seam is met only on the thread that may meet it
// (`throughFaultSeam`).
FrameDecode DecodeFrame(mpg123_handle* mh, const std::vector<uint8_t>& frame, long outputRate,
                        std::vector<uint8_t>& out, bool throughFaultSeam = true);

}  // namespace mp3
