#include "app/exit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/editor_app.h"
#include "audio/audio_engine.h"

namespace {

volatile std::sig_atomic_t firstSignal = 0;
int wakeWrite = -1;

// Async-signal-safe only: a flag, write(2) and _exit(2).
void OnExitSignal(int signal) {
  if (firstSignal != 0) ::_exit(ExitStatusForSignal(signal));
  firstSignal = signal;
  const char byte = 1;
  if (wakeWrite >= 0) (void)!::write(wakeWrite, &byte, 1);
}

}  // namespace

int InstallExitSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  wakeWrite = fds[1];
  struct sigaction action {};
  action.sa_handler = OnExitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGTERM, &action, nullptr) != 0 || ::sigaction(SIGINT, &action, nullptr) != 0) {
    return -1;
  }
  return fds[0];
}

int ExitSignalReceived() {
  return firstSignal;
}

SignalEnd PrepareSignalEnd(CEditorApp& app) {
  if (AudioEngine* audio = app.Audio()) {
    audio->StopAndWait();
    if (audio->RecordState() == RECORD_MONITORING) audio->MonitorStop();
    // A recording in progress is dropped, not inserted: nobody is there to
    // see it land in the document.
    if (audio->RecordState() == RECORD_RECORDING) audio->StopRecording();
  }
  app.WriteConfig();
  return app.HasUnsavedChanges() ? SignalEnd::KeepRunFolder : SignalEnd::NormalExit;
}

void EndKeepingRunFolder(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}
