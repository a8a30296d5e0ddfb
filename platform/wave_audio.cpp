#include "platform/wave_audio.h"

#include <portaudio.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/quiet_audio_libraries.h"

namespace platform {
namespace {

// Frames moved per blocking stream call. Small enough that a reset or stop
// requested from another thread waits a few milliseconds at most, large
// enough that the per-call overhead stays negligible.
constexpr unsigned long kChunkFrames = 256;
constexpr size_t kMaxBlockAlign = 4;

// Queue requests that only the device thread may carry out, because it is
// the one thread that touches the stream while the device is open.
constexpr uint32_t kRequestReset = 1;
constexpr uint32_t kRequestStop = 2;

struct Device {
  bool output = true;
  WaveFormat format;
  WaveNotify notify;
  PaStream* stream = nullptr;
  double latency = 0;
  std::atomic<uint32_t> volume{0xFFFFFFFFu};
  // Output chunks pass through here when the volume is not full, so that
  // scaling needs no allocation on the device thread.
  uint8_t scratch[kChunkFrames * kMaxBlockAlign] = {};

  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;     // the device thread waits for work
  std::condition_variable settled;  // callers wait for their request
  std::thread::id threadId;

  // Queued headers in order (linked through WaveHeader::next) and those
  // handed back whose notification has not run yet.
  WaveHeader* head = nullptr;
  WaveHeader* tail = nullptr;
  WaveHeader* backHead = nullptr;
  WaveHeader* backTail = nullptr;

  bool running = false;  // output: not paused; input: started
  bool streamStarted = false;
  bool closing = false;
  uint32_t requests = 0;

  bool OnDeviceThread() const { return std::this_thread::get_id() == threadId; }
};

// The open devices by handle, and PortAudio's initialisation, which is
// counted: every open device holds one Pa_Initialize.
struct Layer {
  std::mutex mutex;
  std::map<WaveHandle, std::shared_ptr<Device>> devices;
  WaveHandle nextHandle = 1;
  // Threads of devices closed from their own notification, joined later.
  std::mutex finishedMutex;
  std::vector<std::thread> finished;

  ~Layer() { JoinFinished(); }

  void JoinFinished() {
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(finishedMutex);
      threads.swap(finished);
    }
    std::vector<std::thread> keep;
    for (std::thread& t : threads) {
      if (t.get_id() == std::this_thread::get_id()) {
        keep.push_back(std::move(t));
      } else if (t.joinable()) {
        t.join();
      }
    }
    if (!keep.empty()) {
      std::lock_guard lock(finishedMutex);
      for (std::thread& t : keep) finished.push_back(std::move(t));
    }
  }
};

Layer& TheLayer() {
  static Layer layer;
  return layer;
}

std::shared_ptr<Device> Find(WaveHandle handle, bool output) {
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  const auto it = layer.devices.find(handle);
  if (it == layer.devices.end() || it->second->output != output) return nullptr;
  return it->second;
}

void PushBack(WaveHeader*& head, WaveHeader*& tail, WaveHeader* header) {
  header->next = nullptr;
  if (tail) {
    tail->next = header;
  } else {
    head = header;
  }
  tail = header;
}

WaveHeader* PopFront(WaveHeader*& head, WaveHeader*& tail) {
  WaveHeader* header = head;
  if (header) {
    head = header->next;
    if (!head) tail = nullptr;
    header->next = nullptr;
  }
  return header;
}

// Moves a queued header to the handed-back list, marked done.
void HandBack(Device& d, WaveHeader* header) {
  if (!d.output) header->bytesRecorded = header->offset;
  header->flags.fetch_and(~WAVE_HDR_INQUEUE);
  header->flags.fetch_or(WAVE_HDR_DONE);
  PushBack(d.backHead, d.backTail, header);
}

// Device thread only (or a notification running on it), with the device
// mutex held.
void ApplyRequests(Device& d) {
  if (d.requests & kRequestReset) {
    // A reset with nothing queued lets the audio already handed to the
    // stream play out: it was reported as played when it was handed over.
    if (d.streamStarted) {
      if (d.output && d.head == nullptr) {
        Pa_StopStream(d.stream);
      } else {
        Pa_AbortStream(d.stream);
      }
      d.streamStarted = false;
    }
    while (WaveHeader* header = PopFront(d.head, d.tail)) HandBack(d, header);
    d.running = d.output;  // a reset output device is not paused
  } else if (d.requests & kRequestStop) {
    if (d.streamStarted) {
      Pa_AbortStream(d.stream);
      d.streamStarted = false;
    }
    if (d.head != nullptr && d.head->offset > 0) HandBack(d, PopFront(d.head, d.tail));
    d.running = false;
  }
  d.requests = 0;
  d.settled.notify_all();
}

// Carries out a reset or stop: at once on the device thread, otherwise by
// the device thread while the caller waits.
void Request(Device& d, uint32_t request) {
  std::unique_lock lock(d.mutex);
  d.requests |= request;
  if (d.OnDeviceThread()) {
    ApplyRequests(d);
    return;
  }
  d.wake.notify_all();
  d.settled.wait(lock, [&] { return (d.requests & request) == 0 || d.closing; });
}

void ScaleVolume(const Device& d, const uint8_t* in, uint8_t* out, size_t bytes, uint32_t volume) {
  const int32_t left = static_cast<int32_t>(volume & 0xFFFF);
  const int32_t right = d.format.channels == 2 ? static_cast<int32_t>(volume >> 16) : left;
  if (d.format.bitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i) {
      const int32_t gain = (d.format.channels == 2 && (i & 1)) ? right : left;
      out[i] = static_cast<uint8_t>(128 + (static_cast<int32_t>(in[i]) - 128) * gain / 0xFFFF);
    }
  } else {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
      const int32_t gain = (d.format.channels == 2 && ((i / 2) & 1)) ? right : left;
      const int32_t s = static_cast<int16_t>(in[i] | (in[i + 1] << 8));
      const int32_t v = s * gain / 0xFFFF;
      out[i] = static_cast<uint8_t>(v & 0xFF);
      out[i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
  }
}

// Moves one chunk of `header` between its data and the stream; returns the
// bytes moved. Called unlocked; only the device thread touches the stream.
uint32_t TransferChunk(Device& d, WaveHeader* header, uint32_t offset) {
  const uint32_t block = static_cast<uint32_t>(d.format.BlockAlign());
  const uint32_t frames = std::min<uint32_t>(kChunkFrames, (header->bufferLength - offset) / block);
  if (frames == 0) return header->bufferLength - offset;  // a trailing part frame
  const uint32_t bytes = frames * block;
  if (!d.streamStarted) {
    if (Pa_StartStream(d.stream) == paNoError) d.streamStarted = true;
  }
  PaError error = paNotInitialized;
  if (d.streamStarted) {
    if (d.output) {
      const uint32_t volume = d.volume.load();
      const uint8_t* source = header->data + offset;
      if (volume != 0xFFFFFFFFu) {
        ScaleVolume(d, source, d.scratch, bytes, volume);
        source = d.scratch;
      }
      error = Pa_WriteStream(d.stream, source, frames);
      if (error == paOutputUnderflowed) error = paNoError;
    } else {
      error = Pa_ReadStream(d.stream, header->data + offset, frames);
      if (error == paInputOverflowed) error = paNoError;
    }
  }
  if (error != paNoError) {
    // A failing stream still takes the chunk's time, so the buffers keep
    // coming back at the pace of the audio and the engines can finish.
    if (!d.output)
      std::memset(header->data + offset, d.format.bitsPerSample == 8 ? 0x80 : 0, bytes);
    std::this_thread::sleep_for(std::chrono::microseconds(
        1000000ull * frames / static_cast<uint32_t>(d.format.sampleRate)));
  }
  return bytes;
}

void RunDevice(std::shared_ptr<Device> device) {
  Device& d = *device;
  std::unique_lock lock(d.mutex);
  d.threadId = std::this_thread::get_id();
  for (;;) {
    if (d.closing) break;
    if (d.requests != 0) {
      ApplyRequests(d);
      continue;
    }
    if (d.backHead != nullptr) {
      PopFront(d.backHead, d.backTail);
      lock.unlock();
      if (d.notify) d.notify();
      lock.lock();
      continue;
    }
    if (d.running && d.head != nullptr) {
      WaveHeader* header = d.head;
      const uint32_t offset = header->offset;
      lock.unlock();
      const uint32_t moved = TransferChunk(d, header, offset);
      lock.lock();
      // Only this thread removes queued headers, so `header` is still first.
      header->offset = offset + moved;
      if (header->offset >= header->bufferLength) HandBack(d, PopFront(d.head, d.tail));
      continue;
    }
    d.wake.wait(lock);
  }
}

uint32_t MapOpenError(PaError error) {
  switch (error) {
    case paNoError:
      return WAVE_NO_ERROR;
    case paInsufficientMemory:
      return WAVE_NO_MEMORY;
    case paDeviceUnavailable:
      return WAVE_ALLOCATED;
    case paInvalidChannelCount:
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
    case paBadIODeviceCombination:
      return WAVE_BAD_FORMAT;
    case paInvalidDevice:
      return WAVE_BAD_DEVICE_ID;
    case paNoDevice:
    case paNotInitialized:
      return WAVE_NO_DRIVER;
    case paUnanticipatedHostError: {
      const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
      if (info != nullptr && info->errorCode == -EBUSY) return WAVE_ALLOCATED;
      if (info != nullptr && info->errorCode == -ENOMEM) return WAVE_NO_MEMORY;
      return WAVE_ERROR;
    }
    default:
      return WAVE_ERROR;
  }
}

bool HasChannels(const PaDeviceInfo* info, bool output) {
  return info != nullptr && (output ? info->maxOutputChannels : info->maxInputChannels) > 0;
}

// The PortAudio devices of one direction in the order the editor lists
// them: the default device first, because on a desktop that is the sound
// server's device while PortAudio's first one is often raw hardware that
// the server holds; then the others in PortAudio's order. PortAudio must be
// initialised.
std::vector<PaDeviceIndex> DevicesOfDirection(bool output) {
  std::vector<PaDeviceIndex> devices;
  const PaDeviceIndex fallback = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
  if (fallback != paNoDevice && HasChannels(Pa_GetDeviceInfo(fallback), output)) {
    devices.push_back(fallback);
  }
  const PaDeviceIndex count = Pa_GetDeviceCount();
  for (PaDeviceIndex i = 0; i < count; ++i) {
    if (i != fallback && HasChannels(Pa_GetDeviceInfo(i), output)) devices.push_back(i);
  }
  return devices;
}

// The PortAudio device for an index into DevicesOfDirection, or -1 for the
// default. PortAudio must be initialised.
uint32_t ResolveDevice(int index, bool output, PaDeviceIndex* device) {
  const std::vector<PaDeviceIndex> devices = DevicesOfDirection(output);
  if (devices.empty()) return WAVE_NO_DRIVER;
  if (index == WAVE_DEFAULT_DEVICE) {
    *device = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
    return *device == paNoDevice ? WAVE_NO_DRIVER : WAVE_NO_ERROR;
  }
  if (index < 0 || index >= static_cast<int>(devices.size())) return WAVE_BAD_DEVICE_ID;
  *device = devices[static_cast<size_t>(index)];
  return WAVE_NO_ERROR;
}

uint32_t Open(WaveHandle* handle, int deviceIndex, const WaveFormat& format, WaveNotify notify,
              bool output) {
  if (handle == nullptr) return WAVE_INVALID_PARAM;
  *handle = WAVE_NO_HANDLE;
  TheLayer().JoinFinished();
  if ((format.channels != 1 && format.channels != 2) ||
      (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.sampleRate <= 0) {
    return WAVE_BAD_FORMAT;
  }
  auto device = std::make_shared<Device>();
  device->output = output;
  device->format = format;
  device->notify = std::move(notify);
  device->running = output;

  Layer& layer = TheLayer();
  {
    std::lock_guard lock(layer.mutex);
    QuietAudioLibraries();
    if (Pa_Initialize() != paNoError) return WAVE_NO_DRIVER;
    PaDeviceIndex paDevice = paNoDevice;
    uint32_t result = ResolveDevice(deviceIndex, output, &paDevice);
    if (result == WAVE_NO_ERROR) {
      const PaDeviceInfo* info = Pa_GetDeviceInfo(paDevice);
      PaStreamParameters parameters{};
      parameters.device = paDevice;
      parameters.channelCount = format.channels;
      parameters.sampleFormat = format.bitsPerSample == 8 ? paUInt8 : paInt16;
      // At least 25 ms of device buffering: the engines' own rings sit in
      // front of it, and a shorter one underruns on a busy machine.
      const double low = output ? info->defaultLowOutputLatency : info->defaultLowInputLatency;
      parameters.suggestedLatency = std::max(low, 0.025);
      result = MapOpenError(Pa_OpenStream(&device->stream, output ? nullptr : &parameters,
                                          output ? &parameters : nullptr, format.sampleRate,
                                          paFramesPerBufferUnspecified, paClipOff | paDitherOff,
                                          nullptr, nullptr));
    }
    if (result != WAVE_NO_ERROR) {
      Pa_Terminate();
      return result;
    }
    if (const PaStreamInfo* info = Pa_GetStreamInfo(device->stream)) {
      device->latency = output ? info->outputLatency : info->inputLatency;
    }
    *handle = layer.nextHandle++;
    if (layer.nextHandle == WAVE_NO_HANDLE) layer.nextHandle = 1;
    layer.devices[*handle] = device;
  }
  device->thread = std::thread(RunDevice, device);
  return WAVE_NO_ERROR;
}

uint32_t Close(WaveHandle handle, bool output) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  Device& d = *device;
  bool ownThread;
  {
    std::lock_guard lock(d.mutex);
    if (d.closing) return WAVE_INVALID_HANDLE;
    if (d.head != nullptr) return WAVE_STILL_PLAYING;
    d.closing = true;
    ownThread = d.OnDeviceThread();
    d.wake.notify_all();
    d.settled.notify_all();
  }
  Layer& layer = TheLayer();
  {
    std::lock_guard lock(layer.mutex);
    layer.devices.erase(handle);
  }
  if (ownThread) {
    // The thread ends once this notification returns; somebody else joins it.
    std::lock_guard lock(layer.finishedMutex);
    layer.finished.push_back(std::move(d.thread));
  } else {
    d.thread.join();
  }
  // The device thread no longer touches the stream (it is ended, or it is
  // this thread).
  std::lock_guard lock(layer.mutex);
  if (d.streamStarted) {
    if (d.output) {
      Pa_StopStream(d.stream);
    } else {
      Pa_AbortStream(d.stream);
    }
    d.streamStarted = false;
  }
  Pa_CloseStream(d.stream);
  d.stream = nullptr;
  Pa_Terminate();
  return WAVE_NO_ERROR;
}

uint32_t Prepare(WaveHandle handle, WaveHeader* header, bool output) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  if (header == nullptr || header->data == nullptr) return WAVE_INVALID_PARAM;
  if (header->flags.load() & WAVE_HDR_INQUEUE) return WAVE_STILL_PLAYING;
  header->flags.fetch_or(WAVE_HDR_PREPARED);
  return WAVE_NO_ERROR;
}

uint32_t Unprepare(WaveHandle handle, WaveHeader* header, bool output) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  if (header == nullptr) return WAVE_INVALID_PARAM;
  if (header->flags.load() & WAVE_HDR_INQUEUE) return WAVE_STILL_PLAYING;
  header->flags.fetch_and(~WAVE_HDR_PREPARED);
  return WAVE_NO_ERROR;
}

uint32_t Queue(WaveHandle handle, WaveHeader* header, bool output) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  if (header == nullptr || header->data == nullptr) return WAVE_INVALID_PARAM;
  Device& d = *device;
  std::lock_guard lock(d.mutex);
  if (d.closing) return WAVE_INVALID_HANDLE;
  const uint32_t flags = header->flags.load();
  if (!(flags & WAVE_HDR_PREPARED)) return WAVE_UNPREPARED;
  if (flags & WAVE_HDR_INQUEUE) return WAVE_STILL_PLAYING;
  header->flags.store((flags | WAVE_HDR_INQUEUE) & ~WAVE_HDR_DONE);
  header->offset = 0;
  header->bytesRecorded = 0;
  PushBack(d.head, d.tail, header);
  d.wake.notify_all();
  return WAVE_NO_ERROR;
}

uint32_t SetRunning(WaveHandle handle, bool output, bool running) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  std::lock_guard lock(device->mutex);
  device->running = running;
  device->wake.notify_all();
  return WAVE_NO_ERROR;
}

uint32_t RequestOf(WaveHandle handle, bool output, uint32_t request) {
  std::shared_ptr<Device> device = Find(handle, output);
  if (!device) return WAVE_INVALID_HANDLE;
  Request(*device, request);
  return WAVE_NO_ERROR;
}

std::vector<std::string> DeviceNames(bool output) {
  std::vector<std::string> names;
  Layer& layer = TheLayer();
  std::lock_guard lock(layer.mutex);
  QuietAudioLibraries();
  if (Pa_Initialize() != paNoError) return names;
  for (PaDeviceIndex i : DevicesOfDirection(output)) {
    const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
    names.emplace_back(info->name ? info->name : "");
  }
  Pa_Terminate();
  return names;
}

}  // namespace

uint32_t WaveOutOpen(WaveHandle* handle, int deviceIndex, const WaveFormat& format,
                     WaveNotify notify) {
  return Open(handle, deviceIndex, format, std::move(notify), true);
}
uint32_t WaveOutPrepareHeader(WaveHandle handle, WaveHeader* header) {
  return Prepare(handle, header, true);
}
uint32_t WaveOutUnprepareHeader(WaveHandle handle, WaveHeader* header) {
  return Unprepare(handle, header, true);
}
uint32_t WaveOutWrite(WaveHandle handle, WaveHeader* header) {
  return Queue(handle, header, true);
}
uint32_t WaveOutPause(WaveHandle handle) {
  return SetRunning(handle, true, false);
}
uint32_t WaveOutRestart(WaveHandle handle) {
  return SetRunning(handle, true, true);
}
uint32_t WaveOutReset(WaveHandle handle) {
  return RequestOf(handle, true, kRequestReset);
}
uint32_t WaveOutClose(WaveHandle handle) {
  return Close(handle, true);
}
uint32_t WaveOutGetVolume(WaveHandle handle, uint32_t* volume) {
  std::shared_ptr<Device> device = Find(handle, true);
  if (!device) return WAVE_INVALID_HANDLE;
  if (volume == nullptr) return WAVE_INVALID_PARAM;
  *volume = device->volume.load();
  return WAVE_NO_ERROR;
}
uint32_t WaveOutSetVolume(WaveHandle handle, uint32_t volume) {
  std::shared_ptr<Device> device = Find(handle, true);
  if (!device) return WAVE_INVALID_HANDLE;
  device->volume.store(volume);
  return WAVE_NO_ERROR;
}
uint32_t WaveOutGetLatency(WaveHandle handle, double* seconds) {
  std::shared_ptr<Device> device = Find(handle, true);
  if (!device) return WAVE_INVALID_HANDLE;
  if (seconds == nullptr) return WAVE_INVALID_PARAM;
  *seconds = device->latency;
  return WAVE_NO_ERROR;
}

uint32_t WaveInOpen(WaveHandle* handle, int deviceIndex, const WaveFormat& format,
                    WaveNotify notify) {
  return Open(handle, deviceIndex, format, std::move(notify), false);
}
uint32_t WaveInPrepareHeader(WaveHandle handle, WaveHeader* header) {
  return Prepare(handle, header, false);
}
uint32_t WaveInUnprepareHeader(WaveHandle handle, WaveHeader* header) {
  return Unprepare(handle, header, false);
}
uint32_t WaveInAddBuffer(WaveHandle handle, WaveHeader* header) {
  return Queue(handle, header, false);
}
uint32_t WaveInStart(WaveHandle handle) {
  return SetRunning(handle, false, true);
}
uint32_t WaveInStop(WaveHandle handle) {
  return RequestOf(handle, false, kRequestStop);
}
uint32_t WaveInReset(WaveHandle handle) {
  return RequestOf(handle, false, kRequestReset);
}
uint32_t WaveInClose(WaveHandle handle) {
  return Close(handle, false);
}

std::vector<std::string> WaveOutDeviceNames() {
  return DeviceNames(true);
}
std::vector<std::string> WaveInDeviceNames() {
  return DeviceNames(false);
}

void WaveWaitForClosedDevices() {
  TheLayer().JoinFinished();
}

}  // namespace platform
