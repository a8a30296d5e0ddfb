// Recording into the scratch slot A and the input monitor. Both run the
// input ring: each buffer that comes back is handled on the input device's
// thread and queued again.
#include <cerrno>
#include <cstring>
#include <limits>

#include "audio/audio_engine.h"
#include "audio/level_meter.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using platform::MessageIcon;
using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

constexpr int kMonitorChannels = 2;
constexpr int kMonitorRate = 44100;
constexpr int kMonitorBits = 8;

const char* RecordCloseMessage(uint32_t result) {
  switch (result) {
    case platform::WAVE_INVALID_HANDLE:
      return "Record-Invalid Handle";
    case platform::WAVE_NO_DRIVER:
      return "Record-No Driver to close.";
    case platform::WAVE_NO_MEMORY:
      return "Record-Can't lock memory to close";
    case platform::WAVE_STILL_PLAYING:
      return "Record-Buffers still in queue";
    default:
      return nullptr;
  }
}

}  // namespace

bool AudioEngine::MonitorRefused() const {
  return playState_.load() == PLAY_PLAYING || recordState_.load() == RECORD_RECORDING;
}

bool AudioEngine::SetupInput(int deviceIndex, const platform::WaveFormat& format,
                             platform::WaveNotify notify) {
  for (int i = 0; i < bufferCount_; ++i) {
    platform::WaveHeader& header = inHeaders_[i];
    header.data = inBlocks_[i].data();
    header.bufferLength = static_cast<uint32_t>(bufferSize_);
    header.bytesRecorded = 0;
    header.flags.store(0);
  }
  recordState_.store(RECORD_IDLE);
  recordedBytes_.store(0);

  const uint32_t opened = platform::WaveInOpen(&input_, deviceIndex, format, std::move(notify));
  switch (opened) {
    case platform::WAVE_ALLOCATED:
      ShowMessage("Record Device - Device In Use", MessageIcon::Error);
      return false;
    case platform::WAVE_NO_DRIVER:
      ShowMessage("Record Device - No Driver Available");
      return false;
    case platform::WAVE_NO_MEMORY:
      ShowMessage("Record Device - No Memory Available");
      return false;
    case platform::WAVE_BAD_FORMAT:
      ShowMessage("Record Device - Cannot support CD Quality Audio", MessageIcon::Error);
      return false;
    default:
      // Any other failure leaves no device; the next step reports it.
      break;
  }

  for (int i = 0; i < bufferCount_; ++i) {
    switch (platform::WaveInPrepareHeader(input_, &inHeaders_[i])) {
      case platform::WAVE_INVALID_HANDLE:
        ShowMessage("Record Device - Invalid Handle");
        return false;
      case platform::WAVE_NO_DRIVER:
        ShowMessage("Record Device - No Driver Installed");
        return false;
      case platform::WAVE_NO_MEMORY:
        ShowMessage("Record Device - No Memory Available");
        return false;
      default:
        break;
    }
  }
  for (int i = 0; i < bufferCount_; ++i) {
    switch (platform::WaveInAddBuffer(input_, &inHeaders_[i])) {
      case platform::WAVE_INVALID_HANDLE:
        ShowMessage("Record Device - Bad Device Handle");
        return false;
      case platform::WAVE_NO_DRIVER:
        ShowMessage("Record Device - No Driver Available");
        return false;
      case platform::WAVE_NO_MEMORY:
        ShowMessage("Record Device - No Memory Available");
        return false;
      case platform::WAVE_UNPREPARED:
        ShowMessage("Record Device - Buffer Not Prepared");
        return false;
      default:
        break;
    }
  }
  return true;
}

// A setup that failed half way leaves nothing open behind it.
void AudioEngine::CloseInputAfterFailedSetup() {
  if (input_ == platform::WAVE_NO_HANDLE) return;
  platform::WaveInReset(input_);
  for (int i = 0; i < bufferCount_; ++i) platform::WaveInUnprepareHeader(input_, &inHeaders_[i]);
  platform::WaveInClose(input_);
  input_ = platform::WAVE_NO_HANDLE;
}

bool AudioEngine::RecordSetup(CEditorDoc& doc) {
  recordDoc_ = &doc;
  // The input thread meters in this format; it never reads the document.
  recordFormat_ = {doc.channels, doc.bitsPerSample, doc.bytesPerSecond};
  platform::WaveFormat format;
  format.channels = doc.channels;
  format.sampleRate = doc.sampleRate;
  format.bitsPerSample = doc.bitsPerSample;
  if (!SetupInput(host_.InputDevice(), format, [this] { RecordNotify(); })) {
    CloseInputAfterFailedSetup();
    return false;
  }
  return true;
}

void AudioEngine::OnRecord() {
  AudioListener& listener = Listener();
  if (recordState_.load() == RECORD_MONITORING) {
    MonitorStop();
    listener.MonitorSwitchedOff();
  }
  currentInput_ = 0;
  if (host_.ActiveDocument() == nullptr) {
    listener.NewDocument();
    if (host_.ActiveDocument() == nullptr) return;
    listener.InvalidateView();
  }
  CEditorDoc& doc = *host_.ActiveDocument();
  const BufferScheme scheme = BufferSchemeFor(doc.sampleRate, doc.bitsPerSample);
  bufferCount_ = scheme.count;
  bufferSize_ = scheme.size;

  TempAudioFile* slot = host_.RecordingSlot();
  recordFile_ = std::fopen(slot->pcmPath.c_str(), "wb");
  if (recordFile_ == nullptr) {
    ShowMessageF("OnRecord() - Failed to 'fopen' file for write: %s", slot->pcmPath.c_str());
    return;
  }
  recordWriteFailed_.store(false);
  if (!RecordSetup(doc)) {
    ShowMessage("OnRecord: RecordSetup() failed", MessageIcon::Error);
    std::fclose(recordFile_);
    recordFile_ = nullptr;
    return;
  }

  recordState_.store(RECORD_RECORDING);
  listener.GreyToolbar(true);
  platform::WaveInStart(input_);
  bytesPerSecond_ = doc.Format().BytesPerSecond();

  listener.RunRecordingDialog(*this);

  listener.GreyToolbar(false);
  // A document released while the dialog ran has had its recording ended
  // already (ReleaseDocument); the recording is then not handed to it.
  const bool documentKept = recordDoc_ == &doc;
  if (documentKept) StopRecording();
  // A file that could not be written completely is handed over only as far
  // as it was written, so the slot never claims bytes its file lacks.
  const bool closed = std::fclose(recordFile_) == 0;
  recordFile_ = nullptr;
  if (recordWriteFailed_.load() || !closed) {
    ShowMessageF("OnRecord() - Failed to write the recording to %s", slot->pcmPath.c_str());
    if (!closed) recordedBytes_.store(0);
  }

  if (!documentKept) return;
  slot->pcmLength = static_cast<uint32_t>(recordedBytes_.load());
  slot->bitsPerSample = doc.bitsPerSample;
  slot->channels = doc.channels;
  slot->sampleRate = doc.sampleRate;
  doc.DocRunOperation(OP_HANDLE_RECORD);
  listener.InvalidateView();
}

void AudioEngine::RecordNotify() {
  while (recordState_.load() == RECORD_RECORDING &&
         (inHeaders_[currentInput_].flags.load() & platform::WAVE_HDR_DONE)) {
    platform::WaveHeader& header = inHeaders_[currentInput_];
    platform::WaveInUnprepareHeader(input_, &header);
    PositionAndLevel(header.data);
    const uint32_t size = static_cast<uint32_t>(bufferSize_);
    // The byte count is 32-bit: a recording stops growing before it would
    // overflow, and after a failed write nothing more is counted, so the
    // count always matches whole buffers present in the file.
    const bool fits = recordedBytes_.load() <= std::numeric_limits<int32_t>::max() - bufferSize_;
    if (fits && !recordWriteFailed_.load()) {
      if (platform::WriteFully(recordFile_, header.data, size)) {
        recordedBytes_.fetch_add(bufferSize_);
      } else {
        recordWriteFailed_.store(true);
      }
    }
    platform::WaveInPrepareHeader(input_, &header);
    platform::WaveInAddBuffer(input_, &header);
    currentInput_ = static_cast<int16_t>((currentInput_ + 1) % bufferCount_);
  }
}

void AudioEngine::StopRecording() {
  recordState_.store(RECORD_IDLE);
  platform::WaveInReset(input_);
  platform::WaveInStop(input_);
  for (int i = 0; i < bufferCount_; ++i) platform::WaveInUnprepareHeader(input_, &inHeaders_[i]);
  if (const char* message = RecordCloseMessage(platform::WaveInClose(input_))) {
    ShowMessage(message);
  }
  input_ = platform::WAVE_NO_HANDLE;
}

bool AudioEngine::MonitorStart() {
  bufferCount_ = 8;
  bufferSize_ = 1024;
  currentInput_ = 0;
  platform::WaveFormat format;
  format.channels = kMonitorChannels;
  format.sampleRate = kMonitorRate;
  format.bitsPerSample = kMonitorBits;
  if (!SetupInput(platform::WAVE_DEFAULT_DEVICE, format, [this] { MonitorNotify(); })) {
    CloseInputAfterFailedSetup();
    ShowMessage("Monitor Failed", MessageIcon::Error);
    return false;
  }
  recordState_.store(RECORD_MONITORING);
  platform::WaveInStart(input_);
  return true;
}

void AudioEngine::MonitorStop() {
  StopRecording();
}

void AudioEngine::MonitorNotify() {
  while (recordState_.load() == RECORD_MONITORING &&
         (inHeaders_[currentInput_].flags.load() & platform::WAVE_HDR_DONE)) {
    platform::WaveHeader& header = inHeaders_[currentInput_];
    platform::WaveInUnprepareHeader(input_, &header);
    const MeterHeights heights =
        MonitorMeterHeights(header.data, static_cast<uint32_t>(bufferSize_));
    listener_.load()->SetLevels(heights.left, heights.right);
    platform::WaveInPrepareHeader(input_, &header);
    platform::WaveInAddBuffer(input_, &header);
    currentInput_ = static_cast<int16_t>((currentInput_ + 1) % bufferCount_);
  }
}
