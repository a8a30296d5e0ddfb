// A WAV file of any bytes opened, then put through a fixed script of the
// batch tool's commands: every edit, tool and effect, undo and redo, a change
// of quality and a save in each format. The commands take the editor's own
// paths (preconditions, dialogs answered from their arguments, operations),
// so whatever header an input gets past the reader is edited as a user would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/commands.h"
#include "batch/script.h"
#include "engine/editor_doc.h"
#include "fuzz/support/fuzz_sandbox.h"

namespace {

// Positions in bytes are clamped to the audio, so one script fits any file.
// As in the batch tool, the file is read in place until the first command
// that needs its samples (the copy after the first save) makes the working
// copy.
const char* const kScript[] = {
    "save @/first.wav",
    "select 4 40000",
    "copy",
    "cut",
    "paste-insert",
    "select 0 2000",
    "paste-over",
    "mix-paste 150 100 50 300",
    "select all",
    "volume 300 0",
    "fade 0 300 100 0 selection",
    "mute left",
    "reverse both entire",
    "swap",
    "copy-channel right",
    "echo 100 50 40 60 25 3",
    "reverb preset 'Small Room'",
    "multi-voice 3 100 80 50 50 20 7",
    "undo",
    "undo",
    "redo",
    "change-quality 1 11025 8",
    "undo",
    "select 0 1s",
    "delete",
    "save @/out.wav",
    "save @/out.pcm",
    "save @/out.mp3 bitrate 32",
    "save @/out.wma quality 3",
};

// The script as actions, with "@" standing for the sandbox's input folder.
std::vector<Action> BuildScript(const std::string& folder) {
  std::vector<Action> actions;
  for (const char* text : kScript) {
    std::string line = text;
    if (const size_t at = line.find('@'); at != std::string::npos) line.replace(at, 1, folder);
    std::vector<std::string> words;
    std::string error;
    FuzzCheck(SplitWords(line, &words, &error), "the fixed script splits");
    Action action;
    FuzzCheck(BuildAction(words, &action).empty(), "the fixed script is valid");
    actions.push_back(std::move(action));
  }
  return actions;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSandbox& sandbox = FuzzSandbox::Get();
  static const std::vector<Action> script = BuildScript(sandbox.Folder() + "/inputs");
  sandbox.App().SetDefersWorkingCopies(true);
  const std::string path = sandbox.WriteInput("input.wav", data, size);
  {
    Session session(sandbox.App(), sandbox.Dialogs());
    if (session.Open(path) != Outcome::Done) return 0;
    // Every command runs whatever the one before it answered: a refusal or
    // failure must leave a document the next command can work on.
    for (const Action& action : script) {
      (void)action(session);
      const CEditorDoc* doc = session.Active();
      FuzzCheck(doc != nullptr, "the document stays open");
      const uint32_t block = doc->blockAlign > 0 ? static_cast<uint32_t>(doc->blockAlign) : 1;
      FuzzCheck(doc->dataLength == doc->work.pcmLength, "the working copy holds the audio");
      FuzzCheck(doc->dataLength % block == 0, "the audio is whole frames");
      FuzzCheck(doc->Selection().FitsScale(doc->Scale()) && doc->View().FitsScale(doc->Scale()),
                "the selection and the view lie in the audio with their peak images");
    }
  }
  sandbox.ClearInputs();
  return 0;
}
