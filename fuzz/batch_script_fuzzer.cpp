// A batch script of any bytes: read into lines and words, every line checked
// and built as the batch tool does before anything runs, and every word read
// as a position against a document format taken from the input's first bytes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "batch/commands.h"
#include "batch/positions.h"
#include "batch/script.h"
#include "fuzz/support/fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The format the positions are read against: any byte rate a valid header
  // can give (up to 32767-byte frames at 768000 Hz), any frame size, any
  // 32-bit length.
  uint64_t bytesPerSecond = 0;
  uint32_t block = 1, length = 0;
  if (size >= 10) {
    bytesPerSecond = (uint64_t{data[0]} | uint64_t{data[1]} << 8 | uint64_t{data[2]} << 16 |
                      uint64_t{data[3]} << 24 | uint64_t{data[4]} << 32) %
                     (uint64_t{32767} * 768000 + 1);
    block = 1 + (data[5] | data[6] << 8) % 32767;
    length = uint32_t{data[6]} | uint32_t{data[7]} << 8 | uint32_t{data[8]} << 16 |
             uint32_t{data[9]} << 24;
  }

  std::istringstream in(text);
  std::vector<ScriptLine> lines;
  std::string error;
  if (!ReadScript(in, "fuzz", &lines, &error)) {
    FuzzCheck(!error.empty(), "a script that cannot be read says why");
    return 0;
  }
  for (const ScriptLine& line : lines) {
    FuzzCheck(!line.words.empty(), "blank and comment lines are skipped");
    Action action;
    const std::string problem = BuildAction(line.words, &action);
    FuzzCheck(!problem.empty() || static_cast<bool>(action), "a line that builds has an action");
    for (const std::string& word : line.words) {
      uint32_t bytes = 0;
      std::string why;
      const bool parsed = ParsePosition(word, bytesPerSecond, block, length, &bytes, &why);
      FuzzCheck(parsed == IsPositionText(word), "positions are read as they are recognised");
      if (!parsed) continue;
      FuzzCheck(bytes <= length, "a position lies within the audio");
      FuzzCheck(block <= 1 || bytes % block == 0, "a position is on a frame boundary");
    }
  }
  return 0;
}
