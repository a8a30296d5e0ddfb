// The keys of the window's commands. Where the desktop has a standard key
// for a command (Open, Save, Undo, Zoom In, ...) the command takes it, so the
// keys follow the user's platform and the menus print what really works; the
// few without a standard key have the editor's own.
#pragma once

#include <QKeySequence>
#include <QList>

// The sequences bound to command `id`, first the one menus print; empty for
// a command without keys.
QList<QKeySequence> CommandKeys(int id);
