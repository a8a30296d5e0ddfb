// MP3 import: turns an MPEG audio file (MPEG-1, MPEG-2 and MPEG-2.5, Layers
// I, II and III) into raw 16-bit signed little-endian stereo PCM.
//
// The program finds, validates and reads the frames itself; libmpg123 only
// decodes the payload of the whole frames it is handed, at the stream's own
// rate. Read-ahead is off so that every frame the reader accepts becomes
// decoded samples, in order. Its gapless mode is on: the Xing/LAME Info frame
// an encoder writes first is read rather than decoded, and the encoder delay
// and end padding it records are cut, so a file made from a WAV decodes to
// the WAV's exact length. A stream without that frame is decoded whole.
//
// A long file decodes on two cores: its second half on a second thread (see
// codecs/mp3_second_half.h), taken only when it provably equals what
// decoding on would give.
#pragma once

#include <cstdint>
#include <string>

#include "platform/background_writer.h"

#include "engine/progress.h"

// The decoder's parameter block. It persists between imports; every import
// starts again from the stream defaults (rates from the file's own headers).
struct Mp3DecoderParameters {
  std::string sourcePath;
  std::string outputPath;
  int32_t streamRate = 44100;  // sampling rate of the stream's first header
  int32_t outputRate = 44100;  // rate of the PCM written: the stream's own
  int16_t outputChannels = 2;  // a mono stream is written with both channels equal
  int16_t outputBits = 16;
  int32_t outputBufferSize = 16384;  // decoded bytes collected before a write
  // Layer and sampling rate come from the first header; later headers supply
  // only bitrate, padding, CRC and channel mode. Off: every header stands
  // for itself.
  bool fixedStreamParameters = true;
  // A file of `secondThreadFromBytes` or more decodes its second half on a
  // second thread, with the same result. Off: always one frame after the
  // other.
  bool secondThread = true;
  uint64_t secondThreadFromBytes = 1 << 20;
  // The last import took its second half from the second thread.
  bool secondHalfJoined = false;
  uint32_t frameCounter = 0;  // frames read in the current or last import
  // The stream broke off part-way: a frame cut short by the end of the file,
  // or a frame the payload decoder could not go on from. `readableBytes` is
  // what was decoded before that frame; the output file may hold more (a cut
  // frame is still decoded with its missing bytes taken as zero).
  bool damaged = false;
  uint64_t readableBytes = 0;
};

class Mp3Decoder {
 public:
  // Decodes `sourcePath` into a new `outputPath`. Results:
  //   1   decoding ended (end of data, or a read error part-way); all that was
  //       decoded is in the output file; channels, bits and rate are set.
  //       Parameters().damaged tells whether the stream broke off.
  //   0   failed after a message: the source could not be opened, the output
  //       could not be created or written, no MPEG audio frame was found, or
  //       the decoding library could not be set up.
  //   OP_CANCELLED  Cancel was pressed; the output holds what was written
  //       before, and the samples still buffered are dropped.
  // Progress: SetTotal(source size / 100), Step(0), then Step(bytes read /
  // 100) and a cancel check after every frame read; when the second half
  // comes from the second thread, one Step to the end once it is written.
  // `written`, when given, sees every piece of the output in order once it
  // is in the file, on the thread that writes it (see BackgroundWriter), so
  // a summary of the audio can be made in the same pass.
  int DecodeToPcm(const std::string& sourcePath, const std::string& outputPath, int16_t& channels,
                  int16_t& bits, int32_t& rate, Progress& progress,
                  platform::BackgroundWriter::Observer written = {});

  const Mp3DecoderParameters& Parameters() const { return params_; }
  // Whether, and from which file size on, the second half decodes on a
  // second thread.
  void UseSecondThread(bool on, uint64_t fromBytes) {
    params_.secondThread = on;
    params_.secondThreadFromBytes = fromBytes;
  }

 private:
  Mp3DecoderParameters params_;
};

// Bytes the frame reader searches one at a time for a valid header before a
// read yields no frame; the next read searches on from there.
inline constexpr uint32_t kMp3ResyncLimit = 131071;
