// The main of a test program that shows widgets: one QApplication for the whole run, headless
// unless the caller picked a platform (test discovery runs the program too).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace tavo::testing {

// Runs every test under a QApplication; returns GoogleTest's exit code.
inline int RunWidgetTests(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace tavo::testing
