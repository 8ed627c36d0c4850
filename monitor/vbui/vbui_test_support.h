// Test support for the monitor's windows: one QApplication for the test
// program, and the folder where screenshots go.
#pragma once

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <cstdlib>
#include <string>

#include "tests/support/temp_folder.h"

namespace vlm::vbui::testing {

// The test program's own Qt runtime folder (XDG_RUNTIME_DIR), under the
// temporary root and removed at exit: Qt would otherwise make
// runtime-<user> in $TMPDIR and leave it there.
inline const std::string& Runtime_Folder() {
  static const vlm::testing::TempFolder folder("vlm-qt-runtime");
  return folder.path();
}

inline QApplication& App() {
  static const bool runtime = ::setenv("XDG_RUNTIME_DIR", Runtime_Folder().c_str(), 1) == 0;
  (void)runtime;
  static int argc = 1;
  static char name[] = "monitor-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Saves a picture of the widget as <build folder>/screenshots/<name>.png and
// returns the path (VLM_SCREENSHOT_DIR is set by the build).
inline QString SaveScreenshot(QWidget& widget, const QString& name) {
#ifdef VLM_SCREENSHOT_DIR
  QDir dir(QStringLiteral(VLM_SCREENSHOT_DIR));
#else
  QDir dir(QDir::current().filePath(QStringLiteral("screenshots")));
#endif
  dir.mkpath(QStringLiteral("."));
  const QString path = dir.filePath(name + QStringLiteral(".png"));
  widget.grab().save(path);
  return path;
}

}  // namespace vlm::vbui::testing
