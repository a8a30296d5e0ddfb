// Writes the demo document: four seconds of 44100 Hz 16-bit stereo, a few
// notes with attack and decay, the right channel an octave apart from the
// left, so the waveform shows shape at every zoom level.
//
//   make-demo-wav OUT.wav

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/wave_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-wav OUT.wav\n");
    return 2;
  }
  const AudioFormat format{2, 16, 44100};
  const int frames = 4 * format.sampleRate;
  std::string pcm;
  pcm.reserve(static_cast<size_t>(frames) * 4);
  const double notes[] = {220.0, 277.18, 329.63, 440.0};
  const double kPi = 3.14159265358979323846;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / format.sampleRate;
    const int note = static_cast<int>(t);
    const double local = t - note;
    const double envelope = std::min(1.0, local * 40.0) * std::exp(-local * 2.5);
    const double f = notes[note % 4];
    const double left =
        envelope * (0.6 * std::sin(2 * kPi * f * t) + 0.25 * std::sin(2 * kPi * 2 * f * t));
    const double right =
        envelope * (0.45 * std::sin(2 * kPi * f * 0.5 * t) + 0.2 * std::sin(2 * kPi * 3 * f * t));
    for (double v : {left, right}) {
      const auto s = static_cast<int16_t>(std::lround(v * 30000.0));
      pcm.push_back(static_cast<char>(s & 0xFF));
      pcm.push_back(static_cast<char>((s >> 8) & 0xFF));
    }
  }
  const std::string header = MakeWaveHeader(format, static_cast<uint32_t>(pcm.size()));
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(header.data(), 1, header.size(), out) == header.size() &&
                       std::fwrite(pcm.data(), 1, pcm.size(), out) == pcm.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
