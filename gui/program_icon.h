// The program's icon, for the application, its windows and its dialogs.
#pragma once

#include <QIcon>

// The icon theme's copy when the desktop has one (an installed editor, or a
// theme that restyles it), else the copy built into the program, so a build
// that was never installed shows its own icon too.
QIcon ProgramIcon();
