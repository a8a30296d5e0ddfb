#include "audio/audio_engine.h"

#include <chrono>

#include "app/editor_app.h"
#include "audio/level_meter.h"
#include "engine/editor_doc.h"

namespace {

AudioEngine* theEngine = nullptr;

}  // namespace

AudioEngine* TheAudioEngine() {
  return theEngine;
}

BufferScheme BufferSchemeFor(int32_t sampleRate, int16_t bitsPerSample) {
  if (sampleRate > 12000 || bitsPerSample != 8) return {8, 1024};
  return {4, 512};
}

uint32_t AudioTickMs() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

AudioEngine::AudioEngine(CEditorApp& app) : app_(app) {
  bufferStatus_.fill(BUFFER_FREE);
  theEngine = this;
}

AudioEngine::~AudioEngine() {
  RequestStop();
  WaitUntilStopped();
  const int32_t record = app_.recordState.load();
  if (record == RECORD_RECORDING || record == RECORD_MONITORING) StopRecording();
  platform::WaveWaitForClosedDevices();
  if (theEngine == this) theEngine = nullptr;
}

void AudioEngine::SetListener(AudioListener* listener) {
  listener_ = listener ? listener : &silentListener_;
}

void AudioEngine::PositionAndLevel(const uint8_t* input) {
  CEditorDoc* doc = input ? recordDoc_ : playDoc_;
  if (input == nullptr && doc != nullptr && app_.playState.load() == PLAY_PLAYING) {
    const double elapsed = static_cast<double>(AudioTickMs() - startTick_.load());
    const uint32_t position =
        static_cast<uint32_t>(elapsed * 0.001 * doc->bytesPerSecond + doc->selStart);
    listener_->PlayPosition(position);
    if (app_.playState.load() == PLAY_PLAYING && doc->viewStart <= position &&
        position <= doc->viewEnd) {
      const uint32_t width = doc->viewEnd - doc->viewStart;
      const float fraction =
          width == 0 ? 0.0f
                     : static_cast<float>(position - doc->viewStart) / static_cast<float>(width);
      listener_->PlayCursor(position, fraction < 0 ? 0.0f : fraction, 2);
    }
  }

  const bool playing = app_.playState.load() == PLAY_PLAYING;
  const bool recording = app_.recordState.load() == RECORD_RECORDING;
  if (doc != nullptr && (playing || recording) && meterDivider_.load() % 4 == 0 &&
      listener_->LevelPanelOpen()) {
    MeterPeaks peaks;
    const uint32_t size = static_cast<uint32_t>(bufferSize_);
    if (input != nullptr) {
      peaks = ScanMeterPeaks(input, 0, static_cast<uint64_t>(size) + 1, size, doc->bitsPerSample);
    } else if (doc->work.pcmData != nullptr) {
      peaks = ScanMeterPeaks(doc->work.pcmData, doc->playPosition, doc->work.pcmLength, size,
                             doc->bitsPerSample);
    }
    const MeterHeights heights = MeterHeightsOf(peaks, doc->bitsPerSample, doc->channels);
    listener_->SetLevels(heights.left, heights.right);
  }
  meterDivider_.fetch_add(1);
}
