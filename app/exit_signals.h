// SIGTERM and SIGINT (a logout, `kill`, Ctrl+C in the terminal that started
// the editor) end the editor without a dialog. The handler only records the
// signal and wakes the program's event loop through a pipe; the program
// then ends on its own thread: playback and recording stop, `editor.cfg` is
// written, and the run folder goes unless a document has unsaved changes,
// in which case it is left for the next start to find. Whoever sends a
// second signal wants the program gone: it exits at once.
#pragma once

class CEditorApp;

// Installs the handlers. Returns the read end of a pipe that becomes
// readable when the first signal has arrived, or -1 when no handler could
// be installed.
int InstallExitSignals();
// The first signal that arrived, 0 while none has.
int ExitSignalReceived();
// The exit status a program ended by `signal` reports, as a shell would.
inline int ExitStatusForSignal(int signal) {
  return 128 + signal;
}

enum class SignalEnd {
  NormalExit,     // nothing unsaved: leave through the normal exit, which removes the run folder
  KeepRunFolder,  // unsaved changes: end now and leave the run folder and its files
};

// Stops playback, recording and the input monitor, writes `editor.cfg` (the
// caller has put its panel flags into the record), and says how to end.
SignalEnd PrepareSignalEnd(CEditorApp& app);

// Ends the process at once with `status`: no destructor runs, so the
// documents' files stay in the run folder; the run lock goes with the
// process.
[[noreturn]] void EndKeepingRunFolder(int status);
