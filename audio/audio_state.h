// The play and record states of the program's one audio engine. The engine
// alone changes them; everyone else reads them through the engine (or the
// application, which reads idle when there is no engine). The numbers are
// part of what the windows and the batch tool's output show.
#pragma once

#include <cstdint>

enum class PlayState : int32_t {
  Idle = 1,
  Playing = 2,
  // Stop asked for: the output ring drains on the device thread, which then
  // closes the device and makes the state idle.
  StopRequested = 3,
};

enum class RecordState : int32_t {
  BeforeFirstUse = 0,
  Idle = 1,
  Recording = 5,
  Monitoring = 6,
};

inline constexpr PlayState PLAY_IDLE = PlayState::Idle;
inline constexpr PlayState PLAY_PLAYING = PlayState::Playing;
inline constexpr PlayState PLAY_STOP_REQUESTED = PlayState::StopRequested;

inline constexpr RecordState RECORD_BEFORE_FIRST_USE = RecordState::BeforeFirstUse;
inline constexpr RecordState RECORD_IDLE = RecordState::Idle;
inline constexpr RecordState RECORD_RECORDING = RecordState::Recording;
inline constexpr RecordState RECORD_MONITORING = RecordState::Monitoring;
