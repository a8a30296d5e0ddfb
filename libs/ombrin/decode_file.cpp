// One decode call: argument checks, the one-call-at-a-time guard, the output
// file and the first progress report; the decoding itself is the
// DecodeSession's.
#include "libs/ombrin/decode_file.h"

#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <new>
#include <string>
#include <utility>

#include "libs/ombrin/decode_session.h"
#include "libs/ombrin/ombrin.h"
#include "platform/message.h"

namespace {

// The decoder keeps one decode per process, as its callers expect; a second
// call while one runs (another thread, or the progress callback re-entering)
// is refused before it touches anything.
std::atomic<bool> decoding{false};

class DecodingClaim {
 public:
  DecodingClaim() : claimed_(!decoding.exchange(true)) {}
  ~DecodingClaim() {
    if (claimed_) decoding = false;
  }
  DecodingClaim(const DecodingClaim&) = delete;
  DecodingClaim& operator=(const DecodingClaim&) = delete;
  bool Claimed() const { return claimed_; }

 private:
  bool claimed_;
};

int32_t Decode(const char* inputPath, const char* outputPath, int16_t* channels,
               int16_t* bitsPerSample, int32_t* sampleRate, DecodeProgressCallback progress,
               const ombrin::DecodeOptions& options, ombrin::DecodeReport* report) {
  if (inputPath == nullptr) return OMBRIN_E_INVALIDARG;

  ombrin::UniqueFd output;
  if (outputPath != nullptr) {
    output = ombrin::UniqueFd(::open(outputPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  }
  if (!output.Valid()) {
    const int openError = outputPath != nullptr ? errno : 0;
    // Nothing is decoded when there is nowhere to put the samples.
    platform::ShowMessage("Failed to open temp WMA output file.");
    return openError != 0 ? OMBRIN_ERRNO_CODE(openError) : OMBRIN_E_INVALIDARG;
  }

  // The second thread's temporary file is made beside the output.
  const std::filesystem::path parent = std::filesystem::path(outputPath).parent_path();
  std::string folder = parent.empty() ? std::string(".") : parent.string();
  ombrin::DecodeSession session(std::move(output), std::move(folder), progress, options, report);
  if (progress != nullptr) {
    int ignored = 1;
    progress(0, &ignored);
  }
  return session.Run(inputPath, channels, bitsPerSample, sampleRate);
}

}  // namespace

namespace ombrin {

int32_t DecodeFile(const char* inputPath, const char* outputPath, int16_t* channels,
                   int16_t* bitsPerSample, int32_t* sampleRate, DecodeProgressCallback progress,
                   const DecodeOptions& options, DecodeReport* report) {
  DecodingClaim claim;
  if (!claim.Claimed()) return OMBRIN_E_BUSY;
  // No exception may cross into a C caller.
  try {
    return Decode(inputPath, outputPath, channels, bitsPerSample, sampleRate, progress, options,
                  report);
  } catch (const std::bad_alloc&) {
    return OMBRIN_E_OUTOFMEMORY;
  } catch (...) {
    return OMBRIN_E_UNEXPECTED;
  }
}

}  // namespace ombrin
