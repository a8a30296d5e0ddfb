// vellmore-batch: the editor's commands from the command line or a script,
// over the same documents and operations as the editor, without a window.
//
//   vellmore-batch [--home DIR] [-e COMMAND]... [SCRIPT | -]
//   vellmore-batch --help | --version
//
// Every command is checked before the first one runs, so a mistyped line
// never leaves half a script applied. The run then stops at the first
// command that does not succeed; the exit status says why (see --help).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "audio/audio_engine.h"
#include "batch/commands.h"
#include "batch/script.h"
#include "batch/terminal_progress.h"
#include "effects/document_tools.h"
#include "engine/document_dialogs.h"
#include "platform/message.h"

namespace {

constexpr int kUsage = static_cast<int>(Outcome::Usage);

void UsageFailure(const std::string& text) {
  std::fprintf(stderr, "vellmore-batch: %s\n", text.c_str());
}

struct Invocation {
  bool help = false;
  bool version = false;
  std::string home;
  bool homeGiven = false;
  std::vector<ScriptLine> lines;
  std::string script;  // path, "-" for standard input, empty for none
};

// Reads the options; false after reporting a usage error.
bool ParseArguments(int argc, char** argv, Invocation* invocation) {
  int commandNumber = 0;
  bool scriptGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      invocation->help = true;
    } else if (arg == "--version") {
      invocation->version = true;
    } else if (arg == "--home" || arg == "-e") {
      if (i + 1 >= argc) {
        UsageFailure(std::string(arg) + " needs an argument");
        return false;
      }
      const std::string value = argv[++i];
      if (arg == "--home") {
        invocation->home = value;
        invocation->homeGiven = true;
        continue;
      }
      ScriptLine line{"-e", ++commandNumber, {}};
      std::string error;
      if (!SplitWords(value, &line.words, &error)) {
        UsageFailure(line.Where() + ": " + error);
        return false;
      }
      if (!line.words.empty()) invocation->lines.push_back(std::move(line));
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      UsageFailure("unknown option " + std::string(arg) + " (see --help)");
      return false;
    } else if (scriptGiven) {
      UsageFailure("only one SCRIPT can be given");
      return false;
    } else {
      invocation->script = std::string(arg);
      scriptGiven = true;
    }
  }
  return true;
}

// The script's lines follow the -e commands. false after an error report.
bool ReadScriptLines(Invocation* invocation, int* status) {
  if (invocation->script.empty()) return true;
  std::string error;
  bool read = false;
  if (invocation->script == "-") {
    read = ReadScript(std::cin, "stdin", &invocation->lines, &error);
  } else {
    std::ifstream file(invocation->script, std::ios::binary);
    if (!file) {
      UsageFailure("cannot open script " + invocation->script);
      *status = static_cast<int>(Outcome::Failed);
      return false;
    }
    read = ReadScript(file, invocation->script, &invocation->lines, &error);
  }
  if (!read) {
    UsageFailure(error);
    *status = kUsage;
  }
  return read;
}

// Each message the editor would show in a box becomes one line on stderr.
platform::MessageSink LineSink(TerminalProgress& progress) {
  return [&progress](std::string_view text, platform::MessageIcon) {
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    progress.ClearLine();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  };
}

}  // namespace

int main(int argc, char** argv) {
  Invocation invocation;
  if (!ParseArguments(argc, argv, &invocation)) return kUsage;
  if (invocation.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (invocation.version) {
    std::printf("vellmore-batch %s\n", VELLMORE_VERSION);
    return 0;
  }
  int status = 0;
  if (!ReadScriptLines(&invocation, &status)) return status;
  if (invocation.lines.empty()) {
    UsageFailure("no commands given (see --help)");
    return kUsage;
  }

  std::vector<Action> actions(invocation.lines.size());
  for (size_t i = 0; i < invocation.lines.size(); ++i) {
    const std::string error = BuildAction(invocation.lines[i].words, &actions[i]);
    if (!error.empty()) {
      UsageFailure(invocation.lines[i].Where() + ": " + error);
      return kUsage;
    }
  }

  // The configuration path is taken when the application is constructed.
  if (invocation.homeGiven) ::setenv("VELLMORE_HOME", invocation.home.c_str(), 1);

  TerminalProgress progress(STDERR_FILENO);
  platform::SetMessageSink(LineSink(progress));
  InstallInterruptHandlers();

  CEditorApp app;
  PresetDocumentDialogs dialogs;
  app.SetOperationHost(&progress);
  app.SetDocumentDialogs(&dialogs);
  app.installTools = InstallDocumentTools;
  app.SetDefersWorkingCopies(true);
  DefaultFirstRunDialogs firstRun;
  StartUpOptions options;
  options.firstRunDialogs = false;
  options.ownsRunFolderRecord = false;
  options.runFolderSuffix = "-batch-" + std::to_string(::getpid());
  if (!app.StartUp(firstRun, options)) return static_cast<int>(Outcome::Failed);
  // play and record use it; it opens a device only when one of them runs.
  AudioEngine audio(app);

  Outcome outcome = Outcome::Done;
  {
    Session session(app, dialogs);
    for (size_t i = 0; i < actions.size() && outcome == Outcome::Done; ++i) {
      session.SetLine(&invocation.lines[i]);
      outcome = actions[i](session);
      // An interrupt between operations ends the run as a cancel would.
      if (outcome == Outcome::Done && InterruptRequested()) {
        platform::ShowMessage("User cancelled the operation.");
        outcome = Outcome::Failed;
      }
    }
    session.SetLine(nullptr);
  }
  app.Shutdown();
  return static_cast<int>(outcome);
}
