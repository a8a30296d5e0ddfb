// What the window asks of playback and recording. The playback and
// recording engines install these; until they do, Play, Record and the
// input monitor do nothing (their preconditions and the enabling rule are
// handled by the command table regardless).
#pragma once

#include <functional>

#include "audio/audio_state.h"

class CEditorDoc;

struct TransportHooks {
  std::function<void(CEditorDoc& doc, bool looped)> play;
  std::function<void(CEditorDoc* doc)> record;
  std::function<void()> startMonitoring;
  std::function<void()> stopMonitoring;
  // Stop: ends playback after its drain. Without it the window asks the
  // application (which stops nothing without an engine).
  std::function<void()> stop;
  // The play state the enabling rule reads, for tests that play without a
  // device. Without it the window asks the application, which asks the
  // engine attached to it (idle without one).
  std::function<PlayState()> playState;
  // Whether the Monitor Input toggle must refuse (playing or recording).
  // Without it the window reads the play and record states itself.
  std::function<bool()> monitorRefused;
};
