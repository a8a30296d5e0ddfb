// The tools' processing run on real documents: each tool's characteristic
// results, the shape of slot B afterwards, progress and cancellation, and
// refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "effects/effect_output.h"
#include "effects/gain.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "tests/effects/effect_doc.h"
#include "tests/support/message_recorder.h"

namespace {

const AudioFormat kMono8{1, 8, 8000};
const AudioFormat kStereo8{2, 8, 8000};
const AudioFormat kMono16{1, 16, 8000};
const AudioFormat kStereo16{2, 16, 8000};

std::string Ramp(size_t length) {
  std::string pcm(length, '\0');
  for (size_t i = 0; i < length; ++i) pcm[i] = static_cast<char>(i * 37 + 11);
  return pcm;
}

}  // namespace

TEST(Volume, HundredPercentMovesEveryAmplitudeOneStepTowardZero) {
  {
    EffectDoc d(kMono8, Bytes8({255, 1, 128, 129, 127, 0}));
    VolumeTool tool;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(Values8(out), (std::vector<int>{254, 2, 128, 128, 128, 1}));
  }
  {
    EffectDoc d(kStereo16, Samples16({32767, -32768, 1, -1, 0, 200}));
    VolumeTool tool;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(Values16(out), (std::vector<int>{32766, -32767, 0, 0, 0, 199}));
  }
}

TEST(Volume, ZeroIsSilenceAndThreeHundredWrapsAround) {
  struct Case {
    AudioFormat format;
    std::string in;
    uint32_t gain;
    std::string expected;
  };
  const Case cases[] = {
      {kMono8, Bytes8({0, 255, 200}), 0, Bytes8({128, 128, 128})},
      {kMono16, Samples16({-32768, 32767}), 0, Samples16({0, 0})},
      {kMono16, Samples16({11000, -11000}), 300, Samples16({-32537, 32537})},
      {kMono8, Bytes8({200}), 300, Bytes8({87})},
      {kStereo16, Samples16({20000, 20000}), 200, Samples16({-25537, -25537})},
  };
  for (const auto& c : cases) {
    EffectDoc d(c.format, c.in);
    VolumeTool tool;
    tool.settings.leftGain = tool.settings.rightGain = c.gain;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(out, c.expected) << c.gain;
  }
}

TEST(Volume, StereoUsesEachChannelsGainAndMonoTheLeft) {
  EffectDoc stereo(kStereo16, Samples16({1000, 1000, -1000, -1000}));
  VolumeTool tool;
  tool.settings.leftGain = 50;
  tool.settings.rightGain = 200;
  std::string out;
  ASSERT_EQ(stereo.Run(tool, &out), OP_DONE);
  EXPECT_EQ(Values16(out), (std::vector<int>{499, 1999, -499, -1999}));

  EffectDoc mono(kMono16, Samples16({1000, -1000}));
  ASSERT_EQ(mono.Run(tool, &out), OP_DONE);
  EXPECT_EQ(Values16(out), (std::vector<int>{499, -499}));
}

TEST(Volume, SelectedAreaProducesThatRangeWithFormatAndPeaks) {
  const std::string pcm = Ramp(4 * 3000);
  EffectDoc d(kStereo16, pcm);
  d.Doc().SetSelection(400, 8400);
  VolumeTool tool;
  tool.settings.applyTo = SELECTED_AREA;
  std::string out;
  ASSERT_EQ(d.Run(tool, &out), OP_DONE);
  ASSERT_EQ(out.size(), 8000u);
  EXPECT_EQ(d.LastFormat(), kStereo16);
  EXPECT_EQ(d.LastPeaks().size(), PeakLengthFor(kStereo16, 8000));
  const auto in = Values16(pcm.substr(400, 8000));
  const auto got = Values16(out);
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(got[i], GainScale(in[i], 100)) << i;

  // An empty selection with "Selected Area" gives an empty result.
  d.Doc().SetSelection(400, 400);
  ASSERT_EQ(d.Run(tool, &out), OP_DONE);
  EXPECT_TRUE(out.empty());
}

TEST(Fade, EqualGainsBehaveAsVolume) {
  const std::string pcm = Ramp(4 * 5000);
  for (uint32_t gain : {0u, 37u, 100u, 250u}) {
    EffectDoc d(kStereo16, pcm);
    VolumeTool volume;
    volume.settings.leftGain = volume.settings.rightGain = gain;
    FadeTool fade;
    fade.settings.startLeft = fade.settings.endLeft = gain;
    fade.settings.startRight = fade.settings.endRight = gain;
    std::string a, b;
    ASSERT_EQ(d.Run(volume, &a), OP_DONE);
    ASSERT_EQ(d.Run(fade, &b), OP_DONE);
    EXPECT_EQ(a, b) << gain;
  }
}

TEST(Fade, DefaultFadesOutAndTheLastFrameKeepsSomeGain) {
  std::vector<int> ones(100, 10000);
  EffectDoc d(kMono16, Samples16(ones));
  FadeTool fade;
  std::string out;
  ASSERT_EQ(d.Run(fade, &out), OP_DONE);
  const auto v = Values16(out);
  EXPECT_EQ(v.front(), 9999);
  EXPECT_EQ(v[50], GainScale(10000, 50));
  EXPECT_EQ(v.back(), GainScale(10000, 1));  // pos 198 of 200: gain 1, not 0
}

TEST(Mute, ChannelChoiceAppliesToStereoAndMonoIsAlwaysSilenced) {
  const std::string stereo = Samples16({100, 200, 300, 400});
  struct Case {
    ChannelSet choice;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {LEFT_CHANNEL, {0, 200, 0, 400}},
      {RIGHT_CHANNEL, {100, 0, 300, 0}},
      {BOTH_CHANNELS, {0, 0, 0, 0}},
      {NO_CHANNEL, {100, 200, 300, 400}},
  };
  for (const auto& c : cases) {
    EffectDoc d(kStereo16, stereo);
    MuteTool tool;
    tool.settings.channelChoice = c.choice;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(Values16(out), c.expected) << static_cast<int>(c.choice);
  }
  for (ChannelSet choice : {NO_CHANNEL, LEFT_CHANNEL, RIGHT_CHANNEL}) {
    EffectDoc d(kMono8, Bytes8({1, 2, 255}));
    MuteTool tool;
    tool.settings.channelChoice = choice;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(Values8(out), (std::vector<int>{128, 128, 128})) << static_cast<int>(choice);
  }
  EffectDoc d(kStereo8, Bytes8({1, 2, 3, 4}));
  MuteTool tool;
  tool.settings.channelChoice = RIGHT_CHANNEL;
  std::string out;
  ASSERT_EQ(d.Run(tool, &out), OP_DONE);
  EXPECT_EQ(Values8(out), (std::vector<int>{1, 128, 3, 128}));
}

TEST(Reverse, MirrorsTheChosenChannelsAndTheWholeFile) {
  struct Case {
    AudioFormat format;
    std::string in;
    ChannelSet choice;
    std::string expected;
  };
  const Case cases[] = {
      {kStereo16, Samples16({1, 2, 3, 4, 5, 6}), BOTH_CHANNELS, Samples16({5, 6, 3, 4, 1, 2})},
      {kStereo16, Samples16({1, 2, 3, 4, 5, 6}), LEFT_CHANNEL, Samples16({5, 2, 3, 4, 1, 6})},
      {kStereo16, Samples16({1, 2, 3, 4, 5, 6}), RIGHT_CHANNEL, Samples16({1, 6, 3, 4, 5, 2})},
      {kStereo16, Samples16({1, 2, 3, 4, 5, 6}), NO_CHANNEL, Samples16({1, 2, 3, 4, 5, 6})},
      {kMono8, Bytes8({1, 2, 3, 4}), NO_CHANNEL, Bytes8({4, 3, 2, 1})},
      {kMono16, Samples16({-7, 8, 9}), RIGHT_CHANNEL, Samples16({9, 8, -7})},
      {kStereo8, Bytes8({1, 2, 3, 4}), LEFT_CHANNEL, Bytes8({3, 2, 1, 4})},
  };
  for (const auto& c : cases) {
    EffectDoc d(c.format, c.in);
    ReverseTool tool;
    tool.settings.channelChoice = c.choice;
    std::string out;
    ASSERT_EQ(d.Run(tool, &out), OP_DONE);
    EXPECT_EQ(out, c.expected) << static_cast<int>(c.choice);
  }
}

TEST(Reverse, SelectedAreaMirrorsOnlyInsideTheSelection) {
  EffectDoc d(kMono16, Samples16({1, 2, 3, 4, 5, 6}));
  d.Doc().SetSelection(2, 8);
  ReverseTool tool;
  tool.settings.applyTo = SELECTED_AREA;
  std::string out;
  ASSERT_EQ(d.Run(tool, &out), OP_DONE);
  EXPECT_EQ(Values16(out), (std::vector<int>{4, 3, 2}));
}

TEST(SwapAndCopyChannel, MoveSamplesBetweenChannels) {
  {
    EffectDoc d(kStereo16, Samples16({1, 2, -3, -4}));
    SwapTool swap;
    std::string out;
    ASSERT_EQ(d.Run(swap, &out), OP_DONE);
    EXPECT_EQ(Values16(out), (std::vector<int>{2, 1, -4, -3}));
    CopyChannelTool copy;
    ASSERT_EQ(d.Run(copy, &out), OP_DONE);
    EXPECT_EQ(Values16(out), (std::vector<int>{1, 1, -3, -3}));
    copy.settings.channelChoice = RIGHT_CHANNEL;
    ASSERT_EQ(d.Run(copy, &out), OP_DONE);
    EXPECT_EQ(Values16(out), (std::vector<int>{2, 2, -4, -4}));
  }
  {
    EffectDoc d(kStereo8, Bytes8({10, 20, 30, 40}));
    SwapTool swap;
    std::string out;
    ASSERT_EQ(d.Run(swap, &out), OP_DONE);
    EXPECT_EQ(Values8(out), (std::vector<int>{20, 10, 40, 30}));
    CopyChannelTool copy;
    copy.settings.channelChoice = RIGHT_CHANNEL;
    ASSERT_EQ(d.Run(copy, &out), OP_DONE);
    EXPECT_EQ(Values8(out), (std::vector<int>{20, 20, 40, 40}));
  }
}

TEST(Echo, FiftyFiftyAddsFiveEchoesAtTheDelay) {
  // An impulse followed by silence; a delay of one second at 8000 Hz mono
  // 16-bit (16000 bytes) in a region of 6 seconds.
  std::vector<int> samples(8000 * 6, 0);
  samples[0] = 10000;
  EffectDoc d(kMono16, Samples16(samples));
  EchoTool echo;
  echo.settings.initialRatioLeft = echo.settings.initialRatioRight = 50;
  echo.settings.additionalRatioLeft = echo.settings.additionalRatioRight = 50;
  echo.settings.delayLeft = echo.settings.delayRight = 1000;
  std::string out;
  ASSERT_EQ(d.Run(echo, &out), OP_DONE);
  const auto v = Values16(out);
  EXPECT_EQ(v[0], 10000);
  EXPECT_EQ(v[8000], GainScale(10000, 50));
  EXPECT_EQ(v[16000], GainScale(10000, 24));
  EXPECT_EQ(v[24000], GainScale(10000, 11));
  EXPECT_EQ(v[32000], GainScale(10000, 5));
  EXPECT_EQ(v[40000], GainScale(10000, 2));
  int nonZero = 0;
  for (int s : v) nonZero += s != 0;
  EXPECT_EQ(nonZero, 6);
}

TEST(Echo, SubFrameDelaySaturatesAndLoudSamplesCountAs32000) {
  // 100 / 0 gives 100 passes; a 0.1 ms delay at 8000 Hz is under a frame, so
  // every echo lands on the dry sample.
  EffectDoc d(kStereo16, Samples16({1000, -1000, 32767, -32768}));
  EchoTool echo;
  echo.settings.initialRatioLeft = echo.settings.initialRatioRight = 100;
  echo.settings.additionalRatioLeft = echo.settings.additionalRatioRight = 0;
  echo.settings.delayLeft = echo.settings.delayRight = 0;
  std::string out;
  ASSERT_EQ(d.Run(echo, &out), OP_DONE);
  EXPECT_EQ(Values16(out), (std::vector<int>{32000, -32000, 32000, -32000}));

  // One echo at level 100 of 32767 adds 31999 (32000 scaled), saturating.
  EffectDoc one(kMono16, Samples16({32767, 0, 0, 0}));
  echo.settings.initialRatioLeft = 100;
  echo.settings.additionalRatioLeft = 99;  // level 100, then 0: P = 2
  echo.settings.delayLeft = 1;             // 16 bytes per ms at 8000 Hz mono 16-bit → 16 bytes
  std::string out1;
  ASSERT_EQ(one.Run(echo, &out1), OP_DONE);
  EXPECT_EQ(Values16(out1), (std::vector<int>{32767, 0, 0, 0}));  // echo at 8 frames: past end

  std::vector<int> longer(16, 0);
  longer[0] = 32767;
  longer[8] = 5;
  EffectDoc two(kMono16, Samples16(longer));
  ASSERT_EQ(two.Run(echo, &out1), OP_DONE);
  EXPECT_EQ(Values16(out1)[8], 32000);  // 5 + 31999 saturated
}

TEST(Echo, EightBitEchoesSaturateAroundSilence) {
  EffectDoc d(kMono8, Bytes8({228, 28, 128, 128}));
  EchoTool echo;
  echo.settings.initialRatioLeft = 100;
  echo.settings.additionalRatioLeft = 0;
  echo.settings.delayLeft = 0;
  std::string out;
  ASSERT_EQ(d.Run(echo, &out), OP_DONE);
  EXPECT_EQ(Values8(out), (std::vector<int>{255, 1, 128, 128}));
}

TEST(Reverb, RoboticStartsWithADelayOfSilence) {
  // "Robotic": dry 0, wet 80, 3 ms. At 8000 Hz stereo 16-bit, 3 ms is 96
  // bytes (24 frames).
  std::vector<int> samples(400, 0);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int>(i * 50) - 10000;
  EffectDoc d(kStereo16, Samples16(samples));
  ReverbTool reverb;
  reverb.settings.dryLeft = reverb.settings.dryRight = 0;
  reverb.settings.wetLeft = reverb.settings.wetRight = 80;
  reverb.settings.delayLeft = reverb.settings.delayRight = 3;
  std::string out;
  ASSERT_EQ(d.Run(reverb, &out), OP_DONE);
  const auto v = Values16(out);
  for (int i = 0; i < 48; ++i) ASSERT_EQ(v[i], 0) << i;
  EXPECT_EQ(v[48], GainScale(samples[0], 80));
  EXPECT_EQ(v[49], GainScale(samples[1], 80));
}

TEST(Reverb, NinetyFivePercentRunsFortyThreePassesAndFeedsBack) {
  // With a sub-frame delay every reflection reads the running result at the
  // position it writes: the result grows pass by pass until it saturates.
  EffectDoc d(kMono16, Samples16({100, -100}));
  ReverbTool reverb;
  reverb.settings.dryLeft = 100;
  reverb.settings.wetLeft = 95;
  reverb.settings.delayLeft = 0;
  std::string out;
  ASSERT_EQ(d.Run(reverb, &out), OP_DONE);
  // Pass 0: 99; pass 1 adds the source at 95% (94); from pass 2 on each
  // reflection adds the running value scaled by the falling level.
  int running = GainScale(100, 100) + GainScale(100, 95);
  int level = 95;
  for (int k = 2; k < 43; ++k) {
    level = GainScale(level, 95);
    running = ClampSample16(running + ClampSample16(GainScale(running, level)));
  }
  EXPECT_EQ(Values16(out), (std::vector<int>{running, -running}));
}

TEST(MultiVoice, NoVoicesScalesByTheInitialRatio) {
  {
    EffectDoc d(kStereo16, Samples16({1000, 1000, 32767, -32768}));
    MultiVoiceTool mv;
    mv.settings.voices = 0;
    mv.settings.initialRatioLeft = mv.settings.initialRatioRight = 50;
    std::string out;
    ASSERT_EQ(d.Run(mv, &out), OP_DONE);
    EXPECT_EQ(Values16(out), (std::vector<int>{499, 499, 15999, -15999}));
  }
  for (const AudioFormat& format : {kMono8, kStereo8}) {
    EffectDoc d(format, Bytes8({228, 228}));
    MultiVoiceTool mv;
    mv.settings.voices = 0;
    mv.settings.initialRatioLeft = mv.settings.initialRatioRight = 50;
    std::string out;
    ASSERT_EQ(d.Run(mv, &out), OP_DONE);
    EXPECT_EQ(Values8(out), (std::vector<int>{177, 177}));
  }
}

TEST(MultiVoice, VoicesAddTheSourceAtEachDelayWithoutFeedback) {
  std::vector<int> samples(64, 0);
  samples[0] = 1000;
  EffectDoc d(kMono16, Samples16(samples));
  MultiVoiceTool mv;
  mv.settings.voices = 3;
  mv.settings.initialRatioLeft = 100;
  mv.settings.wetLeft = 30;
  mv.settings.delayLeft = 1;  // 16 bytes = 8 frames
  std::string out;
  ASSERT_EQ(d.Run(mv, &out), OP_DONE);
  const auto v = Values16(out);
  EXPECT_EQ(v[0], 999);
  EXPECT_EQ(v[8], 299);
  EXPECT_EQ(v[16], 299);
  EXPECT_EQ(v[24], 299);
  EXPECT_EQ(v[32], 0);
}

TEST(MixPaste, WrapsAroundAndGrowsPastTheEnd) {
  EffectDoc d(kMono8, Bytes8({228, 228, 228}));
  // The clipboard: same format, four samples of amplitude 100.
  TempAudioFile* clip = d.Doc().clip;
  clip->SetFormat(kMono8);
  clip->pcmLength = 4;
  ASSERT_EQ(DocMemMapFile(clip, PCM_PART, MAP_WRITE), OP_DONE);
  std::memset(clip->pcmData, 228, 4);
  ASSERT_EQ(CloseMemMapFile(clip, PCM_PART), OP_DONE);
  ASSERT_EQ(DocMemMapFile(clip, PCM_PART, MAP_READ), OP_DONE);

  d.Doc().SetSelection(1, 1);
  MixPasteTool mix;
  std::string out;
  ASSERT_EQ(d.Run(mix, &out), OP_DONE);
  // 99 + 99 wraps to 70 while there is document audio under the clipboard,
  // then the scaled clipboard alone (99 + 128 = 227).
  EXPECT_EQ(Values8(out), (std::vector<int>{70, 70, 227, 227}));

  mix.settings.documentLeft = 0;
  ASSERT_EQ(d.Run(mix, &out), OP_DONE);
  EXPECT_EQ(Values8(out), (std::vector<int>{227, 227, 227, 227}));
  CleanupTempAudioFile(clip, 0);
}

TEST(MixPaste, SixteenBitStereoUsesEachChannelsLevels) {
  EffectDoc d(kStereo16, Samples16({30000, 1000, 30000, 1000}));
  TempAudioFile* clip = d.Doc().clip;
  const std::string clipPcm = Samples16({30000, -2000, 10, 10});
  clip->SetFormat(kStereo16);
  clip->pcmLength = static_cast<uint32_t>(clipPcm.size());
  ASSERT_EQ(DocMemMapFile(clip, PCM_PART, MAP_WRITE), OP_DONE);
  std::memcpy(clip->pcmData, clipPcm.data(), clipPcm.size());
  ASSERT_EQ(CloseMemMapFile(clip, PCM_PART), OP_DONE);
  ASSERT_EQ(DocMemMapFile(clip, PCM_PART, MAP_READ), OP_DONE);
  MixPasteTool mix;
  mix.settings.documentRight = 200;
  mix.settings.clipboardLeft = 50;
  std::string out;
  ASSERT_EQ(d.Run(mix, &out), OP_DONE);
  // Left: 29999 + 14999 = 44998 → -20538; right: 1999 - 1999 = 0.
  EXPECT_EQ(Values16(out), (std::vector<int>{-20538, 0, 29999 + 4, 1999 + 9}));
  CleanupTempAudioFile(clip, 0);
}

TEST(Tools, ProgressMarksFollowTheAbsoluteSourcePositionAndCancelStops) {
  const std::string pcm = Ramp(4 * 20000);  // 80000 bytes
  EffectDoc d(kStereo16, pcm);
  // 8000 bytes from offset 4096: one 8192 mark at 8192 → Step(40).
  d.Doc().SetSelection(4096, 12096);
  VolumeTool tool;
  tool.settings.applyTo = SELECTED_AREA;
  d.Progress().Run(OP_VOLUME, [&](Progress&) { return d.Run(tool); });
  EXPECT_EQ(d.Progress().steps, 1 /* volume */ + 0 /* peak build under 8192 */);

  // A short selection that crosses no mark reports nothing and cannot be
  // cancelled.
  d.Doc().SetSelection(100, 4000);
  d.Progress().CancelAtStep(1);
  OpResult result = OP_PENDING;
  d.Progress().Run(OP_VOLUME, [&](Progress&) { return result = d.Run(tool); });
  EXPECT_EQ(result, OP_DONE);

  // Cancel at the first mark of a whole-file run.
  tool.settings.applyTo = ENTIRE_FILE;
  d.Progress().CancelAtStep(1);
  d.Progress().Run(OP_VOLUME, [&](Progress&) { return result = d.Run(tool); });
  EXPECT_EQ(result, OP_CANCELLED);

  EchoTool echo;
  d.Progress().CancelAtStep(2);
  d.Progress().Run(OP_ECHO, [&](Progress&) { return result = d.Run(echo); });
  EXPECT_EQ(result, OP_CANCELLED);
}

TEST(Tools, EffectsReportTheirPassTotalsInAdvance) {
  // Echo of 80000 bytes with a delay of 100 ms (3200 bytes at 8000 Hz
  // stereo 16-bit): P = 6 for 50/50, pass k steps 80000 - k × 3200 bytes.
  const std::string pcm = Ramp(80000);
  EffectDoc d(kStereo16, pcm);
  EchoTool echo;
  echo.settings.initialRatioLeft = echo.settings.initialRatioRight = 50;
  echo.settings.additionalRatioLeft = echo.settings.additionalRatioRight = 50;
  echo.settings.delayLeft = echo.settings.delayRight = 100;
  uint32_t total = 0;
  struct TotalSpy : ScriptedProgress {
    uint32_t* total;
    void SetTotal(uint32_t t) override {
      if (*total == 0) *total = t;
      ScriptedProgress::SetTotal(t);
    }
  } spy;
  spy.total = &total;
  EXPECT_EQ(echo.PerformAction(d.Doc(), spy), OP_DONE);
  uint32_t expected = 0;
  for (int k = 0; k < 6; ++k) expected += 80000 - k * 3200;
  EXPECT_EQ(total, expected / 100);
  CleanupTempAudioFile(d.Doc().tempB, 0);
}

TEST(Tools, EveryToolRefusesAFormatItCannotProcess) {
  // Nine channels open as a document (the editor's own reader takes them)
  // but no tool handles them.
  TestApp t;
  t.App().installTools = InstallDocumentTools;
  WriteFileBytes(t.FilePath("nine.wav"), MakeWav({9, 16, 8000}, std::string(576, '\x10')));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(t.FilePath("nine.wav")));
  MessageRecorder messages;
  for (OpCode code : {OP_VOLUME, OP_FADE, OP_MUTE, OP_REVERSE, OP_SWAP, OP_COPY_CHANNEL, OP_ECHO,
                      OP_REVERB, OP_MULTI_VOICE, OP_MIX_PASTE, OP_CHANGE_QUALITY}) {
    messages.Clear();
    ASSERT_NE(doc.Tool(code), nullptr) << ToInt(code);
    EXPECT_EQ(doc.Tool(code)->PerformAction(doc, t.progress), OP_FAILED) << ToInt(code);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{kUnsupportedFormatMessage})
        << ToInt(code);
    EXPECT_EQ(doc.tempB->pcmLength, 0u) << ToInt(code);
  }
}

TEST(Tools, SlotBFailureNamesTheToolAndItsFile) {
  EffectDoc d(kStereo16, Ramp(400));
  // Make B's PCM file impossible to recreate: its folder entry becomes a
  // directory.
  TempAudioFile* b = d.Doc().tempB;
  std::filesystem::remove(b->pcmPath);
  std::filesystem::create_directory(b->pcmPath);
  MessageRecorder messages;
  EchoTool echo;
  EXPECT_EQ(echo.PerformAction(d.Doc(), d.Progress()), OP_FAILED);
  ASSERT_FALSE(messages.Messages().empty());
  EXPECT_EQ(
      messages.Messages().back(),
      "CVolumeDialog - Perform Action: Failed to open write map to target file: " + b->pcmPath);
  std::filesystem::remove(b->pcmPath);
  WriteFileBytes(b->pcmPath, "");
  b->pcmLength = 0;
}

TEST(ChangeQuality, ConvertsTheWholeDocumentIntoAnUnmappedSlotB) {
  std::vector<int> samples;
  for (int i = 0; i < 200; ++i) samples.push_back(i * 100 - 10000);
  EffectDoc d({2, 16, 44100}, Samples16(samples));
  ChangeQualityTool tool;
  tool.settings.newChannels = 1;
  tool.settings.newBitsPerSample = 8;
  tool.settings.newSampleRate = 44100;
  TempAudioFile* b = d.Doc().tempB;
  ASSERT_EQ(tool.PerformAction(d.Doc(), d.Progress()), OP_DONE);
  EXPECT_EQ(b->Format(), (AudioFormat{1, 8, 44100}));
  EXPECT_EQ(b->pcmLength, 100u);
  EXPECT_EQ(b->pcmData, nullptr);
  EXPECT_EQ(b->peakData, nullptr);
  EXPECT_EQ(CleanupTempAudioFile(b, 0), OP_DONE);

  MessageRecorder messages;
  tool.settings.newBitsPerSample = 24;
  EXPECT_EQ(tool.PerformAction(d.Doc(), d.Progress()), OP_FAILED);
  EXPECT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0].rfind("Sorry, ", 0), 0u);
  EXPECT_EQ(CleanupTempAudioFile(b, 0), OP_DONE);
}

TEST(Tools, ASelectionOutsideTheAudioIsClampedToWholeFramesBeforeAToolReadsIt) {
  EffectDoc d(kStereo16, Ramp(400));
  struct Case {
    uint32_t start, end;
    uint32_t length;  // what the tool processes
  };
  for (const Case c : {Case{0, 404, 400}, Case{8, 4, 4}, Case{2, 8, 8}}) {
    d.Doc().SetSelection(c.start, c.end);
    ReverseTool tool;
    tool.settings.applyTo = SELECTED_AREA;
    std::string output;
    EXPECT_EQ(d.Run(tool, &output), OP_DONE) << c.start << ".." << c.end;
    EXPECT_EQ(output.size(), c.length) << c.start << ".." << c.end;
  }
}
