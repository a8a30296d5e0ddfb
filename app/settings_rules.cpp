#include "app/settings_rules.h"

#include <algorithm>
#include <cstdint>

#include "app/editor_app.h"
#include "platform/paths.h"

const char* const kRootFolderAdvice =
    "We recommend that you use a folder instead of a root direcotry.  When browsing, please "
    "double click on the folder you want to use.";

const char* const kIoSettingsNote =
    "Note: To change input/output volume levels, double click on the small speaker icon located "
    "in the tray.  The tray is located in the lower right-hand corner of your screen, just to the "
    "left of the clock.";

const char* const kTempSettingsText =
    "Temporary files are necessary to hold a copy of the audio file you're working on as well as "
    "undo/redo and edited sections of audio.  To change this to another directory, click the "
    "'Browse...' button.";

const char* const kInitSettingsText =
    "Temporary files are necessary to hold a copy of the audio file you're working on as well as "
    "undo/redo and edited sections of audio.  By default this is set to your computer's 'temp' "
    "directory.  To change to another directory, click the 'Browse...' button.";

const char* const kWelcomeText =
    "Congratulations on your choice of the Vellmore Editor.    For web based help and frequently "
    "asked questions, click here:";

const char* const kSetupText =
    "We will now prompt you with setup selections.  You can change your choices at any time by "
    "going to the \"Settings\" pull down menu.  We also suggest you take a moment to read the "
    "following licensee agreement.";

const char* const kLicenseeAgreement =
    "LICENSEE AGREEMENT\n"
    "\n"
    "This software is provided \"as is\", without warranty of any kind, express or implied, "
    "including but not limited to the warranties of merchantability, fitness for a particular "
    "purpose and noninfringement. In no event shall the authors or copyright holders be liable "
    "for any claim, damages or other liability, whether in an action of contract, tort or "
    "otherwise, arising from, out of or in connection with the software or the use or other "
    "dealings in the software.\n"
    "\n"
    "Audio files are edited through temporary copies, but you are responsible for keeping "
    "backups of recordings and files that matter to you.\n"
    "\n"
    "By pressing OK you accept these terms.";

namespace {

int SelectionFor(int16_t stored, size_t count) {
  return stored >= 0 && static_cast<size_t>(stored) < count ? stored : -1;
}

// Indices beyond int16 cannot be stored; they are kept as "nothing".
int16_t StoredIndex(int selection) {
  return selection >= 0 && selection <= INT16_MAX ? static_cast<int16_t>(selection) : -1;
}

// Cut to the field, never inside a UTF-8 sequence.
std::string FolderField(const std::string& text) {
  if (text.size() <= kMaxFolderText) return text;
  size_t end = kMaxFolderText;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

IoDeviceChoice InitIoDeviceSettings(const ConfigRecord& config, std::vector<std::string> inputs,
                                    std::vector<std::string> outputs) {
  IoDeviceChoice choice;
  choice.inputSelection = SelectionFor(config.inputDevice, inputs.size());
  choice.outputSelection = SelectionFor(config.outputDevice, outputs.size());
  choice.inputs = std::move(inputs);
  choice.outputs = std::move(outputs);
  return choice;
}

void AcceptIoDeviceSettings(int inputSelection, int outputSelection, ConfigRecord* config) {
  config->inputDevice = StoredIndex(inputSelection);
  config->outputDevice = StoredIndex(outputSelection);
}

bool NeedsRootFolderAdvice(const std::string& chosen) {
  return chosen == "/";
}

bool AcceptTempFileSettings(CEditorApp& app, const std::string& folderText) {
  const std::string folder = FolderField(folderText);
  if (folder == app.Config()->TempFolder()) return false;
  app.Config()->SetTempFolder(folder);
  app.WriteConfig();
  return true;
}

std::string InitialTempFolderText() {
  return platform::ProposedTempFolder();
}

void AcceptInitializationSettings(CEditorApp& app, const std::string& folderText) {
  ConfigRecord record{};
  record.SetTempFolder(FolderField(folderText));
  record.inputDevice = 0;
  record.outputDevice = 0;
  app.SetConfig(record);
  app.WriteConfig();
}
