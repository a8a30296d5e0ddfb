// Playback, recording and the input monitor of the editor: one playback at a
// time for the whole program, streaming the active document's mapped audio
// through a small ring of output buffers; recording into the scratch slot A
// through a ring of input buffers; and a monitor that only feeds the level
// meters. The engine keeps its rings in fixed arrays: nothing is allocated
// while audio runs.
//
// Threads
// -------
// Controlling thread: the thread that calls the engine's public methods.
//   In the editor that is the GUI (main) thread; in the batch tool and the
//   tests, the main thread. It starts and stops playback, recording and the
//   monitor, and it alone reads and writes documents. Only one controlling
//   thread drives an engine.
// Device output thread: one per open output device (platform/wave_audio.h).
//   It runs Refill for every buffer the device hands back and, at the end
//   of a stop, FinishStop, which closes the device from that thread.
// Device input thread: one per open input device. It runs RecordNotify or
//   MonitorNotify for every buffer handed back.
//
// What each may touch
// -------------------
// The play and record states are atomics owned by the engine; nobody else
// changes them. Everyone reads them through PlayState()/RecordState().
// Start copies everything the output thread needs from the document before
// the device opens: the address and length of the mapped audio, the
// selection start (where a loop restarts), the end, the format. The output
// thread then reads only those copies, the ring and readPosition_; it never
// reads or writes the document, whose selection, view and play position
// belong to the controlling thread. RecordSetup copies the format the same
// way for the input thread. The position and levels go to the listener as
// values (audio_listener.h), and the windows turn them into a cursor column
// against their own view on their own thread.
// Ring fields (bufferStatus_, fillIndex_, drainCount_, ...) are set up by
// the controlling thread before the device hands back its first buffer, and
// from then on belong to the device thread until the stop finishes.
//
// How a stop is handed over
// -------------------------
// RequestStop (any thread) turns Playing into StopRequested. The output
// thread sees it at its next notification, lets every queued buffer come
// back, closes the device in FinishStop and, as its very last touch of the
// engine, stores Idle under stopMutex_ and wakes the waiters. WaitUntilStopped
// blocks the controlling thread until then (calling the listener's
// WhileWaiting between short waits, so the GUI can show a message box a
// device thread asked for), then waits for the device thread to end.
// ReleaseDocument, called before a document's audio is unmapped, does both
// for the document being played or recorded into; after it returns no
// device thread reads that document's audio.
// Recording and the monitor are stopped from the controlling thread:
// StopRecording resets and closes the input device, which ends its thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "audio/audio_host.h"
#include "audio/audio_listener.h"
#include "audio/audio_state.h"
#include "platform/wave_audio.h"

class CEditorDoc;

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
  explicit AudioEngine(AudioHost& host);
  // Stops whatever runs and waits for the devices to close.
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  // Null: no windows to tell.
  void SetListener(AudioListener* listener);
  AudioListener& Listener() { return *listener_.load(); }
  AudioHost& Host() { return host_; }

  // --- states, readable from any thread ---
  ::PlayState PlayState() const { return playState_.load(); }
  ::RecordState RecordState() const { return recordState_.load(); }

  // --- playback ---
  // Play (looped false) and Play looped: the commands' checks, then Start.
  void OnPlay(bool looped);
  // Starts playing the active document's selection, or from the selection
  // start to the end when nothing is selected. false when it did not start
  // (state not idle, selection start too near the end, device failure).
  bool Start(bool looped);
  // Stop request, from any thread: playing becomes stop requested; the ring
  // drains and the device closes on its own thread.
  void RequestStop();
  // Waits until the play state is idle again and the device's thread ended.
  void WaitUntilStopped();
  // As above, giving up after `limit` (false then; the stop goes on).
  bool WaitUntilStopped(std::chrono::milliseconds limit);
  void StopAndWait() {
    RequestStop();
    WaitUntilStopped();
  }
  // A document is closing or going away. Any playback is asked to stop (as
  // a closing window always did); when the document is the one being
  // played, this waits until the device thread has let go of its audio.
  // A recording into it is ended. Controlling thread only.
  void ReleaseDocument(const CEditorDoc& doc);

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
  int64_t BytesPerSecond() const { return bytesPerSecond_; }

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
  void SetPlayState(::PlayState state);
  bool WaitUntil(std::optional<std::chrono::steady_clock::time_point> deadline);
  bool SetupInput(int deviceIndex, const platform::WaveFormat& format, platform::WaveNotify notify);
  void RecordNotify();
  void MonitorNotify();
  void CloseInputAfterFailedSetup();

  AudioHost& host_;
  AudioListener silentListener_;
  // Set by the controlling thread, read by the device threads.
  std::atomic<AudioListener*> listener_{&silentListener_};

  std::atomic<::PlayState> playState_{PLAY_IDLE};
  std::atomic<::RecordState> recordState_{RECORD_BEFORE_FIRST_USE};
  // FinishStop stores Idle under it and wakes WaitUntilStopped.
  std::mutex stopMutex_;
  std::condition_variable stopped_;

  // Shared by playback and recording: chosen at each start.
  int16_t bufferCount_ = 8;
  int16_t bufferSize_ = 1024;
  std::atomic<int32_t> meterDivider_{0};

  // What the device threads know of the document they play or record,
  // copied at the start.
  struct StreamFormat {
    int16_t channels = 0;
    int16_t bitsPerSample = 0;
    int64_t bytesPerSecond = 0;
  };

  // Playback. playDoc_ is the controlling thread's note of the document
  // last started; the output thread never reads it.
  const CEditorDoc* playDoc_ = nullptr;
  StreamFormat playFormat_;
  const uint8_t* playAudio_ = nullptr;  // the document's mapped audio
  uint32_t playAudioLength_ = 0;
  uint32_t playStart_ = 0;  // the selection start: where a loop restarts
  // Where the next buffer is read from; output thread only while playing.
  std::atomic<uint32_t> readPosition_{0};
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

  // Recording and monitoring. recordDoc_ is the controlling thread's only.
  CEditorDoc* recordDoc_ = nullptr;
  StreamFormat recordFormat_;
  platform::WaveHandle input_ = platform::WAVE_NO_HANDLE;
  std::array<std::array<uint8_t, kMaxAudioBufferSize>, kMaxAudioBuffers> inBlocks_{};
  std::array<platform::WaveHeader, kMaxAudioBuffers> inHeaders_;
  int16_t currentInput_ = 0;
  std::atomic<int32_t> recordedBytes_{0};
  std::FILE* recordFile_ = nullptr;
  std::atomic<bool> recordWriteFailed_{false};
  int64_t bytesPerSecond_ = 0;
};

// The millisecond tick from which play positions are timed.
uint32_t AudioTickMs();

// The program's engine, or null outside its lifetime.
AudioEngine* TheAudioEngine();
