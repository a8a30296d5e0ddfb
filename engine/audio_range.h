// A span of a document's audio in PCM bytes together with its image on the
// peak data, and the one mapping between the two. The peak data lies over the
// audio in proportion to the two lengths; a PCM offset's image is rounded
// down to a whole peak entry, so a splice of peak data never separates the
// bytes of one entry. Every peak offset a document holds comes from here.
#pragma once

#include <cstdint>

struct PeakScale {
  uint32_t dataLength = 0;  // PCM bytes of the audio
  uint32_t peakLength = 0;  // bytes of its peak data
  uint32_t entrySize = 0;   // bytes of one peak entry (both channels)

  // The image of a PCM offset on the peak data; the end of the audio maps
  // onto the end of the peak data, an offset past it onto the end too.
  uint32_t PeakOffset(uint32_t pcmOffset) const;
};

class AudioRange {
 public:
  AudioRange() = default;
  // [start, end) clamped into the audio, the ends ordered.
  AudioRange(uint32_t start, uint32_t end, const PeakScale& scale);

  uint32_t Start() const { return start_; }
  uint32_t End() const { return end_; }
  uint32_t Length() const { return end_ - start_; }
  bool Empty() const { return start_ == end_; }
  uint32_t PeakStart() const { return peakStart_; }
  uint32_t PeakEnd() const { return peakEnd_; }
  uint32_t PeakLength() const { return peakEnd_ - peakStart_; }

  // The same PCM bounds, clamped into audio of the scale's length, with
  // their image under that scale.
  AudioRange Rescaled(const PeakScale& scale) const { return {start_, end_, scale}; }
  // True when the range lies inside the audio and its peak bounds are the
  // image of its PCM bounds under `scale`.
  bool FitsScale(const PeakScale& scale) const;

  bool operator==(const AudioRange&) const = default;

 private:
  uint32_t start_ = 0, end_ = 0;
  uint32_t peakStart_ = 0, peakEnd_ = 0;
};
