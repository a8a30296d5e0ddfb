// The widget tests run on the offscreen platform with a profile of their own
// (QSettings in test mode), so they need no display and leave the user's
// settings alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationName("Editor-gui-tests");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
