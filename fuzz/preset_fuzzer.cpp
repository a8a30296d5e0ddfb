// Preset files of any bytes: the same bytes as the echo, reverb and multi
// voice files, each loaded, written back and loaded again, and the first
// user preset applied by name to a short document as the batch tool does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/commands.h"
#include "effects/presets.h"
#include "engine/wave_file.h"
#include "fuzz/support/fuzz_sandbox.h"

namespace {

// A second of 16-bit stereo at 8000 Hz, long enough for every delay a preset
// can name to matter.
std::string ShortDocument() {
  std::string pcm(8000 * 4, '\0');
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i * 7 + 3);
  return MakeWaveHeader({2, 16, 8000}, static_cast<uint32_t>(pcm.size())) + pcm;
}

template <class Entry>
void LoadWriteLoad(const std::string& fileName, const uint8_t* data, size_t size,
                   const char* command) {
  FuzzSandbox& sandbox = FuzzSandbox::Get();
  sandbox.WriteInput("../" + fileName, data, size);
  int32_t count = 0;
  PresetTable<Entry> table{};
  LoadPresetList(&count, table);
  FuzzCheck(count >= kBuiltInPresets && count <= kMaxPresets, "the list holds 4 to 64 presets");
  const std::vector<std::string> names = PresetNames(count, table);

  // What the list shows survives being written and read back.
  FuzzCheck(WritePresetFile(count, table, -1), "the preset file is rewritten");
  int32_t again = 0;
  PresetTable<Entry> reread{};
  LoadPresetList(&again, reread);
  FuzzCheck(again == count && PresetNames(again, reread) == names,
            "a rewritten preset file lists the same presets");

  if (count == kBuiltInPresets) return;
  static const std::string document = ShortDocument();
  const std::string path = sandbox.WriteInput(
      "document.wav", reinterpret_cast<const uint8_t*>(document.data()), document.size());
  Session session(sandbox.App(), sandbox.Dialogs());
  if (session.Open(path) != Outcome::Done) return;
  Action action;
  if (!BuildAction({command, "preset", names[kBuiltInPresets]}, &action).empty()) return;
  (void)action(session);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LoadWriteLoad<EchoPreset>("echo.prt", data, size, "echo");
  LoadWriteLoad<ReverbPreset>("reverb.prt", data, size, "reverb");
  LoadWriteLoad<MultiVoicePreset>("multivoice.prt", data, size, "multi-voice");
  return 0;
}
