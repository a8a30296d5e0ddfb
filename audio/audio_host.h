// What the audio engine asks of the program around it: the active document
// (the one Play and Record work on), the devices the user chose, and the
// shared slot a recording is written to. The application hub implements
// it; the engine sees nothing else of the layers above it.
//
// Every method is called on the controlling thread (the thread that calls
// the engine), never on a device thread.
#pragma once

class AudioEngine;
class CEditorDoc;
struct TempAudioFile;

class AudioHost {
 public:
  virtual ~AudioHost() = default;

  virtual CEditorDoc* ActiveDocument() const = 0;
  // Refused while an operation runs (the active document stays).
  virtual void SetActiveDocument(CEditorDoc* doc) = 0;
  // Device indexes from the settings; -1 is the default device.
  virtual int OutputDevice() const = 0;
  virtual int InputDevice() const = 0;
  // The scratch slot a recording goes to before the document takes it.
  virtual TempAudioFile* RecordingSlot() = 0;
  // The engine announces itself when it is made and null when it goes, so
  // that the program can ask it for its state and for stops.
  virtual void AttachAudioEngine(AudioEngine* engine) = 0;
};
