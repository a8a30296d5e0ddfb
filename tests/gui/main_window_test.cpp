// The main window as a user first meets it: the toolbar, the names and
// places of new document windows, and the Window menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QToolBar>

#include "gui/main_frame.h"
#include "tests/support/test_app.h"

TEST(MainWindow, EveryToolbarButtonSaysWhatItDoes) {
  TestApp t;
  CMainFrame frame(t.App());
  int buttons = 0;
  for (QAction* action : frame.StandardToolBar()->actions()) {
    if (action->isSeparator()) continue;
    ++buttons;
    EXPECT_FALSE(action->text().isEmpty()) << action->objectName().toStdString();
    EXPECT_FALSE(action->toolTip().isEmpty()) << action->objectName().toStdString();
    EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
  }
  EXPECT_EQ(buttons, 11);
}
