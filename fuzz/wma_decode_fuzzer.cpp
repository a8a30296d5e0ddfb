// A WMA file of any bytes through the WMA decoder library's WMADecode, as the
// editor calls it when it opens a WMA file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/support/fuzz_sandbox.h"
#include "libs/ombrin/ombrin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const FuzzSandbox& sandbox = FuzzSandbox::Get();
  const std::string source = sandbox.WriteInput("input.wma", data, size);
  const std::string output = sandbox.Folder() + "/inputs/decoded.pcm";
  int16_t channels = -1, bits = -1;
  int32_t rate = -1;
  const int32_t result = WMADecode(source.c_str(), output.c_str(), &channels, &bits, &rate,
                                   [](int, int* keepGoing) { *keepGoing = 1; });
  if (result == 0) {
    FuzzCheck(channels > 0, "a decoded stream has channels");
    FuzzCheck(bits == 8 || bits == 16, "a decoded stream is 8 or 16 bits");
    FuzzCheck(rate > 0, "a decoded stream has a positive rate");
  }
  return 0;
}
