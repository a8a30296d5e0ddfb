// The application hub: the configuration, this run's folder, the five slots
// shared by every document (the clipboard and scratch slots A-D), the active
// document, the operation-in-progress state, and the way to the audio
// engine, which owns the play and record states.
// It is plain C++: the editor's window and the batch tool both drive it.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/config.h"
#include "audio/audio_host.h"
#include "audio/audio_state.h"
#include "codecs/mp3_decoder.h"
#include "engine/document_dialogs.h"
#include "engine/document_host.h"
#include "engine/pcm_import.h"
#include "engine/progress.h"
#include "engine/temp_audio_file.h"
#include "platform/folder_lock.h"

class AudioEngine;
class CEditorDoc;
class FirstRunDialogs;

struct StartUpOptions {
  // Run the first-run dialogs when there is no configuration file; without
  // them a missing file means the platform temp path.
  bool firstRunDialogs = true;
  // Remove the previous run's folder and record this run's folder in the
  // configuration file. Only the editor owns the record; another program
  // sharing it must leave both alone.
  bool ownsRunFolderRecord = true;
  // Appended to the run stamp, so several runs in one second never share a
  // folder (the batch tool passes its process id).
  std::string runFolderSuffix;
};

class CEditorApp : public DocumentHost, public AudioHost {
 public:
  explicit CEditorApp(std::time_t startTime = std::time(nullptr));
  ~CEditorApp() override;
  CEditorApp(const CEditorApp&) = delete;
  CEditorApp& operator=(const CEditorApp&) = delete;

  // Loads the configuration, prepares this run's folder and creates the
  // shared slots. false when the program cannot go on (already reported).
  bool StartUp(FirstRunDialogs& dialogs, const StartUpOptions& options = {});
  // The exit steps: stop playback, clean up the shared slots, remove the run
  // folder. Runs once; the destructor calls it when nobody did.
  void Shutdown();
  // True when an open document has changes that were not saved.
  bool HasUnsavedChanges() const;

  ConfigRecord* Config() { return &config_; }
  void SetConfig(const ConfigRecord& record) { config_ = record; }
  bool WriteConfig() const { return WriteConfigFile(configPath_, config_); }
  const std::string& ConfigPath() const { return configPath_; }
  void SetConfigPath(std::string path) { configPath_ = std::move(path); }

  // The configured temporary folder that start-up found it could not write
  // and replaced; "" when there was none. Documents that editors which died
  // left there can still be recovered from it.
  const std::string& UnwritableTempFolder() const { return unwritableTempFolder_; }

  const std::string& RunStamp() const { return runStamp_; }
  const std::string& RunFolder() const override { return runFolder_; }

  TempAudioFile* Clip() override { return &clip_; }
  TempAudioFile* TempA() override { return &temp_[0]; }
  TempAudioFile* TempB() override { return &temp_[1]; }
  TempAudioFile* TempC() override { return &temp_[2]; }
  TempAudioFile* TempD() override { return &temp_[3]; }

  // The active document does not change while an operation runs, so the
  // operation keeps working on the document it was started for.
  void SetActiveDocument(CEditorDoc* doc) override;
  CEditorDoc* ActiveDocument() const override { return activeDocument_; }
  void SetClosingDocument(CEditorDoc* doc) override { closingDocument_ = doc; }
  CEditorDoc* ClosingDocument() const { return closingDocument_; }
  int& OperationInProgress() override { return operationInProgress_; }
  // Off unless set: the window plays and draws a file as soon as it opens.
  // The batch tool, whose scripts often open a file only to save it
  // elsewhere, sets it.
  bool DefersWorkingCopies() const override { return defersWorkingCopies_; }
  void SetDefersWorkingCopies(bool defer) { defersWorkingCopies_ = defer; }
  void DocumentOpened() { ++documentCount_; }
  // Counts the document and gives it its tools and the codecs' operations.
  void DocumentCreated(CEditorDoc& doc) override;
  // A document going away ends a playback that is running and, when the
  // playback or a recording uses the document, waits until the device
  // thread has let go of it.
  void StopPlaybackOf(CEditorDoc& doc) override;
  // Called by a document's destructor.
  void DocumentClosed(CEditorDoc* doc) override;
  int DocumentCount() const { return documentCount_; }

  // The program's progress host and the dialogs documents ask; both default
  // to answers without a user (no display, nothing cancelled).
  void SetOperationHost(OperationHost* host) { host_ = host ? host : &silentHost_; }
  OperationHost& Host() override { return *host_; }
  void SetDocumentDialogs(DocumentDialogs* dialogs) {
    dialogs_ = dialogs ? dialogs : &presetDialogs_;
  }
  DocumentDialogs& Dialogs() override { return *dialogs_; }
  PcmImportSettings& PcmImport() override { return pcmImport_; }
  // The program's one MP3 decoder; its parameters tell how the last MP3
  // import went.
  Mp3Decoder& Mp3Import() { return mp3Decoder_; }

  // The format panel's three texts ("44100 Hz", "Stereo", "16 Bit"; empty
  // for 0) and the position panel's three times. The window installs where
  // they are shown; without one they go nowhere.
  struct PanelHooks {
    std::function<void(const std::string& rate, const std::string& channels,
                       const std::string& bits)>
        showFormat;
    std::function<void(const std::string& a, const std::string& b, const std::string& c)>
        showPositions;
  };
  void SetPanelHooks(PanelHooks hooks) { panelHooks_ = std::move(hooks); }
  void ShowFormat(int32_t sampleRate, int16_t channels, int16_t bitsPerSample) override;
  void ShowPositionTexts(const std::string& a, const std::string& b, const std::string& c) override;
  int NextViewSerial() { return ++viewSerial_; }

  // Gives every new document its tools (volume, fade, echo, ...).
  std::function<void(CEditorDoc&)> installTools;

  // --- audio ---
  int OutputDevice() const override { return config_.outputDevice; }
  int InputDevice() const override { return config_.inputDevice; }
  TempAudioFile* RecordingSlot() override { return TempA(); }
  void AttachAudioEngine(AudioEngine* engine) override { audio_ = engine; }
  // The program's engine; null where there is none (engine tests, tools).
  AudioEngine* Audio() const { return audio_; }
  // The engine's states; idle (and never used) without an engine.
  PlayState PlaybackState() const;
  RecordState RecordingState() const;
  // Asks a running playback to stop; nothing without an engine.
  void RequestPlaybackStop();

 private:
  bool LoadConfiguration(FirstRunDialogs& dialogs, const StartUpOptions& options);
  // A run without dialogs that does not write the configuration (the batch
  // tool) takes the proposed temporary folder for this run when the
  // configured one cannot be written.
  void UseStandInTempFolder();
  bool CreateRunFolder(const StartUpOptions& options);
  bool CreateSharedSlots();

  ConfigRecord config_{};
  std::string configPath_;
  std::time_t startTime_;
  std::string runStamp_;
  std::string runFolder_;
  std::string unwritableTempFolder_;
  // Held from the run folder's creation until it is removed.
  platform::FolderLock runLock_;
  TempAudioFile clip_;
  TempAudioFile temp_[4];
  bool started_ = false;
  bool shutDown_ = false;

  CEditorDoc* activeDocument_ = nullptr;
  CEditorDoc* closingDocument_ = nullptr;
  bool defersWorkingCopies_ = false;
  int operationInProgress_ = 0;
  int documentCount_ = 0;
  std::vector<CEditorDoc*> documents_;  // every document alive, in creation order
  SilentOperationHost silentHost_;
  OperationHost* host_ = &silentHost_;
  PresetDocumentDialogs presetDialogs_;
  DocumentDialogs* dialogs_ = &presetDialogs_;
  PcmImportSettings pcmImport_;
  Mp3Decoder mp3Decoder_;
  PanelHooks panelHooks_;
  int16_t viewSerial_ = 0;
  AudioEngine* audio_ = nullptr;
};

// The one application object of the program, or null outside its lifetime.
CEditorApp* TheApp();
