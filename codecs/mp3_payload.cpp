#include "codecs/mp3_payload.h"

#include <cerrno>
#include <mutex>

#include "platform/fault_injection.h"

namespace mp3 {

Mpg123Handle OpenPayloadDecoder(long outputRate, int& error, bool gapless) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  error = MPG123_OK;
  Mpg123Handle mh(mpg123_new(nullptr, &error));
  if (!mh) return nullptr;
  const long add = MPG123_FORCE_STEREO | MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_FORCE_ENDIAN |
                   (gapless ? MPG123_GAPLESS : 0);
  // Resampling stays off: a rate the format table does not allow must fail
  // rather than quietly change the samples.
  const long remove = (gapless ? 0 : MPG123_GAPLESS) | MPG123_IGNORE_INFOFRAME |
                      MPG123_AUTO_RESAMPLE | MPG123_BIG_ENDIAN | MPG123_MONO_MIX |
                      MPG123_MONO_LEFT | MPG123_MONO_RIGHT | MPG123_FORCE_8BIT | MPG123_FORCE_FLOAT;
  if ((error = mpg123_param(mh.get(), MPG123_ADD_FLAGS, add, 0)) != MPG123_OK ||
      (error = mpg123_param(mh.get(), MPG123_REMOVE_FLAGS, remove, 0)) != MPG123_OK ||
      (error = mpg123_param(mh.get(), MPG123_DOWN_SAMPLE, 0, 0)) != MPG123_OK ||
      (error = mpg123_format_none(mh.get())) != MPG123_OK ||
      (error = mpg123_format(mh.get(), outputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16)) !=
          MPG123_OK ||
      (error = mpg123_open_feed(mh.get())) != MPG123_OK) {
    return nullptr;
  }
  return mh;
}

FrameDecode DecodeFrame(mpg123_handle* mh, const std::vector<uint8_t>& frame, long outputRate,
                        std::vector<uint8_t>& out, bool throughFaultSeam) {
  if (throughFaultSeam && platform::FaultInjected(platform::FileCall::Codec)) {
    // An injected EBADMSG stands for the payload decoder refusing the frame's
    // data, any other error for the library itself failing.
    return errno == EBADMSG ? FrameDecode::Unusable : FrameDecode::Failed;
  }
  if (mpg123_feed(mh, frame.data(), frame.size()) != MPG123_OK) return FrameDecode::Failed;
  for (;;) {
    off_t number = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int result = mpg123_decode_frame(mh, &number, &audio, &bytes);
    if (result == MPG123_NEED_MORE) return FrameDecode::Decoded;
    if (result == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK || rate != outputRate ||
          channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        return FrameDecode::Unusable;
      }
      continue;
    }
    if (result == MPG123_OUT_OF_MEM) return FrameDecode::Failed;
    if (result != MPG123_OK) return FrameDecode::Unusable;
    if (audio != nullptr && bytes > 0) out.insert(out.end(), audio, audio + bytes);
  }
}

}  // namespace mp3
