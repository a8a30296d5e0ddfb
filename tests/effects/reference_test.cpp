// Every tool against a plain reference written from the definitions of the
// processing, one sample at a time, on random audio, random regions and
// random settings in all four formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/op_codes.h"
#include "tests/effects/effect_doc.h"

namespace {

// ---- the reference ----

struct Pcm {
  AudioFormat format;
  std::string bytes;
  int Sample() const { return format.bitsPerSample / 8; }
  int Block() const { return format.BlockSize(); }
  // Amplitude of channel `c` of the frame at byte offset `at`.
  int Get(size_t at, int c) const {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + at + c * Sample();
    if (format.bitsPerSample == 8) return p[0] - 128;
    return static_cast<int16_t>(p[0] | (p[1] << 8));
  }
  // Stores `v` wrapped to the sample size.
  void Put(size_t at, int c, int v) {
    auto* p = reinterpret_cast<uint8_t*>(bytes.data()) + at + c * Sample();
    if (format.bitsPerSample == 8) {
      p[0] = static_cast<uint8_t>((v + 128) & 0xff);
    } else {
      p[0] = static_cast<uint8_t>(v & 0xff);
      p[1] = static_cast<uint8_t>((v >> 8) & 0xff);
    }
  }
};

// amplitude × percent × (0.01 in single precision), truncated toward zero.
int Gain(int amplitude, int percent) {
  const long double f = 0.01f;
  return static_cast<int>(static_cast<long double>(amplitude) * percent * f);
}
int Sat(const Pcm& pcm, int v) {
  const int limit = pcm.format.bitsPerSample == 8 ? 127 : 32000;
  return std::clamp(v, -limit, limit);
}
// 16-bit samples are limited to ±32000 before they are scaled.
int In(const Pcm& pcm, int v) {
  return pcm.format.bitsPerSample == 8 ? v : Sat(pcm, v);
}

uint32_t Delay(const AudioFormat& f, int ms) {
  const long double g = 0.001f;
  const auto d = static_cast<uint32_t>(static_cast<long double>(f.BytesPerSecond()) * ms * g);
  return d - d % static_cast<uint32_t>(f.BlockSize());
}

Pcm Region(const Pcm& work, uint32_t start, uint32_t end) {
  return {work.format, work.bytes.substr(start, end - start)};
}

Pcm RefVolume(const Pcm& region, int left, int right) {
  Pcm out = region;
  for (size_t at = 0; at < region.bytes.size(); at += region.Block()) {
    out.Put(at, 0, Gain(region.Get(at, 0), left));
    if (region.format.channels == 2) out.Put(at, 1, Gain(region.Get(at, 1), right));
  }
  return out;
}

int RefFadeGain(int s, int e, size_t pos, size_t n) {
  if (s >= e) return static_cast<int>(s - (static_cast<double>(pos) / n) * (s - e));
  return static_cast<int>(e - (static_cast<double>(n - pos) / n) * (e - s));
}

Pcm RefFade(const Pcm& region, int sl, int el, int sr, int er) {
  Pcm out = region;
  const size_t n = region.bytes.size();
  for (size_t at = 0; at < n; at += region.Block()) {
    out.Put(at, 0, Gain(region.Get(at, 0), RefFadeGain(sl, el, at, n)));
    if (region.format.channels == 2) {
      out.Put(at, 1, Gain(region.Get(at, 1), RefFadeGain(sr, er, at, n)));
    }
  }
  return out;
}

bool Left(ChannelSet choice) {
  return choice == LEFT_CHANNEL || choice == BOTH_CHANNELS;
}
bool Right(ChannelSet choice) {
  return choice == RIGHT_CHANNEL || choice == BOTH_CHANNELS;
}

Pcm RefMute(const Pcm& region, ChannelSet choice) {
  Pcm out = region;
  const bool mono = region.format.channels == 1;
  for (size_t at = 0; at < region.bytes.size(); at += region.Block()) {
    if (mono || Left(choice)) out.Put(at, 0, 0);
    if (!mono && Right(choice)) out.Put(at, 1, 0);
  }
  return out;
}

Pcm RefReverse(const Pcm& region, ChannelSet choice) {
  Pcm out = region;
  const size_t n = region.bytes.size();
  const bool mono = region.format.channels == 1;
  for (size_t at = 0; at < n; at += region.Block()) {
    const size_t mirror = n - at - region.Block();
    out.Put(at, 0, region.Get(mono || Left(choice) ? mirror : at, 0));
    if (!mono) out.Put(at, 1, region.Get(Right(choice) ? mirror : at, 1));
  }
  return out;
}

Pcm RefSwap(const Pcm& region) {
  Pcm out = region;
  for (size_t at = 0; at < region.bytes.size(); at += region.Block()) {
    out.Put(at, 0, region.Get(at, 1));
    out.Put(at, 1, region.Get(at, 0));
  }
  return out;
}

Pcm RefCopy(const Pcm& region, ChannelSet choice) {
  Pcm out = region;
  const int from = choice == LEFT_CHANNEL ? 0 : 1;
  for (size_t at = 0; at < region.bytes.size(); at += region.Block()) {
    out.Put(at, 0, region.Get(at, from));
    out.Put(at, 1, region.Get(at, from));
  }
  return out;
}

// Adds `a` to channel c at `at` with saturation, as the effects do.
void AddSat(Pcm& out, size_t at, int c, int a) {
  out.Put(at, c, Sat(out, In(out, out.Get(at, c)) + a));
}

// One pass of an echo-like effect: reads `from` at s = 0, 1, ... frames,
// adds at wL / wR while either is inside.
void AddPass(const Pcm& from, Pcm& out, uint64_t wL, uint64_t wR, int levelL, int levelR) {
  const uint64_t n = out.bytes.size();
  const bool stereo = out.format.channels == 2;
  if (!stereo) wR = wL;
  for (uint64_t s = 0; wL < n || wR < n; s += out.Block(), wL += out.Block(), wR += out.Block()) {
    if (wL < n) AddSat(out, wL, 0, Sat(out, Gain(In(out, from.Get(s, 0)), levelL)));
    if (stereo && wR < n) AddSat(out, wR, 1, Sat(out, Gain(In(out, from.Get(s, 1)), levelR)));
  }
}

int Next(int level, int percent) {
  return Gain(level, percent);
}

Pcm RefEcho(const Pcm& region, int il, int ir, int al, int ar, int dl, int dr) {
  if (region.format.channels == 1) ir = il, ar = al, dr = dl;
  Pcm out = region;  // the dry pass
  const uint64_t DL = Delay(region.format, dl), DR = Delay(region.format, dr);
  int vl = il, vr = ir;
  for (int k = 1; vl > 1 || vr > 1; ++k) {
    AddPass(region, out, k * DL, k * DR, vl, vr);
    vl = Next(vl, 100 - al);
    vr = Next(vr, 100 - ar);
  }
  return out;
}

Pcm Scaled(const Pcm& region, int left, int right) {
  Pcm out = region;
  for (size_t at = 0; at < region.bytes.size(); at += region.Block()) {
    out.Put(at, 0, Sat(region, Gain(In(region, region.Get(at, 0)), left)));
    if (region.format.channels == 2) {
      out.Put(at, 1, Sat(region, Gain(In(region, region.Get(at, 1)), right)));
    }
  }
  return out;
}

Pcm RefReverb(const Pcm& region, int dryL, int dryR, int wetL, int wetR, int dl, int dr) {
  if (region.format.channels == 1) dryR = dryL, wetR = wetL, dr = dl;
  Pcm out = Scaled(region, dryL, dryR);
  const uint64_t DL = Delay(region.format, dl), DR = Delay(region.format, dr);
  int vl = wetL, vr = wetR;
  for (int k = 1; vl > 1 || vr > 1; ++k) {
    if (k == 1) {
      AddPass(region, out, DL, DR, vl, vr);
    } else {
      AddPass(out, out, k * DL, k * DR, vl, vr);  // reads the result as it stands
    }
    vl = Next(vl, wetL);
    vr = Next(vr, wetR);
  }
  return out;
}

Pcm RefMultiVoice(const Pcm& region, int voices, int il, int ir, int wl, int wr, int dl, int dr) {
  if (region.format.channels == 1) ir = il, wr = wl, dr = dl;
  Pcm out = Scaled(region, il, ir);
  const uint64_t DL = Delay(region.format, dl), DR = Delay(region.format, dr);
  for (int v = 1; v <= voices; ++v) AddPass(region, out, v * DL, v * DR, wl, wr);
  return out;
}

Pcm RefMix(const Pcm& work, const Pcm& clip, uint32_t start, const MixPasteSettings& s) {
  Pcm out = clip;
  const int dl = static_cast<int>(s.documentLeft), dr = static_cast<int>(s.documentRight);
  const int cl = static_cast<int>(s.clipboardLeft), cr = static_cast<int>(s.clipboardRight);
  for (size_t p = 0; p < clip.bytes.size(); p += clip.Block()) {
    const size_t j = start + p;
    const bool inside = j < work.bytes.size();
    out.Put(p, 0, (inside ? Gain(work.Get(j, 0), dl) : 0) + Gain(clip.Get(p, 0), cl));
    if (clip.format.channels == 2) {
      out.Put(p, 1, (inside ? Gain(work.Get(j, 1), dr) : 0) + Gain(clip.Get(p, 1), cr));
    }
  }
  return out;
}

// ---- the comparison ----

std::string RandomPcm(std::mt19937& rng, size_t bytes) {
  // Mostly loud material so that wrap-around and saturation occur.
  std::uniform_int_distribution<int> byte(0, 255);
  std::string pcm(bytes, '\0');
  for (auto& c : pcm) c = static_cast<char>(byte(rng));
  return pcm;
}

class ReferenceTest : public ::testing::TestWithParam<AudioFormat> {};

TEST_P(ReferenceTest, EveryToolMatchesTheReferenceOnRandomRegions) {
  const AudioFormat format = GetParam();
  std::mt19937 rng(1234 + format.channels * 10 + format.bitsPerSample);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());

  for (int round = 0; round < 3; ++round) {
    const uint32_t frames = static_cast<uint32_t>(uniform(3000, 12000));
    const Pcm work{format, RandomPcm(rng, frames * block)};
    EffectDoc d(format, work.bytes);
    CEditorDoc& doc = d.Doc();
    uint32_t s = static_cast<uint32_t>(uniform(0, frames)) * block;
    uint32_t e = static_cast<uint32_t>(uniform(0, frames)) * block;
    if (s > e) std::swap(s, e);
    doc.SetSelection(s, e);
    ASSERT_EQ(doc.Selection().Start(), s);
    ASSERT_EQ(doc.Selection().End(), e);
    const bool whole = round == 0;
    const int applyTo = whole ? ENTIRE_FILE : SELECTED_AREA;
    const Pcm region = whole ? work : Region(work, s, e);
    const std::string what = "round " + std::to_string(round);
    std::string out;

    VolumeTool volume;
    volume.settings = {static_cast<uint32_t>(uniform(0, 300)),
                       static_cast<uint32_t>(uniform(0, 300)), applyTo};
    ASSERT_EQ(d.Run(volume, &out), OP_DONE);
    EXPECT_EQ(out, RefVolume(region, static_cast<int>(volume.settings.leftGain),
                             static_cast<int>(volume.settings.rightGain))
                       .bytes)
        << "volume " << what;

    FadeTool fade;
    fade.settings.startLeft = static_cast<uint32_t>(uniform(0, 300));
    fade.settings.endLeft = static_cast<uint32_t>(uniform(0, 300));
    fade.settings.startRight = static_cast<uint32_t>(uniform(0, 300));
    fade.settings.endRight = static_cast<uint32_t>(uniform(0, 300));
    fade.settings.applyTo = applyTo;
    ASSERT_EQ(d.Run(fade, &out), OP_DONE);
    EXPECT_EQ(out, RefFade(region, static_cast<int>(fade.settings.startLeft),
                           static_cast<int>(fade.settings.endLeft),
                           static_cast<int>(fade.settings.startRight),
                           static_cast<int>(fade.settings.endRight))
                       .bytes)
        << "fade " << what;

    for (ChannelSet choice : {NO_CHANNEL, LEFT_CHANNEL, RIGHT_CHANNEL, BOTH_CHANNELS}) {
      MuteTool mute;
      mute.settings = {applyTo, choice, 0};
      ASSERT_EQ(d.Run(mute, &out), OP_DONE);
      EXPECT_EQ(out, RefMute(region, choice).bytes)
          << "mute " << static_cast<int>(choice) << " " << what;
      ReverseTool reverse;
      reverse.settings = {applyTo, choice, 0};
      ASSERT_EQ(d.Run(reverse, &out), OP_DONE);
      EXPECT_EQ(out, RefReverse(region, choice).bytes)
          << "reverse " << static_cast<int>(choice) << " " << what;
    }
    if (format.channels == 2) {
      SwapTool swap;
      swap.settings.applyTo = applyTo;
      ASSERT_EQ(d.Run(swap, &out), OP_DONE);
      EXPECT_EQ(out, RefSwap(region).bytes) << "swap " << what;
      for (ChannelSet choice : {LEFT_CHANNEL, RIGHT_CHANNEL}) {
        CopyChannelTool copy;
        copy.settings = {applyTo, choice, 0};
        ASSERT_EQ(d.Run(copy, &out), OP_DONE);
        EXPECT_EQ(out, RefCopy(region, choice).bytes)
            << "copy " << static_cast<int>(choice) << " " << what;
      }
    }

    EchoTool echo;
    echo.settings.applyTo = applyTo;
    echo.settings.initialRatioLeft = uniform(0, 100);
    echo.settings.initialRatioRight = uniform(0, 100);
    echo.settings.additionalRatioLeft = uniform(0, 100);
    echo.settings.additionalRatioRight = uniform(0, 100);
    echo.settings.delayLeft = uniform(0, 40);
    echo.settings.delayRight = uniform(0, 40);
    ASSERT_EQ(d.Run(echo, &out), OP_DONE);
    const auto& es = echo.settings;
    EXPECT_EQ(out,
              RefEcho(region, es.initialRatioLeft, es.initialRatioRight, es.additionalRatioLeft,
                      es.additionalRatioRight, es.delayLeft, es.delayRight)
                  .bytes)
        << "echo " << what;

    ReverbTool reverb;
    reverb.settings.applyTo = applyTo;
    reverb.settings.dryLeft = uniform(0, 100);
    reverb.settings.dryRight = uniform(0, 100);
    reverb.settings.wetLeft = uniform(0, 95);
    reverb.settings.wetRight = uniform(0, 95);
    reverb.settings.delayLeft = uniform(0, 40);
    reverb.settings.delayRight = uniform(0, 40);
    ASSERT_EQ(d.Run(reverb, &out), OP_DONE);
    const auto& rs = reverb.settings;
    EXPECT_EQ(out, RefReverb(region, rs.dryLeft, rs.dryRight, rs.wetLeft, rs.wetRight, rs.delayLeft,
                             rs.delayRight)
                       .bytes)
        << "reverb " << what;

    MultiVoiceTool mv;
    mv.settings.applyTo = applyTo;
    mv.settings.voices = uniform(0, 10);
    mv.settings.initialRatioLeft = uniform(0, 100);
    mv.settings.initialRatioRight = uniform(0, 100);
    mv.settings.wetLeft = uniform(0, 100);
    mv.settings.wetRight = uniform(0, 100);
    mv.settings.delayLeft = uniform(0, 40);
    mv.settings.delayRight = uniform(0, 40);
    ASSERT_EQ(d.Run(mv, &out), OP_DONE);
    const auto& ms = mv.settings;
    EXPECT_EQ(out, RefMultiVoice(region, ms.voices, ms.initialRatioLeft, ms.initialRatioRight,
                                 ms.wetLeft, ms.wetRight, ms.delayLeft, ms.delayRight)
                       .bytes)
        << "multi voice " << what;

    // Mix paste of a random clipboard from the selection start; it may run
    // past the end of the document.
    const Pcm clip{format, RandomPcm(rng, static_cast<size_t>(uniform(0, 6000)) * block)};
    TempAudioFile* slot = doc.clip;
    slot->SetFormat(format);
    slot->pcmLength = static_cast<uint32_t>(clip.bytes.size());
    ASSERT_EQ(DocMemMapFile(slot, PCM_PART, MAP_WRITE), OP_DONE);
    if (!clip.bytes.empty()) std::copy(clip.bytes.begin(), clip.bytes.end(), slot->pcmData);
    ASSERT_EQ(CloseMemMapFile(slot, PCM_PART), OP_DONE);
    ASSERT_EQ(DocMemMapFile(slot, PCM_PART, MAP_READ), OP_DONE);
    MixPasteTool mix;
    mix.settings.documentLeft = static_cast<uint32_t>(uniform(0, 300));
    mix.settings.documentRight = static_cast<uint32_t>(uniform(0, 300));
    mix.settings.clipboardLeft = static_cast<uint32_t>(uniform(0, 300));
    mix.settings.clipboardRight = static_cast<uint32_t>(uniform(0, 300));
    ASSERT_EQ(d.Run(mix, &out), OP_DONE);
    EXPECT_EQ(out, RefMix(work, clip, s, mix.settings).bytes) << "mix paste " << what;
    ASSERT_EQ(CleanupTempAudioFile(slot, 0), OP_DONE);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ReferenceTest,
                         ::testing::Values(AudioFormat{1, 8, 8000}, AudioFormat{2, 8, 11025},
                                           AudioFormat{1, 16, 22050}, AudioFormat{2, 16, 8000}),
                         [](const auto& info) {
                           return std::to_string(info.param.channels) + "ch" +
                                  std::to_string(info.param.bitsPerSample) + "bit";
                         });

}  // namespace
