// The editor's end on SIGTERM or SIGINT, on the GUI thread: the signal
// handler (app/exit_signals.h) wakes the event loop, and this watcher ends
// the editor as its owner would have wanted, without a dialog.
#pragma once

class CEditorApp;
class CMainFrame;

// Watches `wakeFd` (from InstallExitSignals) for the frame's lifetime. On
// the first signal: playback and recording stop, `editor.cfg` is written
// with the panel flags; with no unsaved changes the event loop exits with
// the signal's status and the program leaves through its normal exit (the
// run folder goes), otherwise the process ends at once and the run folder
// stays.
void WatchExitSignals(int wakeFd, CEditorApp& app, CMainFrame& frame);

// A signal can be handled while the files given on the command line are
// still opening, inside a progress dialog's event processing, before the
// main event loop runs; an exit asked for then does not end that loop.
// Returns the status such an early end asked for, or -1.
int ExitStatusAskedEarly();
