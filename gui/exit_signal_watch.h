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
