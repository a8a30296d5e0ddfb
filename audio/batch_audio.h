// Playback and recording without windows, for the batch tool: play once and
// return when the device has finished; record for a time and hand the
// recording to the document as the Stop button would.
#pragma once

#include "engine/op_codes.h"

class AudioEngine;
class CEditorDoc;

// Plays the document's selection, or from the selection start to the end
// when nothing is selected, once. OP_DONE after playback has finished,
// OP_FAILED when it did not start (the reason was shown).
OpResult PlaySelectionAndWait(AudioEngine& engine, CEditorDoc& doc);
OpResult PlaySelectionAndWait(CEditorDoc& doc);

// Records `seconds` of audio into the document at its selection start, as
// Record followed by Stop after that long. OP_DONE when a recording was
// handed to the document, OP_FAILED otherwise.
OpResult RecordForSeconds(AudioEngine& engine, CEditorDoc& doc, double seconds);
OpResult RecordForSeconds(CEditorDoc& doc, double seconds);
