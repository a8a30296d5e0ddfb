// Playback, recording and the input monitor of the editor: one playback at a
// time for the whole program, streaming the active document's mapped audio
// through a small ring of output buffers; recording into the scratch slot A
// through a ring of input buffers; and a monitor that only feeds the level
// meters. The play and record states live in the application object, where
// the command rules read them.
//
// The rings are refilled and drained from the devices' notifications, which
// run on the devices' own threads (platform/wave_audio.h). The engine keeps
// its rings in fixed arrays: nothing is allocated while audio runs.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "audio/audio_listener.h"
#include "platform/wave_audio.h"

class CEditorApp;
class CEditorDoc;

inline constexpr int32_t RECORD_BEFORE_FIRST_USE = 0;
inline constexpr int32_t RECORD_IDLE = 1;
inline constexpr int32_t RECORD_RECORDING = 5;
inline constexpr int32_t RECORD_MONITORING = 6;

// Buffer status in the output ring.
inline constexpr int32_t BUFFER_QUEUED = 2;
inline constexpr int32_t BUFFER_FREE = 4;

inline constexpr int kMaxAudioBuffers = 8;
inline constexpr int kMaxAudioBufferSize = 1024;

struct BufferScheme {
  int16_t count;
  int16_t size;
  bool operator==(const BufferScheme&) const = default;
};

// 8 buffers of 1024 bytes, or 4 of 512 for 8-bit audio of 12000 Hz or less.
BufferScheme BufferSchemeFor(int32_t sampleRate, int16_t bitsPerSample);

// Whether playback may start at the document's selection start. A start
// inside the last ring of buffers of a file longer than the ring is
// refused: AudioEngine::Start then plays nothing, without a message.
bool PlayStartAllowed(const CEditorDoc& doc);

class AudioEngine {
 public:
  explicit AudioEngine(CEditorApp& app);
  // Stops whatever runs and waits for the devices to close.
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // Null: no windows to tell.
  void SetListener(AudioListener* listener);
  AudioListener& Listener() { return *listener_; }
  CEditorApp& App() { return app_; }

  // --- playback ---
  // Play (looped false) and Play looped: the commands' checks, then Start.
  void OnPlay(bool looped);
  // Starts playing the active document's selection, or from the selection
  // start to the end when nothing is selected. false when it did not start
  // (state not idle, selection start too near the end, device failure).
  bool Start(bool looped);
  // Stop request: playing becomes stop requested; the ring drains and the
  // device closes on its own thread.
  void RequestStop();
  // Waits until the play state is idle again and the device's thread ended.
  void WaitUntilStopped();

  // --- recording and the input monitor ---
  // The Record command: records until the Recording Audio dialog is closed
  // and hands the recording to the document.
  void OnRecord();
  // Sets up the input ring and device in the document's format.
  bool RecordSetup(CEditorDoc& doc);
  // Ends recording or monitoring: the device is reset and closed, a partly
  // filled buffer is dropped.
  void StopRecording();
  // The level-meter panel's Monitor Input toggle.
  bool MonitorStart();
  void MonitorStop();
  // True while the toggle must refuse: playing or recording.
  bool MonitorRefused() const;

  // Shown by the Recording Audio dialog.
  int32_t RecordedBytes() const { return recordedBytes_.load(); }
  int32_t BytesPerSecond() const { return bytesPerSecond_; }

  // --- observed by tests and the batch tool ---
  BufferScheme Scheme() const { return {bufferCount_, bufferSize_}; }
  bool Looping() const { return loop_.load() != 0; }
  // Output latency PortAudio reported for the last playback, in seconds.
  double LastOutputLatency() const { return lastLatency_; }
  // How long the finishing of a stop waits with the volume down before it
  // closes the device (300 ms; tests shorten it).
  void SetStopSettleMs(int ms) { stopSettleMs_ = ms; }

 private:
  void Refill();
  void FinishStop();
  // Moves the play cursor and feeds the level meter; `input` is the input
  // buffer that just came back while recording, null while playing.
  void PositionAndLevel(const uint8_t* input);
  bool SetupInput(int deviceIndex, const platform::WaveFormat& format, platform::WaveNotify notify);
  void RecordNotify();
  void MonitorNotify();
  void CloseInputAfterFailedSetup();

  CEditorApp& app_;
  AudioListener silentListener_;
  AudioListener* listener_ = &silentListener_;

  // Shared by playback and recording: chosen at each start.
  int16_t bufferCount_ = 8;
  int16_t bufferSize_ = 1024;
  std::atomic<int32_t> meterDivider_{0};

  // Playback.
  CEditorDoc* playDoc_ = nullptr;  // the document being played
  std::atomic<int32_t> loop_{0};
  platform::WaveHandle output_ = platform::WAVE_NO_HANDLE;
  std::array<std::array<uint8_t, kMaxAudioBufferSize>, kMaxAudioBuffers> outBlocks_{};
  std::array<platform::WaveHeader, kMaxAudioBuffers> outHeaders_;
  std::array<int32_t, kMaxAudioBuffers> bufferStatus_{};
  int32_t fillIndex_ = 0;
  int32_t returnIndex_ = 0;
  uint32_t endPosition_ = 0;
  std::atomic<uint32_t> startTick_{0};
  int32_t drainCount_ = 0;
  uint32_t savedVolume_ = 0;
  double lastLatency_ = 0;
  int stopSettleMs_ = 300;

  // Recording and monitoring.
  CEditorDoc* recordDoc_ = nullptr;
  platform::WaveHandle input_ = platform::WAVE_NO_HANDLE;
  std::array<std::array<uint8_t, kMaxAudioBufferSize>, kMaxAudioBuffers> inBlocks_{};
  std::array<platform::WaveHeader, kMaxAudioBuffers> inHeaders_;
  int16_t currentInput_ = 0;
  std::atomic<int32_t> recordedBytes_{0};
  std::FILE* recordFile_ = nullptr;
  std::atomic<bool> recordWriteFailed_{false};
  int32_t bytesPerSecond_ = 0;
};

// The millisecond tick from which play positions are timed.
uint32_t AudioTickMs();

// The program's engine, or null outside its lifetime.
AudioEngine* TheAudioEngine();
