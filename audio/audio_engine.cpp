#include "audio/audio_engine.h"

#include <chrono>

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

AudioEngine::AudioEngine(AudioHost& host) : host_(host) {
  bufferStatus_.fill(BUFFER_FREE);
  theEngine = this;
  host_.AttachAudioEngine(this);
}

AudioEngine::~AudioEngine() {
  StopAndWait();
  const ::RecordState record = recordState_.load();
  if (record == RECORD_RECORDING || record == RECORD_MONITORING) StopRecording();
  platform::WaveWaitForClosedDevices();
  host_.AttachAudioEngine(nullptr);
  if (theEngine == this) theEngine = nullptr;
}

void AudioEngine::SetListener(AudioListener* listener) {
  listener_.store(listener ? listener : &silentListener_);
}

void AudioEngine::SetPlayState(::PlayState state) {
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    playState_.store(state);
  }
  if (state == PLAY_IDLE) stopped_.notify_all();
}

void AudioEngine::RequestStop() {
  ::PlayState playing = PLAY_PLAYING;
  playState_.compare_exchange_strong(playing, PLAY_STOP_REQUESTED);
}

bool AudioEngine::WaitUntil(std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::unique_lock<std::mutex> lock(stopMutex_);
  while (playState_.load() != PLAY_IDLE) {
    if (deadline && std::chrono::steady_clock::now() >= *deadline) return false;
    // Short waits: between them the listener may run what a device thread
    // is waiting for on this thread (a message box in the editor).
    stopped_.wait_for(lock, std::chrono::milliseconds(10));
    if (playState_.load() == PLAY_IDLE) break;
    lock.unlock();
    listener_.load()->WhileWaiting();
    lock.lock();
  }
  lock.unlock();
  // Idle is the device thread's last touch of the engine; its own end
  // follows at once.
  platform::WaveWaitForClosedDevices();
  return true;
}

bool AudioEngine::WaitUntilStopped(std::chrono::milliseconds limit) {
  return WaitUntil(std::chrono::steady_clock::now() + limit);
}

void AudioEngine::WaitUntilStopped() {
  WaitUntil(std::nullopt);
}

void AudioEngine::ReleaseDocument(const CEditorDoc& doc) {
  RequestStop();
  if (playDoc_ == &doc) {
    WaitUntilStopped();
    playDoc_ = nullptr;
  }
  if (recordDoc_ == &doc) {
    // The monitor does not use the document and goes on.
    if (recordState_.load() == RECORD_RECORDING) StopRecording();
    recordDoc_ = nullptr;
  }
}

void AudioEngine::PositionAndLevel(const uint8_t* input) {
  AudioListener& listener = *listener_.load();
  const StreamFormat& format = input ? recordFormat_ : playFormat_;
  if (input == nullptr && playState_.load() == PLAY_PLAYING) {
    const double elapsed = static_cast<double>(AudioTickMs() - startTick_.load());
    const uint32_t position =
        static_cast<uint32_t>(elapsed * 0.001 * format.bytesPerSecond + playStart_);
    listener.PlayPosition(position);
    listener.PlayCursor(position, kPlayCursorDraw);
  }

  const bool playing = playState_.load() == PLAY_PLAYING;
  const bool recording = recordState_.load() == RECORD_RECORDING;
  if ((playing || recording) && meterDivider_.load() % 4 == 0 && listener.LevelPanelOpen()) {
    MeterPeaks peaks;
    const uint32_t size = static_cast<uint32_t>(bufferSize_);
    if (input != nullptr) {
      peaks = ScanMeterPeaks(input, 0, static_cast<uint64_t>(size) + 1, size, format.bitsPerSample);
    } else if (playAudio_ != nullptr) {
      peaks = ScanMeterPeaks(playAudio_, readPosition_.load(), playAudioLength_, size,
                             format.bitsPerSample);
    }
    const MeterHeights heights = MeterHeightsOf(peaks, format.bitsPerSample, format.channels);
    listener.SetLevels(heights.left, heights.right);
  }
  meterDivider_.fetch_add(1);
}
