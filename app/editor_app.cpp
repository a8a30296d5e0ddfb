#include "app/editor_app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/abandoned_run_folders.h"
#include "app/first_run.h"
#include "audio/audio_engine.h"
#include "codecs/document_codecs.h"
#include "engine/editor_doc.h"
#include "platform/file_discard.h"
#include "platform/message.h"
#include "platform/paths.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

CEditorApp* theApp = nullptr;

// The shared slots in creation (and clean-up) order.
constexpr const char* kSharedSlotNames[] = {"clip", "temp_a", "temp_b", "temp_c", "temp_d"};

}  // namespace

CEditorApp* TheApp() {
  return theApp;
}

CEditorApp::CEditorApp(std::time_t startTime)
    : startTime_(startTime), runStamp_(platform::RunStamp(startTime)) {
  configPath_ = ConfigFilePath();
  theApp = this;
}

CEditorApp::~CEditorApp() {
  Shutdown();
  if (theApp == this) theApp = nullptr;
}

void CEditorApp::SetActiveDocument(CEditorDoc* doc) {
  if (operationInProgress_ == 0) activeDocument_ = doc;
}

void CEditorApp::DocumentCreated(CEditorDoc& doc) {
  DocumentOpened();
  documents_.push_back(&doc);
  InstallDocumentCodecs(doc, mp3Decoder_);
  if (installTools) installTools(doc);
}

void CEditorApp::StopPlaybackOf(CEditorDoc& doc) {
  if (audio_ != nullptr) audio_->ReleaseDocument(doc);
}

PlayState CEditorApp::PlaybackState() const {
  return audio_ != nullptr ? audio_->PlayState() : PLAY_IDLE;
}

RecordState CEditorApp::RecordingState() const {
  return audio_ != nullptr ? audio_->RecordState() : RECORD_BEFORE_FIRST_USE;
}

void CEditorApp::RequestPlaybackStop() {
  if (audio_ != nullptr) audio_->RequestStop();
}

void CEditorApp::DocumentClosed(CEditorDoc* doc) {
  --documentCount_;
  std::erase(documents_, doc);
  if (doc == closingDocument_) closingDocument_ = nullptr;
  if (doc == activeDocument_) SetActiveDocument(nullptr);
}

bool CEditorApp::HasUnsavedChanges() const {
  return std::any_of(documents_.begin(), documents_.end(),
                     [](const CEditorDoc* doc) { return doc->IsModified(); });
}

void CEditorApp::ShowFormat(int32_t sampleRate, int16_t channels, int16_t bitsPerSample) {
  if (!panelHooks_.showFormat) return;
  const std::string rate = sampleRate != 0 ? std::to_string(sampleRate) + " Hz" : "";
  const std::string layout = channels == 2 ? "Stereo" : channels == 1 ? "Mono" : "";
  const std::string bits = bitsPerSample == 16 ? "16 Bit" : bitsPerSample == 8 ? "8 Bit" : "";
  panelHooks_.showFormat(rate, layout, bits);
}

void CEditorApp::ShowPositionTexts(const std::string& a, const std::string& b,
                                   const std::string& c) {
  if (panelHooks_.showPositions) panelHooks_.showPositions(a, b, c);
}

bool CEditorApp::StartUp(FirstRunDialogs& dialogs, const StartUpOptions& options) {
  started_ = true;
  if (!LoadConfiguration(dialogs, options)) return false;
  if (options.ownsRunFolderRecord) RemovePreviousRunFolder(config_.LastRunFolder());
  // Runs killed before they held a document left folders with nothing to
  // recover; whichever run starts next clears them away. Folders holding
  // documents stay until the user has decided about them.
  RemoveAbandonedRunFolders(config_.TempFolder(), std::time(nullptr));
  if (!CreateRunFolder(options)) return false;
  if (options.ownsRunFolderRecord) {
    config_.SetLastRunFolder(runFolder_);
    WriteConfig();
  }
  return CreateSharedSlots();
}

bool CEditorApp::LoadConfiguration(FirstRunDialogs& dialogs, const StartUpOptions& options) {
  switch (LoadConfigFile(configPath_, &config_)) {
    case ConfigLoad::Loaded:
      if (!FolderIsWritable(config_.TempFolder())) {
        unwritableTempFolder_ = config_.TempFolder();
        ShowMessageF("Error: Temp directory %s is invalid.  Please choose a new temp directory.",
                     config_.TempFolder().c_str());
        if (options.firstRunDialogs) {
          dialogs.RunTemporaryFileSettings(*this);
        } else if (!options.ownsRunFolderRecord) {
          UseStandInTempFolder();
        }
      }
      break;
    case ConfigLoad::Partial:
      break;
    case ConfigLoad::Missing:
      if (options.firstRunDialogs) {
        dialogs.RunInitialization(*this);
      } else {
        config_.SetTempFolder(platform::PlatformTempPath());
      }
      if (!FolderIsWritable(config_.TempFolder())) {
        ShowMessageF("Error: Temp File Path %s is not writeable, cannot continue",
                     config_.TempFolder().c_str());
      }
      break;
  }
  return true;
}

void CEditorApp::UseStandInTempFolder() {
  // Without dialogs nobody can choose another folder, so this run takes the
  // one a first run would propose. Only a run that never writes the
  // configuration comes here, so the configuration keeps its own folder,
  // which is still searched for documents to recover.
  const std::string standIn = platform::ProposedTempFolder();
  if (standIn == config_.TempFolder() || !FolderIsWritable(standIn)) return;
  config_.SetTempFolder(standIn);
  ShowMessageF("The temporary files of this run go to %s instead.", standIn.c_str());
}

bool CEditorApp::CreateRunFolder(const StartUpOptions& options) {
  std::string folder = config_.TempFolder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  runFolder_ = folder + "/" + runStamp_ + options.runFolderSuffix;

  // Slot file names go inside the run folder, so it must leave them room in
  // their fixed-size path fields; it is refused rather than cut short.
  constexpr size_t kLongestSlotFileName = sizeof("/temp_a_10000000.pcm");
  if (runFolder_.size() + kLongestSlotFileName > platform::kMaxPath) {
    ShowMessageF("Error: Temp dir path %s is too long, cannot continue", runFolder_.c_str());
    runFolder_.clear();
    return false;
  }
  // A second editor started in the same second finds its stamp taken; it
  // takes the next free second, so its folder still reads as a run stamp.
  bool made = !folder.empty() && ::mkdir(runFolder_.c_str(), 0700) == 0;
  for (int later = 1; !made && !folder.empty() && errno == EEXIST && later <= 60; ++later) {
    runStamp_ = platform::RunStamp(startTime_ + later);
    runFolder_ = folder + "/" + runStamp_ + options.runFolderSuffix;
    made = ::mkdir(runFolder_.c_str(), 0700) == 0;
  }
  if (!made) {
    ShowMessageF("Error: Failed to create temp dir %s cannot continue", runFolder_.c_str());
    runFolder_.clear();
    return false;
  }
  if (!FolderIsWritable(runFolder_) || !runLock_.Acquire(runFolder_)) {
    ShowMessageF("Error: Temp File Path %s is not writeable, cannot continue", runFolder_.c_str());
    ::unlink((runFolder_ + "/" + platform::kRunLockName).c_str());
    ::rmdir(runFolder_.c_str());
    runFolder_.clear();
    return false;
  }
  return true;
}

bool CEditorApp::CreateSharedSlots() {
  TempAudioFile* slots[] = {&clip_, &temp_[0], &temp_[1], &temp_[2], &temp_[3]};
  for (size_t i = 0; i < std::size(slots); ++i) {
    if (CreateTempAudioFile(slots[i], runFolder_, kSharedSlotNames[i]) != OP_DONE) {
      ShowMessageF("Failed to create %s files", kSharedSlotNames[i]);
      ShowMessage("Failed to setup app temp files");
      return false;
    }
  }
  return true;
}

void CEditorApp::Shutdown() {
  if (!started_ || shutDown_) return;
  shutDown_ = true;
  RequestPlaybackStop();

  TempAudioFile* slots[] = {&clip_, &temp_[0], &temp_[1], &temp_[2], &temp_[3]};
  for (size_t i = 0; i < std::size(slots); ++i) {
    if (CleanupTempAudioFile(slots[i], 0) != OP_DONE) {
      ShowMessageF("Failed to cleanup %s files", kSharedSlotNames[i]);
      break;
    }
  }
  // Large files are deleted in the background; the folder goes once they are.
  platform::WaitForDiscards();
  runLock_.RemoveAndRelease();
  if (!runFolder_.empty()) ::rmdir(runFolder_.c_str());
}
