// Playback: the output ring, its refill from the document's mapped audio on
// every device notification, and the drain that ends a stop.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "audio/audio_engine.h"
#include "audio/level_meter.h"
#include "engine/editor_doc.h"
#include "platform/message.h"

using platform::ShowMessage;

namespace {

uint8_t SilenceByte(int bitsPerSample) {
  return bitsPerSample == 8 ? 0x80 : 0x00;
}

const char* PlayOpenMessage(uint32_t result) {
  switch (result) {
    case platform::WAVE_ALLOCATED:
      return "Play Device Setup - Already In Use";
    case platform::WAVE_NO_DRIVER:
      return "Play Device Setup - No Driver Installed";
    case platform::WAVE_NO_MEMORY:
      return "Play Device Setup - Error Allocating Memory";
    case platform::WAVE_BAD_FORMAT:
      return "Play Device Setup - Bad Playback Format";
    default:
      return "Play Device Setup - Unkown Error Occurred";
  }
}

const char* PlayCloseMessage(uint32_t result) {
  switch (result) {
    case platform::WAVE_INVALID_HANDLE:
      return "Play Device - Invalid Handle";
    case platform::WAVE_NO_DRIVER:
      return "Play Device - No driver open.";
    case platform::WAVE_NO_MEMORY:
      return "Play Device - No memory available";
    case platform::WAVE_STILL_PLAYING:
      return "Play Device - Can't close during playback";
    default:
      return nullptr;
  }
}

}  // namespace

void AudioEngine::OnPlay(bool looped) {
  if (host_.ActiveDocument() == nullptr) {
    ShowMessage("Please select audio to play.");
    return;
  }
  if (playState_.load() != PLAY_IDLE) return;
  if (recordState_.load() == RECORD_MONITORING) {
    MonitorStop();
    Listener().MonitorSwitchedOff();
  }
  Start(looped);
}

bool PlayStartAllowed(const CEditorDoc& doc) {
  const BufferScheme scheme = BufferSchemeFor(doc.sampleRate, doc.bitsPerSample);
  // Unsigned on purpose: a file shorter than the ring wraps to a huge limit
  // and always starts; a longer one refuses a start inside its last ring.
  const uint32_t total = doc.dataLength;
  const uint32_t ringBytes = static_cast<uint32_t>(scheme.count) * scheme.size;
  return doc.Selection().Start() < static_cast<uint32_t>(total - ringBytes);
}

bool AudioEngine::Start(bool looped) {
  CEditorDoc* doc = host_.ActiveDocument();
  if (doc == nullptr || playState_.load() != PLAY_IDLE) return false;
  // The device thread reads the working copy's mapping.
  if (!doc->EnsureWorkingCopy()) return false;
  platform::WaveWaitForClosedDevices();
  loop_.store(looped ? 1 : 0);

  doc->playPosition = doc->Selection().Start();
  const BufferScheme scheme = BufferSchemeFor(doc->sampleRate, doc->bitsPerSample);
  bufferCount_ = scheme.count;
  bufferSize_ = scheme.size;
  if (!PlayStartAllowed(*doc)) return false;
  const uint32_t total = doc->dataLength;
  endPosition_ = doc->Selection().Empty() ? total : doc->Selection().End();
  // The mapping ends at the working length; a selection never reads past it.
  endPosition_ = std::min(endPosition_, doc->work.pcmData ? doc->work.pcmLength : 0u);

  drainCount_ = 0;
  fillIndex_ = 0;
  returnIndex_ = 0;
  playDoc_ = doc;
  // The output thread works from these copies only; the document stays the
  // controlling thread's.
  playFormat_ = {doc->channels, doc->bitsPerSample, doc->bytesPerSecond};
  playAudio_ = doc->work.pcmData;
  playAudioLength_ = doc->work.pcmData ? doc->work.pcmLength : 0;
  playStart_ = doc->Selection().Start();
  readPosition_.store(doc->Selection().Start());

  platform::WaveFormat format;
  format.channels = doc->channels;
  format.sampleRate = doc->sampleRate;
  format.bitsPerSample = doc->bitsPerSample;
  const uint32_t opened =
      platform::WaveOutOpen(&output_, host_.OutputDevice(), format, [this] { Refill(); });
  if (opened != platform::WAVE_NO_ERROR) {
    ShowMessage(PlayOpenMessage(opened));
    output_ = platform::WAVE_NO_HANDLE;
    playDoc_ = nullptr;
    playAudio_ = nullptr;
    return false;
  }
  platform::WaveOutGetLatency(output_, &lastLatency_);

  // The first ring is silence, queued while the device is paused, so the
  // device starts with a full ring behind it.
  platform::WaveOutPause(output_);
  for (int i = 0; i < bufferCount_; ++i) {
    std::memset(outBlocks_[i].data(), SilenceByte(playFormat_.bitsPerSample), bufferSize_);
    platform::WaveHeader& header = outHeaders_[i];
    header.data = outBlocks_[i].data();
    header.bufferLength = static_cast<uint32_t>(bufferSize_);
    header.flags.store(0);
    if (platform::WaveOutPrepareHeader(output_, &header) != platform::WAVE_NO_ERROR) {
      ShowMessage("Failed to prepare wave out header on initial allocate");
    }
    if (platform::WaveOutWrite(output_, &header) != platform::WAVE_NO_ERROR) {
      ShowMessage("Failed to write to wave out buffer on initial allocate");
    }
    bufferStatus_[i] = BUFFER_QUEUED;
  }

  SetPlayState(PLAY_PLAYING);
  startTick_.store(AudioTickMs());
  Refill();
  startTick_.store(AudioTickMs());
  return true;
}

void AudioEngine::Refill() {
  AudioListener& listener = *listener_.load();
  PositionAndLevel(nullptr);

  if (playState_.load() == PLAY_PLAYING && readPosition_.load() == endPosition_ &&
      loop_.load() == 0) {
    ::PlayState playing = PLAY_PLAYING;
    if (playState_.compare_exchange_strong(playing, PLAY_STOP_REQUESTED)) {
      readPosition_.store(playStart_);
    }
  }

  if (playState_.load() == PLAY_STOP_REQUESTED) {
    // Every buffer queued when the stop came has to come back before the
    // device may close: one notification each.
    if (++drainCount_ == bufferCount_) {
      platform::WaveOutGetVolume(output_, &savedVolume_);
      platform::WaveOutSetVolume(output_, 0);
      listener.PlayCursor(playStart_, kPlayCursorRemove);
      listener.PlayPosition(playStart_);
      FinishStop();
    }
    return;
  }
  if (playState_.load() == PLAY_IDLE) return;

  while (bufferStatus_[returnIndex_] == BUFFER_QUEUED &&
         (outHeaders_[returnIndex_].flags.load() & platform::WAVE_HDR_DONE)) {
    if (platform::WaveOutUnprepareHeader(output_, &outHeaders_[returnIndex_]) !=
        platform::WAVE_NO_ERROR) {
      ShowMessage("Waveout UnPrepare Failed");
    }
    bufferStatus_[returnIndex_] = BUFFER_FREE;
    returnIndex_ = (returnIndex_ + 1) % bufferCount_;
  }

  const uint8_t silence = SilenceByte(playFormat_.bitsPerSample);
  const uint32_t size = static_cast<uint32_t>(bufferSize_);
  const uint8_t* audio = playAudio_;
  while (bufferStatus_[fillIndex_] == BUFFER_FREE) {
    uint8_t* block = outBlocks_[fillIndex_].data();
    uint32_t filled = 0;
    // A looped pass that wraps inside a buffer goes on from the selection
    // start in the same buffer, so the loop plays without a gap. A region
    // with nothing in it is played as silence rather than wrapped forever.
    do {
      const uint32_t position = readPosition_.load();
      const uint32_t len =
          position < endPosition_ ? std::min(size - filled, endPosition_ - position) : 0;
      if (len > 0) std::memcpy(block + filled, audio + position, len);
      filled += len;
      uint32_t next = position + len;
      if (next == endPosition_ && loop_.load() == 1) {
        next = playStart_;
        startTick_.store(AudioTickMs());
      }
      readPosition_.store(next);
    } while (filled < size && loop_.load() == 1 && readPosition_.load() < endPosition_ &&
             playStart_ < endPosition_);
    if (filled < size) std::memset(block + filled, silence, size - filled);

    platform::WaveHeader& header = outHeaders_[fillIndex_];
    if (platform::WaveOutPrepareHeader(output_, &header) != platform::WAVE_NO_ERROR) {
      ShowMessage("Failed to prepare wave out header");
    }
    if (platform::WaveOutWrite(output_, &header) != platform::WAVE_NO_ERROR) {
      ShowMessage("Failed to write to wave out buffer");
    }
    bufferStatus_[fillIndex_] = BUFFER_QUEUED;
    fillIndex_ = (fillIndex_ + 1) % bufferCount_;
  }
  if (platform::WaveOutRestart(output_) != platform::WAVE_NO_ERROR) {
    ShowMessage("Waveout restart failed");
  }
}

void AudioEngine::FinishStop() {
  AudioListener& listener = *listener_.load();
  if (listener.LevelPanelOpen()) listener.SetLevels(0, 0);
  if (stopSettleMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(stopSettleMs_));
  platform::WaveOutSetVolume(output_, savedVolume_);
  listener.PlayCursorForgotten();

  // The device is reset before the buffers are released, so no buffer that
  // came back late is still queued when its header is unprepared.
  if (platform::WaveOutReset(output_) != platform::WAVE_NO_ERROR) {
    ShowMessage("Error resetting the wave out handle.");
  }
  for (int i = 0; i < bufferCount_; ++i) {
    if (bufferStatus_[i] == BUFFER_QUEUED) {
      platform::WaveOutUnprepareHeader(output_, &outHeaders_[i]);
    }
    bufferStatus_[i] = BUFFER_FREE;
  }
  if (const char* message = PlayCloseMessage(platform::WaveOutClose(output_))) {
    ShowMessage(message);
  }
  output_ = platform::WAVE_NO_HANDLE;
  readPosition_.store(playStart_);
  playAudio_ = nullptr;
  // Idle last, and nothing of the engine is touched after it: a new start
  // may follow at once, and a waiting document may unmap its audio.
  SetPlayState(PLAY_IDLE);
}
