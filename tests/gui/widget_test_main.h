// The widget tests run on the offscreen platform with a profile of their own
// (QSettings in test mode), so they need no display and leave the user's
// settings alone. Every widget test program's main runs its tests through
// here; `beforeTests`, when given, sees the arguments first (a program that
// starts itself again as a child takes its own way out there).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

inline int RunWidgetTests(int argc, char** argv, void (*beforeTests)(int, char**) = nullptr) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationName("Editor-gui-tests");
  if (beforeTests != nullptr) beforeTests(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
